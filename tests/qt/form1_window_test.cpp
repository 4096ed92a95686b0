// Form1's window as a user meets it: the tool buttons clicked for real, the keyboard, the
// resizing, and the two ways to stop. Tools that fail to start are in the faults tests.
#include <QLineEdit>
#include <QTest>

#include "app/layout.h"
#include "commands/command_line.h"
#include "qt_test_support.h"

namespace morlett::testing {

using C = Control;

class Form1WindowTest : public QObject {
  Q_OBJECT

 public:
  static void initMain() { PrepareApplication(); }

 private slots:
  void toolButtonsPassEachFieldExactly();
  void consoleShowsEachBannerThenTheToolsLines();
  void tabWalksTheTableOrderAndSkipsText10();
  void doublingTheWindowDoublesEverything();
  void closingRunsUnloadAndReleasesTheConsole();
  void quitEndsWithoutUnload();
};

namespace {

// Paths that broke front ends before: spaces, quotes, trailing backslashes, a leading dash,
// letters outside ASCII, and nothing at all.
const std::vector<std::string> kHardPaths = {
    "/home/me/My Archives/out.rez",
    "C:\\dir with space\\",
    "say \"hi\".rez",
    "-leading-dash.rez",
    "naïve/Ünïcødé ✓.rez",
    "back\\\\\"slash",
    "",
};

std::string FieldText(QtProgram& program, Control field) {
  return program.Window().Field(field).text().toStdString();
}

void SetField(QtProgram& program, Control field, const std::string& text) {
  program.Window().Field(field).setText(QString::fromStdString(text));
}

}  // namespace

void Form1WindowTest::toolButtonsPassEachFieldExactly() {
  StandInRecord record;
  StartedProgram program;
  std::size_t runs = 0;
  for (const ToolButton& tool : kToolButtons) {
    for (std::size_t first = 0; first < kHardPaths.size(); ++first) {
      ArgumentList expected;
      if (!tool.modeWord.empty()) expected.push_back(tool.modeWord);
      for (std::size_t i = 0; i < tool.inputs.size(); ++i) {
        const std::string& path = kHardPaths[(first + i) % kHardPaths.size()];
        SetField(*program, tool.inputs[i], path);
        expected.push_back(path);
      }
      Click(*program, tool.button);
      const std::string name =
          std::string(SpecOf(tool.button).name) + " with [" + JoinCommandLine("", expected) + "]";
      ++runs;
      QTRY_COMPARE_WITH_TIMEOUT(record.Runs().size(), runs, 10000);
      QVERIFY2(record.Runs().back() == expected, name.c_str());
      ArgumentList shown = {"lithrez"};
      shown.insert(shown.end(), expected.begin(), expected.end());
      QVERIFY2(SplitCommandLine(FieldText(*program, tool.shownIn)) == shown, name.c_str());
      for (std::size_t i = 0; i < tool.inputs.size(); ++i) {
        QCOMPARE(FieldText(*program, tool.inputs[i]), expected[i + 1]);
      }
      if (tool.inputs.empty()) break;
    }
  }
}

void Form1WindowTest::consoleShowsEachBannerThenTheToolsLines() {
  StandInRecord record;
  StartedProgram program;
  SetField(*program, C::Text7, "some file.rez");
  Click(*program, C::Command8);
  const QString expected = QStringLiteral(
      "Morlett v1.1 Advanced\n"
      "lithrez stand-in: 2 arguments\n"
      "progress 100%\n"
      "lithrez stand-in: done\n");
  QTRY_COMPARE_WITH_TIMEOUT(program.ConsolePane(), expected, 10000);
  // Two quick clicks: two banners and two runs, whichever order their lines arrive in.
  Click(*program, C::Command9);
  Click(*program, C::Command9);
  QTRY_COMPARE_WITH_TIMEOUT(program.ConsolePane().count("lithrez stand-in: done"), 3, 10000);
  QCOMPARE(program.ConsolePane().count("Morlett v1.1 Advanced\n"), 3);
  QCOMPARE(record.Runs().size(), 3u);
}

void Form1WindowTest::tabWalksTheTableOrderAndSkipsText10() {
  StartedProgram program;
  QWidget& window = program->Window();
  window.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&window));
  program->Window().Widget(C::Command1).setFocus();
  QStringList walked = {QApplication::focusWidget()->objectName()};
  for (std::size_t i = 0; i < TabOrder().size() - 1; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    walked << QApplication::focusWidget()->objectName();
  }
  QStringList expected;
  for (const Control control : TabOrder()) {
    if (control != C::Text10) expected << QString::fromUtf8(SpecOf(control).name.data());
  }
  expected << expected.first();  // round again to the first
  QCOMPARE(walked, expected);
  QVERIFY(program->Window().Field(C::Text10).isHidden());
  QCOMPARE(program->Window().Field(C::Text10).text(), QStringLiteral("Text10"));
}

void Form1WindowTest::doublingTheWindowDoublesEverything() {
  StartedProgram program;
  Form1Window& window = program->Window();
  QCOMPARE(window.size(), QSize(714, 185));
  QCOMPARE(window.windowTitle(), QStringLiteral("Morlett Advanced"));
  QCOMPARE(window.windowIcon().availableSizes(), QList<QSize>({{16, 16}, {32, 32}}));
  std::vector<QRect> before;
  std::vector<qreal> fontsBefore;
  for (const ControlSpec& entry : ControlTable()) {
    before.push_back(window.Widget(entry.id).geometry());
    fontsBefore.push_back(window.Widget(entry.id).font().pointSizeF());
  }
  window.resize(2 * window.size());
  QTRY_COMPARE(window.Widget(C::Image1).width(), 2 * before.back().width());
  for (std::size_t i = 0; i < ControlTable().size(); ++i) {
    const ControlSpec& entry = ControlTable()[i];
    const QRect after = window.Widget(entry.id).geometry();
    const QRect doubled(2 * before[i].topLeft(), 2 * before[i].size());
    // Edges are rounded once at each size, so a pixel either way is the rule working.
    const auto near = [](int a, int b) { return std::abs(a - b) <= 1; };
    QVERIFY2(near(after.left(), doubled.left()) && near(after.top(), doubled.top()) &&
                 near(after.width(), doubled.width()) && near(after.height(), doubled.height()),
             entry.name.data());
    QVERIFY2(window.Widget(entry.id).font().pointSizeF() > 1.9 * fontsBefore[i], entry.name.data());
  }
}

void Form1WindowTest::closingRunsUnloadAndReleasesTheConsole() {
  StartedProgram program;
  QVERIFY(program->Platform().Console() != nullptr);
  QVERIFY(OpenTerminalDescriptors() > 0);
  QVERIFY(program->Window().close());
  QVERIFY(program->Platform().Console() == nullptr);
  QCOMPARE(OpenTerminalDescriptors(), 0);
  QVERIFY(!program.Ended());
}

void Form1WindowTest::quitEndsWithoutUnload() {
  StartedProgram program;
  Click(*program, C::Command10);
  QVERIFY(program.Ended());
  QVERIFY(program->Platform().Console() != nullptr);
  QVERIFY(program->Platform().Console()->Output() != 0);
}

}  // namespace morlett::testing

QTEST_MAIN(morlett::testing::Form1WindowTest)
#include "form1_window_test.moc"
