// The console window: what reaches it, what it costs, and what it leaves behind.
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QScrollBar>
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
  void floodLeavesTheWindowResponsiveAndMemoryBounded();
  void manyStartsLeaveNoZombiesAndNoDescriptors();
  void consoleRefusedWhenNoDescriptorIsLeft();
};

namespace {

long PeakResidentKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

void Click(QtProgram& program, Control button) {
  QTest::mouseClick(&program.Window().Widget(button), Qt::LeftButton);
}

// Lowers the limit on open descriptors to those already open, for the life of this object.
class NoDescriptorsLeft {
 public:
  NoDescriptorsLeft() {
    getrlimit(RLIMIT_NOFILE, &saved_);
    const int lowestFree = dup(STDIN_FILENO);
    close(lowestFree);
    rlimit lowered = saved_;
    lowered.rlim_cur = static_cast<rlim_t>(lowestFree);
    setrlimit(RLIMIT_NOFILE, &lowered);
  }
  ~NoDescriptorsLeft() { setrlimit(RLIMIT_NOFILE, &saved_); }

 private:
  rlimit saved_{};
};

}  // namespace

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

void ConsoleTest::floodLeavesTheWindowResponsiveAndMemoryBounded() {
  constexpr long long kFloodBytes = 50'000'000;
  StartedProgram program;
  const ConsoleWindow& console = *program->Platform().Console();
  const TerminalText& text = console.Text();
  const auto done = [&] {
    return !text.FinishedLines().empty() && text.FinishedLines().back() == "lithrez stand-in: done";
  };

  // A timer that fires whenever the event loop comes round, counting the rounds it saw while
  // the flood was still coming in.
  int roundsDuringFlood = 0;
  qint64 longestWait = 0;  // reported, never asserted
  QElapsedTimer sinceLastRound;
  sinceLastRound.start();
  QTimer everyRound;
  connect(&everyRound, &QTimer::timeout, [&] {
    if (text.FinishedCount() > 2 && !done()) {
      ++roundsDuringFlood;
      longestWait = std::max(longestWait, sinceLastRound.elapsed());
    }
    sinceLastRound.restart();
  });
  everyRound.start(0);

  qputenv("STAND_IN_FLOOD", QByteArray::number(kFloodBytes));
  QElapsedTimer elapsed;
  elapsed.start();
  Click(*program, C::Command9);
  qunsetenv("STAND_IN_FLOOD");
  QTRY_VERIFY_WITH_TIMEOUT(done(), 300000);
  const qint64 milliseconds = std::max<qint64>(elapsed.elapsed(), 1);
  everyRound.stop();

  qInfo(
      "flood: %lld bytes in %lld ms, %.1f MB/s through the console; the event loop came round "
      "%d times, at most %lld ms apart; peak memory %ld KiB",
      kFloodBytes, static_cast<long long>(milliseconds),
      kFloodBytes / 1e3 / static_cast<double>(milliseconds), roundsDuringFlood,
      static_cast<long long>(longestWait), PeakResidentKiB());
  QVERIFY2(roundsDuringFlood >= 10, qPrintable(QString::number(roundsDuringFlood)));
  QVERIFY(text.FinishedLines().size() <= 2000);
  QTRY_VERIFY(console.Pane().toPlainText().endsWith("lithrez stand-in: done\n"));
  const QScrollBar& scrollBar = *console.Pane().verticalScrollBar();
  QVERIFY2(scrollBar.value() == scrollBar.maximum(), "the pane follows the newest output");
  QVERIFY(console.Pane().blockCount() <= 2001);
  QVERIFY(console.Pane().document()->characterCount() <= 2001 * 1025);
}

void ConsoleTest::manyStartsLeaveNoZombiesAndNoDescriptors() {
  constexpr int kStarts = 500;
  StartedProgram program;
  const std::vector<int> descriptorsBefore = OpenDescriptors();
  QElapsedTimer elapsed;
  elapsed.start();
  for (int i = 0; i < kStarts; ++i) Click(*program, C::Command9);
  const qint64 milliseconds = std::max<qint64>(elapsed.elapsed(), 1);
  qInfo("starts: %d in %lld ms, %.0f per second", kStarts, static_cast<long long>(milliseconds),
        kStarts * 1000.0 / static_cast<double>(milliseconds));

  // An ended child that nobody reaped stays a child, as a zombie, so none may be left.
  QTRY_COMPARE_WITH_TIMEOUT(ChildProcessCount(), 0, 60000);
  QCOMPARE(OpenDescriptors(), descriptorsBefore);
  QTRY_COMPARE_WITH_TIMEOUT(program.ConsolePane().count("lithrez stand-in: done"), kStarts, 60000);
}

void ConsoleTest::consoleRefusedWhenNoDescriptorIsLeft() {
  QtProgram program([] {});
  {
    NoDescriptorsLeft exhausted;
    QVERIFY(!program.Platform().AllocateConsole());
  }
  QVERIFY(program.Platform().AllocateConsole());
  {
    NoDescriptorsLeft exhausted;
    QCOMPARE(program.Platform().StandardOutput(), ConsoleHandle{0});
  }
  QVERIFY(program.Platform().StandardOutput() != 0);
}

}  // namespace morlett::testing

QTEST_MAIN(morlett::testing::ConsoleTest)
#include "console_test.moc"
