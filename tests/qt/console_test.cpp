// The console as the tools meet it: a terminal of their own per run, the keys typed into it, and
// a program that lasts while they run. Offscreen, with the stand-in lithrez first on PATH.
#include <signal.h>
#include <unistd.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QPlainTextEdit>
#include <QTest>
#include <QTestEventList>
#include <filesystem>
#include <fstream>
#include <map>

#include "platform/qt/qt_program.h"

namespace morlett::testing {

using qt::ConsoleWindow, qt::ProgramConsole, qt::QtProgram;
constexpr int kTimeoutMs = 20000;
constexpr int kQuit = -1, kCloseBox = 0;  // in place of a signal
constexpr int kAnswered = 0, kHungUp = 1, kNone = 2;

// The children of this process, which starts them from its main thread, zombies included.
std::vector<pid_t> Children() {
  std::ifstream file("/proc/self/task/" + std::to_string(getpid()) + "/children");
  return {std::istream_iterator<pid_t>(file), {}};
}

std::map<int, std::string> OpenFiles(const std::string& process) {
  std::map<int, std::string> files;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/" + process + "/fd", error)) {
    files[std::stoi(entry.path().filename())] = std::filesystem::read_symlink(entry.path(), error);
  }
  return files;
}

bool AllRunsOver() {
  const auto terminalMaster = [](const auto& file) { return file.second == "/dev/ptmx"; };
  return Children().empty() && std::ranges::none_of(OpenFiles("self"), terminalMaster);
}

// A run, perhaps one that spoils its terminal; then a run that asks, and gets input from these.
struct Typing {
  QByteArray spoil;
  QTestEventList keys;
  QString typed, clipboard, answer;  // the answer: the line the tool prints
};

QTestEventList Keys(QString text, Qt::Key last = Qt::Key_Return, Qt::KeyboardModifiers with = {}) {
  QTestEventList events;
  events.addKeyClicks(text);
  events.addKeyClick(last, with);
  return events;
}

// The program, started as a user starts it, with its end only recorded; the console window comes
// after the first paint. However a test ends, its tools are hung up and reaped.
struct StartedProgram {
  StartedProgram() {
    program.Start();
    QVERIFY(!Console().Window());
    QTRY_VERIFY_WITH_TIMEOUT(Console().Window() && Console().Window()->isVisible(), kTimeoutMs);
  }
  ~StartedProgram() {
    if (ProgramConsole* console = program.Platform().Console()) console->HangUp();
    QVERIFY(QTest::qWaitFor(AllRunsOver, kTimeoutMs));
  }
  ProgramConsole& Console() { return *program.Platform().Console(); }
  QPlainTextEdit& Pane() { return Console().Window()->Pane(); }
  QString Shown() { return QString::fromStdString(Console().Text().Text()); }
  void Click(Control c) { QTest::mouseClick(&program.Window().Widget(c), Qt::LeftButton); }
  // Starts a run, and waits until `asking` runs have asked their question.
  bool StartTool(const char* variable, const QByteArray& value, int asking = 0) {
    qputenv(variable, value);
    Click(Control::Command9);
    qunsetenv(variable);
    return QTest::qWaitFor([&] { return Shown().count("question? ") == asking; }, kTimeoutMs);
  }
  bool StartAsking(int asking = 1) { return StartTool("STAND_IN_ASK", "1", asking); }
  bool ended = false;
  QtProgram program{[this] { ended = true; }};
};

class ConsoleTest : public QObject {
  Q_OBJECT

 private slots:
  // The terminal echoes and edits the line (a three-byte letter is erased whole), and the tool
  // prints back what it read. Each run's terminal is closed at its end.
  void typedKeysReachTheTool_data() {
    QTest::addColumn<Typing>("typing");
    QTestEventList middle;
    middle.addMouseClick(Qt::MiddleButton);
    const auto controlD = Keys("", Qt::Key_D, Qt::ControlModifier);
    const auto shiftInsert = Keys("", Qt::Key_Insert, Qt::ShiftModifier);
    const auto controlShiftV = Keys("", Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::newRow("erased") << Typing{{}, Keys("\bive"), "na\u2713", {}, "answer [naive]"};
    QTest::newRow("tab") << Typing{{}, Keys("a\tb"), {}, {}, "answer [a       b]"};  // as shown
    QTest::newRow("Ctrl+D") << Typing{{}, controlD, {}, {}, "answer: end of input"};
    QTest::newRow("Shift+Insert") << Typing{{}, shiftInsert, {}, "\u00e9\nx", "answer [\u00e9]"};
    QTest::newRow("Ctrl+Shift+V") << Typing{{}, controlShiftV, {}, "v\r\n", "answer [v]"};
    QTest::newRow("middle button") << Typing{{}, middle, {}, "clicked\n", "answer [clicked]"};
    QTest::newRow("after XOFF") << Typing{"xoff", Keys("next"), {}, {}, "answer [next]"};
    QTest::newRow("after raw mode") << Typing{"raw", Keys("next"), {}, {}, "answer [next]"};
  }
  void typedKeysReachTheTool() {
    QFETCH(Typing, typing);
    StartedProgram program;
    QVERIFY(program.StartTool("STAND_IN_SPOIL", typing.spoil));
    QTRY_VERIFY_WITH_TIMEOUT(AllRunsOver(), kTimeoutMs);
    QGuiApplication::clipboard()->setText(typing.clipboard);
    QVERIFY(program.StartAsking());
    QInputMethodEvent input;
    input.setCommitString(typing.typed);
    QCoreApplication::sendEvent(&program.Pane(), &input);
    typing.keys.simulate(program.Pane().viewport());  // it gets the mouse; keys pass on to the pane
    QTRY_VERIFY_WITH_TIMEOUT(program.Shown().contains(typing.answer), kTimeoutMs);
    QTRY_VERIFY_WITH_TIMEOUT(AllRunsOver(), kTimeoutMs);
    QTRY_COMPARE_WITH_TIMEOUT(program.Pane().toPlainText(), program.Shown(), kTimeoutMs);
  }

  // Each tool leads a session of its own whose controlling terminal is its own terminal, so that
  // /dev/tty opens and Ctrl+C reaches it; that terminal is all it has open. Ctrl+C reaches all.
  void eachRunHasItsOwnTerminalAndCtrlCInterruptsThemAll() {
    StartedProgram program;
    FILE* careless = std::fopen("/dev/null", "r");  // without close-on-exec
    QVERIFY(program.StartAsking(1) && program.StartAsking(2));
    std::fclose(careless);
    QCOMPARE(program.Shown().count("terminal: yes"), 2);
    std::vector<std::string> terminals;
    for (const pid_t tool : Children()) {
      const std::map<int, std::string> files = OpenFiles(std::to_string(tool));
      const std::string terminal = files.empty() ? "" : files.begin()->second;
      QCOMPARE(files, (std::map<int, std::string>{{0, terminal}, {1, terminal}, {2, terminal}}));
      QVERIFY2(terminal.starts_with("/dev/pts/") && getsid(tool) == tool, terminal.c_str());
      terminals.push_back(terminal);
    }
    QVERIFY(terminals.size() == 2 && terminals[0] != terminals[1]);
    QTest::keyClick(&program.Pane(), Qt::Key_C, Qt::ControlModifier);
    QTRY_VERIFY_WITH_TIMEOUT(AllRunsOver(), kTimeoutMs);
    QVERIFY(!program.Shown().contains("answer") && !program.ended);
  }

  // The window goes at once, by its close box, Quit or a signal; Unload runs for all but Quit.
  // The console stays, even if closed before, and the program ends with the last tool.
  void runsOutliveTheWindow_data() {
    QTest::addColumn<int>("close");
    QTest::addColumn<int>("tool");  // how the tool ends: answered, hung up, or none ran
    QTest::newRow("close box") << kCloseBox << kAnswered;
    QTest::newRow("Quit") << kQuit << kAnswered;
    QTest::newRow("SIGINT") << SIGINT << kAnswered;
    QTest::newRow("SIGTERM") << SIGTERM << kAnswered;
    QTest::newRow("SIGHUP, console closed") << SIGHUP << kHungUp;
    QTest::newRow("close box, no tool") << kCloseBox << kNone;
  }
  void runsOutliveTheWindow() {
    QFETCH(int, close);
    QFETCH(int, tool);
    const bool running = tool != kNone;
    StartedProgram program;
    ConsoleWindow& console = *program.Console().Window();
    if (running) QVERIFY(program.StartAsking());
    console.close();  // only hides it while the window is open
    QCOMPARE(Children().size(), running ? 1u : 0u);
    if (close == kQuit) program.Click(Control::Command10);
    if (close == kCloseBox) program.program.Window().close();
    if (close > 0) kill(getpid(), close);
    QTRY_VERIFY_WITH_TIMEOUT(!program.program.Window().isVisible(), kTimeoutMs);
    QCOMPARE(program.ended, !running);
    if (!running) return;
    QVERIFY(console.isVisible() && program.Shown().contains("Morlett has closed"));
    QCOMPARE(program.Console().Output() != 0, close == kQuit);  // Unload closed it
    if (tool == kHungUp) console.close();
    if (tool == kAnswered) QTest::keyClicks(&console.Pane(), "y\r");
    QTRY_VERIFY_WITH_TIMEOUT(program.ended, kTimeoutMs);
    QVERIFY(AllRunsOver() && !program.program.Platform().Console());
  }
};

}  // namespace morlett::testing

QTEST_MAIN(morlett::testing::ConsoleTest)
#include "console_test.moc"
