// The console as the tools meet it: a terminal of their own per run, the keys typed into it, and
// a program that lasts while they run. Offscreen, with the stand-in lithrez first on PATH.
#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTestEventList>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <map>

#include "platform/qt/qt_program.h"
#include "platform/qt/unique_fd.h"

namespace morlett::testing {

using qt::ConsoleWindow, qt::ProgramConsole, qt::QtProgram;
constexpr int kTimeoutMs = 20000;
constexpr int kQuit = -1, kCloseBox = 0;  // in place of a signal
constexpr int kAnswered = 0, kHungUp = 1, kNone = 2;
constexpr int kNothingMore = -2;  // no second signal, nor closing the console

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

// The size the tool asks its terminal for.
std::pair<int, int> ColumnsAndRows(const std::string& terminal) {
  const qt::UniqueFd opened(open(terminal.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
  winsize size{};
  ioctl(opened.get(), TIOCGWINSZ, &size);
  return {size.ws_col, size.ws_row};
}

// The texts of the popup or modal window that `show` opens, which is then closed.
QStringList TextsOfWhatOpens(const std::function<void()>& show) {
  QStringList texts;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, &poll, [&] {
    if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
      for (const QAction* action : menu->actions()) texts << action->text();
      menu->close();
    } else if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      texts << box->text();
      box->close();
    }
  });
  poll.start(10);
  show();
  return texts;
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

QTestEventList Keys(const QString& text, Qt::Key last = Qt::Key_Return,
                    Qt::KeyboardModifiers with = {}) {
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
  StartedProgram(const StartedProgram&) = delete;
  StartedProgram& operator=(const StartedProgram&) = delete;
  ~StartedProgram() {
    if (ProgramConsole* console = program.Platform().Console()) console->HangUp();
    QVERIFY(QTest::qWaitFor(AllRunsOver, kTimeoutMs));
  }
  ProgramConsole& Console() { return *program.Platform().Console(); }
  QPlainTextEdit& Pane() { return Console().Window()->Pane(); }
  // What the console shows, or showed when the program ended.
  QString Shown() {
    const ProgramConsole* console = program.Platform().Console();
    return console ? QString::fromStdString(console->Text().Text()) : shownAtEnd;
  }
  void Click(Control c) { QTest::mouseClick(&program.Window().Widget(c), Qt::LeftButton); }
  void Type(Control field, const QString& text) { program.Window().Field(field).setText(text); }
  // Starts a run, and waits until `asking` runs have asked their question.
  bool StartTool(const char* variable, const QByteArray& value, int asking = 0) {
    qputenv(variable, value);
    Click(Control::Command9);
    qunsetenv(variable);
    return QTest::qWaitFor([&] { return Shown().count("question? ") == asking; }, kTimeoutMs);
  }
  bool StartAsking(int asking = 1) { return StartTool("STAND_IN_ASK", "1", asking); }
  bool ended = false;
  QString shownAtEnd;
  QtProgram program{[this] {
    ended = true;
    shownAtEnd = Shown();
  }};
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
  // /dev/tty opens and Ctrl+C reaches it; that terminal is all it has open, and it is as large
  // as the pane, also after a resize. Ctrl+C reaches all, and each run's end is told.
  void eachRunHasItsOwnTerminalAndCtrlCInterruptsThemAll() {
    StartedProgram program;
    FILE* careless = std::fopen("/dev/null", "r");  // without close-on-exec
    QVERIFY(program.StartAsking(1) && program.StartAsking(2));
    QCOMPARE(std::fclose(careless), 0);
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
    QWidget& viewport = *program.Pane().viewport();
    const QFontMetrics metrics(program.Pane().font());
    const auto fitsThePane = [&] {
      const auto [columns, rows] = ColumnsAndRows(terminals[1]);
      return ColumnsAndRows(terminals[0]) == std::pair(columns, rows) &&
             columns == viewport.width() / metrics.horizontalAdvance(u'M') &&
             rows == viewport.height() / metrics.lineSpacing();
    };
    QVERIFY(fitsThePane());
    const int columnsBefore = ColumnsAndRows(terminals[0]).first;
    program.Console().Window()->resize(program.Console().Window()->size() + QSize(200, -50));
    QTRY_VERIFY_WITH_TIMEOUT(fitsThePane() && ColumnsAndRows(terminals[0]).first > columnsBefore,
                             kTimeoutMs);
    QTest::keyClick(&program.Pane(), Qt::Key_C, Qt::ControlModifier);
    QTRY_VERIFY_WITH_TIMEOUT(AllRunsOver(), kTimeoutMs);
    QTRY_COMPARE_WITH_TIMEOUT(program.Shown().count("lithrez: ended by signal SIGINT (2) after "),
                              2, kTimeoutMs);
    QVERIFY(!program.Shown().contains("answer") && !program.ended);
    // After a flood longer than the scrollback, the pane shows all the text keeps.
    QVERIFY(program.StartTool("STAND_IN_FLOOD", "1000000"));
    QTRY_VERIFY_WITH_TIMEOUT(AllRunsOver() && program.Pane().toPlainText() == program.Shown(),
                             kTimeoutMs);
  }

  // While a Create writes an archive, the same archive spelt otherwise is refused, and no
  // second tool starts. The run's end follows all its output, on a line of its own.
  void theSameArchiveSpeltOtherwiseIsRefused() {
    StartedProgram program;
    const QTemporaryDir folder;
    const QString until = folder.filePath("until");
    qputenv("STAND_IN_UNTIL", until.toUtf8());
    qputenv("STAND_IN_EXIT", "3");
    program.Type(Control::Text2, folder.path());
    const QString archive = folder.filePath("dup.rez");
    const QString otherSpellings[] = {folder.path() + "//dup.rez", folder.path() + "/./dup.rez"};
    program.Type(Control::Text1, archive);
    program.Click(Control::Command4);
    QTRY_COMPARE_WITH_TIMEOUT(Children().size(), 1u, kTimeoutMs);
    for (const QString& spelling : otherSpellings) {
      program.Type(Control::Text1, spelling);
      const QStringList said = TextsOfWhatOpens([&] { program.Click(Control::Command4); });
      QVERIFY2(said.size() == 1 && said[0].startsWith("lithrez is still running this command:") &&
                   said[0].contains(archive),
               qPrintable(said.join('|')));
    }
    QCOMPARE(Children().size(), 1u);
    qunsetenv("STAND_IN_UNTIL");
    qunsetenv("STAND_IN_EXIT");
    QVERIFY(QFile(until).open(QIODevice::WriteOnly));
    const QString ended =
        "\nlithrez stand-in: done\nlithrez cv " + archive + ": ended with exit code 3 after ";
    const QRegularExpression endLine(QRegularExpression::escape(ended) + "[0-9.]+ s\n$");
    QTRY_VERIFY_WITH_TIMEOUT(program.Shown().contains(endLine), kTimeoutMs);
    QTRY_VERIFY_WITH_TIMEOUT(AllRunsOver(), kTimeoutMs);
  }

  // The window goes at once, by its close box, Quit or a signal; Unload runs for all but Quit.
  // The console stays, even if closed before, and the program ends with the last tool; or at
  // once, without waiting for the tools, when the console is closed or a signal comes again.
  void runsOutliveTheWindow_data() {
    QTest::addColumn<int>("close");
    QTest::addColumn<int>("tool");   // how the tool ends: answered, hung up, or none ran
    QTest::addColumn<int>("again");  // a second signal, or closing the console (kCloseBox)
    QTest::newRow("close box") << kCloseBox << kAnswered << kNothingMore;
    QTest::newRow("Quit") << kQuit << kAnswered << kNothingMore;
    QTest::newRow("SIGINT") << SIGINT << kAnswered << kNothingMore;
    QTest::newRow("SIGTERM") << SIGTERM << kAnswered << kNothingMore;
    QTest::newRow("SIGHUP, console closed") << SIGHUP << kHungUp << kCloseBox;
    QTest::newRow("Quit, SIGTERM again") << kQuit << kHungUp << SIGTERM;
    QTest::newRow("close box, no tool") << kCloseBox << kNone << kNothingMore;
  }
  void runsOutliveTheWindow() {
    QFETCH(int, close);
    QFETCH(int, tool);
    QFETCH(int, again);
    const bool running = tool != kNone;
    StartedProgram program;
    ConsoleWindow& console = *program.Console().Window();
    if (running) QVERIFY(program.StartAsking());
    console.close();  // only hides it while the window is open
    QCOMPARE(Children().size(), running ? 1u : 0u);
    if (close == kQuit) program.Click(Control::Command10);
    if (close == kCloseBox) program.program.Window().close();
    if (close > 0) kill(getpid(), close);
    QTRY_VERIFY_WITH_TIMEOUT(program.ended || program.Shown().contains("Morlett has closed"),
                             kTimeoutMs);
    QVERIFY(!program.program.Window().isVisible());
    QCOMPARE(program.ended, !running);
    if (!running) return;
    QVERIFY(console.isVisible());
    QCOMPARE(program.Console().Output() != 0, close == kQuit);  // Unload closed it
    if (again == kCloseBox) {
      console.close();
      QVERIFY(program.ended);  // at once, whatever the tools do
    }
    if (again > 0) kill(getpid(), again);
    if (tool == kAnswered) QTest::keyClicks(&console.Pane(), "y\r");
    QTRY_VERIFY_WITH_TIMEOUT(program.ended, kTimeoutMs);
    if (tool == kAnswered) QVERIFY(program.Shown().contains("lithrez: ended with exit code 0"));
    QTRY_VERIFY_WITH_TIMEOUT(AllRunsOver() && !program.program.Platform().Console(), kTimeoutMs);
  }

  // At scales 1 and 2 on a small screen (ctest runs this again so), the console lies on the
  // screen; it is a window with a named pane, whose menu shows the keys that work there.
  void theConsoleFitsTheScreenAndIsNamed() {
    StartedProgram program;
    ConsoleWindow& console = *program.Console().Window();
    QVERIFY(console.screen()->availableGeometry().contains(console.frameGeometry()));
    QVERIFY(!program.Pane().accessibleName().isEmpty() &&
            !program.Pane().accessibleDescription().isEmpty());
    QCOMPARE(QAccessible::queryAccessibleInterface(&console)->role(), QAccessible::Window);
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 5), QPoint(5, 5));
    const QStringList menu =
        TextsOfWhatOpens([&] { QCoreApplication::sendEvent(program.Pane().viewport(), &click); });
    const QString keys = menu.join('|').remove(QRegularExpression("[^|]*\t"));
    QVERIFY2(keys.contains("Ctrl+Shift+C|") && keys.contains("Ctrl+Shift+V|") &&
                 !keys.contains(QRegularExpression("(^|\\|)Ctrl\\+[ACV](\\||$)")),
             qPrintable(keys));
  }
};

}  // namespace morlett::testing

QTEST_MAIN(morlett::testing::ConsoleTest)
#include "console_test.moc"
