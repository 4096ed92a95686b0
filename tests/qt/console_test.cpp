// The console window: it comes back when needed, and the started tools get its terminal and
// nothing else. Floods and many starts are in the soak tests, a refused console in the faults.
#include <fcntl.h>
#include <unistd.h>

#include <QTest>

#include "commands/command_line.h"
#include "qt_test_support.h"

namespace morlett::testing {

using C = Control;

class ConsoleTest : public QObject {
  Q_OBJECT

 public:
  static void initMain() { PrepareApplication(); }

 private slots:
  void closedConsoleComesBackWithTheNextBanner();
  void startedToolsGetTheTerminalAndNothingElse();
};

void ConsoleTest::closedConsoleComesBackWithTheNextBanner() {
  StartedProgram program;
  ConsoleWindow* console = program->Platform().Console();
  QVERIFY(console && console->isVisible());
  console->close();
  QVERIFY(!console->isVisible());
  QVERIFY(program->Window().isVisible());
  QCOMPARE(program->Platform().Console(), console);
  Click(*program, C::Command9);
  QVERIFY(console->isVisible());
  QTRY_VERIFY_WITH_TIMEOUT(program.ConsolePane().contains("lithrez stand-in: done"), 10000);
}

void ConsoleTest::startedToolsGetTheTerminalAndNothingElse() {
  StartedProgram program;
  // A descriptor opened the careless way, without close-on-exec, must not reach the tool.
  const int careless = open("/dev/null", O_RDONLY);
  QVERIFY(careless > 2);
  const std::string report = JoinCommandLine(DESCRIPTOR_REPORT, {});
  const StartResult result = program->Platform().StartProgram(report, ShowState::MinimizedActive);
  close(careless);
  QVERIFY(result.Started());
  QTRY_VERIFY_WITH_TIMEOUT(program.ConsolePane().contains("own session:"), 10000);
  const QString pane = program.ConsolePane();
  QVERIFY2(pane.contains("descriptors: 0 1 2\n"), qPrintable(pane));
  QVERIFY2(pane.contains("terminal: 1 1 1\n"), qPrintable(pane));
  QVERIFY2(pane.contains("own session: yes\n"), qPrintable(pane));
}

}  // namespace morlett::testing

QTEST_MAIN(morlett::testing::ConsoleTest)
#include "console_test.moc"
