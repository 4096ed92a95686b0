// The Linux window as a user meets it, with Qt's own dialogs on the offscreen platform and the
// stand-in lithrez first on PATH; what goes wrong around it; and long runs of what a user does
// many times, after which nothing may pile up.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <ranges>

#include "commands/command_line.h"
#include "platform/qt/qt_program.h"
#include "support/stand_in_log.h"

namespace morlett::testing {

using C = Control;
namespace fs = std::filesystem;
constexpr int kToolTimeoutMs = 60000;
// Growth that a leak of ten kilobytes per operation would exceed, and the settling of the
// allocator and of the toolkit's caches would not. A check for leaks, not a measurement.
constexpr long kMemoryMarginKiB = 8 * 1024;

// The program, started as a user starts it, with a Quit that is only recorded.
struct StartedProgram {
  explicit StartedProgram(bool start = true) {
    if (start) program.Start();
    QVERIFY(!start || QTest::qWaitForWindowExposed(&program.Window()));
  }
  QtProgram* operator->() { return &program; }
  QLineEdit& Field(Control field) { return program.Window().Field(field); }
  QString Text(Control field) { return Field(field).text(); }
  void Click(Control c) { QTest::mouseClick(&program.Window().Widget(c), Qt::LeftButton); }
  QString Pane() { return program.Platform().Console()->Pane().toPlainText(); }
  bool ended = false;
  QtProgram program{[this] { ended = true; }};
};

// Acts on modal dialogs as they come up, a step per dialog in order, each from an event of its
// own so that a dialog its action opens meets the next step; a dialog acted on is taken again
// only once that action has returned. After 20 s it closes whatever is modal: no test hangs.
class ModalDriver : public QObject {
 public:
  ModalDriver() { QTimer::singleShot(0, this, &ModalDriver::Poll); }
  template <typename Dialog>
  ModalDriver& Then(std::function<void(Dialog&)> act) {
    steps_.emplace_back(&Dialog::staticMetaObject,
                        [act](QWidget* modal) { act(*static_cast<Dialog*>(modal)); });
    return *this;
  }
  bool AllStepsTaken() const { return steps_.empty(); }

 private:
  void Poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (steps_.empty()) return;
    if (deadline_.hasExpired()) {
      for (; modal; modal = QApplication::activeModalWidget()) modal->close();
      return;
    }
    if (modal && modal->isVisible() && (modal != last_ || returned_) &&
        modal->metaObject()->inherits(steps_.front().first)) {
      last_ = modal;
      returned_ = false;
      QTimer::singleShot(0, modal, [this, modal, act = steps_.front().second] {
        act(modal);
        returned_ = true;
      });
      steps_.pop_front();
    }
    QTimer::singleShot(10, this, &ModalDriver::Poll);
  }
  std::deque<std::pair<const QMetaObject*, std::function<void(QWidget*)>>> steps_;
  QDeadlineTimer deadline_{20000};
  const QWidget* last_ = nullptr;
  bool returned_ = true;
};

// Answers the message box, if one comes, keeping its text; `plain` when it is as the design
// has it: titled "Morlett", no icon, only OK, modal to the window.
struct MessageCatcher : ModalDriver {
  explicit MessageCatcher(StartedProgram& program) {
    Then<QMessageBox>([this, &program](QMessageBox& box) {
      text = box.text();
      plain = box.windowTitle() == "Morlett" && box.icon() == QMessageBox::NoIcon &&
              box.buttons().size() == 1 && box.parentWidget() == &program->Window();
      box.button(QMessageBox::Ok)->click();
    });
  }
  QString text;
  bool plain = false;
};

// The stand-in tool's record of its runs, in a folder of the test's own.
struct StandInRecord {
  StandInRecord() { qputenv("STAND_IN_LOG", log.c_str()); }
  ~StandInRecord() { qunsetenv("STAND_IN_LOG"); }
  std::vector<ArgumentList> Runs() const { return ReadStandInLog(log); }
  QTemporaryDir dir;
  const std::string log = dir.filePath("runs.log").toStdString();
};

// The children of this process, which starts them from its main thread, zombies included.
std::vector<pid_t> Children() {
  std::ifstream file("/proc/self/task/" + std::to_string(getpid()) + "/children");
  return {std::istream_iterator<pid_t>(file), {}};
}

// The descriptors a process has open, each with what it refers to.
std::map<int, std::string> OpenFiles(const std::string& process = "self") {
  std::map<int, std::string> files;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator("/proc/" + process + "/fd", error)) {
    files[std::stoi(entry.path().filename())] = fs::read_symlink(entry.path(), error);
  }
  return files;
}

long ResidentKiB() {
  long pages = 0, resident = 0;
  std::ifstream("/proc/self/statm") >> pages >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Resizes, waits until the window has the size and is laid out for it, and paints it there.
bool ResizeTo(Form1Window& window, QSize size) {
  window.resize(size);
  const Rect image = ScaleLayout({size.width(), size.height()}, {714, 185})[C::Image1];
  const QRect box(image.left, image.top, image.width, image.height);
  const bool laidOut = QTest::qWaitFor(
      [&] { return window.size() == size && window.Widget(C::Image1).geometry() == box; });
  window.repaint();
  return laidOut;
}

// A tool button, its mode word, the fields it reads in order, and where it shows its line.
const struct ToolButton {
  Control button;
  ArgumentList words;
  std::vector<Control> inputs;
  Control shownIn;
} kToolButtons[] = {
    {C::Command4, {"cv"}, {C::Text1, C::Text2}, C::Text3},
    {C::Command6, {"xv"}, {C::Text4, C::Text5}, C::Text6},
    {C::Command8, {"v"}, {C::Text7}, C::Text8},
    {C::Command9, {}, {}, C::Text10},
};

class WindowTest : public QObject {
  Q_OBJECT

 public:
  static void initMain() {  // Qt's own dialogs, on a display of their own, whatever the desktop
    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  }

 private slots:
  // The long runs come first, in a fresh process, where no memory freed by other tests can
  // hide growth.
  // Fifty quick clicks at a time, so that fifty tools run at once, twenty times over. The
  // first half fills the console's scrollback, and its first large paint starts the toolkit's
  // painting threads, which keep descriptors of their own; the second half may add nothing.
  void thousandStartsFiftyAtOnceLeaveNothingBehind() {
    StandInRecord record;
    StartedProgram program;
    const auto batch = [&] {
      for (int i = 0; i < 50; ++i) program.Click(C::Command9);
      // An ended child that nobody reaped stays a child, as a zombie, so none may be left.
      return QTest::qWaitFor([] { return Children().empty(); }, kToolTimeoutMs);
    };
    for (int i = 0; i < 10; ++i) QVERIFY(batch());
    const std::map<int, std::string> settled = OpenFiles();
    const long settledKiB = ResidentKiB();
    for (int i = 0; i < 10; ++i) QVERIFY(batch());
    const std::map<int, std::string> now = OpenFiles();
    QVERIFY(std::ranges::equal(std::views::keys(now), std::views::keys(settled)));
    const long growth = ResidentKiB() - settledKiB;
    qInfo("starts: resident memory %+ld KiB over the last 500 starts", growth);
    QVERIFY2(growth < kMemoryMarginKiB, qPrintable(QString("%1 KiB more").arg(growth)));
    QCOMPARE(record.Runs().size(), 1000u);
  }

  // 200 MB pass while the window is used. A timer counts the event loop's rounds and takes the
  // memory at each, in the program's own kind of loop: QTest::qWaitFor sleeps between rounds.
  void floodWhileTheWindowIsUsedStaysResponsiveAndBounded() {
    StandInRecord record;
    StartedProgram program;
    const ConsoleWindow& console = *program->Platform().Console();
    int rounds = 0;
    const long residentBefore = ResidentKiB();
    long residentPeak = residentBefore;
    QEventLoop untilTheFloodEnds;
    QTimer everyRound;
    connect(&everyRound, &QTimer::timeout, [&] {
      if (Children().empty()) return untilTheFloodEnds.quit();
      ++rounds;
      residentPeak = std::max(residentPeak, ResidentKiB());
    });
    everyRound.start(10);
    qputenv("STAND_IN_FLOOD", "200000000");
    program.Click(C::Command9);
    qunsetenv("STAND_IN_FLOOD");
    QVERIFY(QTest::qWaitFor([&] { return console.Text().FinishedCount() > 1000; }));
    QTest::keyClicks(&program.Field(C::Text1), "typed.rez");
    QTest::keyClicks(&program.Field(C::Text2), "some folder");
    QVERIFY(ResizeTo(program->Window(), program->Window().size() + QSize(120, 40)));
    program.Click(C::Command4);
    QVERIFY(QTest::qWaitFor([&] { return record.Runs().size() == 2; }, kToolTimeoutMs));
    QVERIFY2(!Children().empty(), "the flood ended before the window had been used");
    QTimer::singleShot(240000, &untilTheFloodEnds, &QEventLoop::quit);
    untilTheFloodEnds.exec();
    QVERIFY(Children().empty());
    QCOMPARE(record.Runs().back(), ArgumentList({"cv", "typed.rez", "some folder"}));
    const long growth = residentPeak - residentBefore;
    qInfo("flood: the event loop came round %d times; memory at most %+ld KiB", rounds, growth);
    QVERIFY2(rounds >= 10, qPrintable(QString::number(rounds)));
    QVERIFY2(growth < 64 * 1024, qPrintable(QString("%1 KiB more").arg(growth)));  // not 200 MB
    QVERIFY(console.Text().FinishedLines().size() <= 2000);
    QVERIFY(console.Pane().blockCount() <= 2001);
    QVERIFY(console.Pane().document()->characterCount() <= 2001 * 1025);
  }

  // Doubling the window doubles every box, a pixel either way as edges are rounded at each
  // size, and grows every font. Then back and forth between a tiny window and the whole
  // screen, in steps, so that every font size on the way is met before memory is first taken.
  void resizingScalesEverythingAndThousandResizesKeepMemoryFlat() {
    StartedProgram program;
    Form1Window& window = program->Window();
    QCOMPARE(window.size(), QSize(714, 185));
    const auto placement = [&] {  // each control's box and font
      std::vector<std::pair<QRect, QFont>> all;
      for (const ControlEntry& entry : ControlTable()) {
        all.emplace_back(window.Widget(entry.id).geometry(), window.Widget(entry.id).font());
      }
      return all;
    };
    const auto design = placement();
    QVERIFY(ResizeTo(window, 2 * window.size()));
    const auto doubled = placement();
    const auto near = [](int twice, int once) { return std::abs(twice - 2 * once) <= 1; };
    for (std::size_t i = 0; i < design.size(); ++i) {
      const auto& [box, font] = doubled[i];
      const QRect was = design[i].first;
      QVERIFY2(near(box.left(), was.left()) && near(box.top(), was.top()) &&
                   near(box.width(), was.width()) && near(box.height(), was.height()) &&
                   font.pointSizeF() > 1.9 * design[i].second.pointSizeF(),
               ControlTable()[i].name.data());
    }
    const QSize full = window.screen()->availableGeometry().size() - QSize(1, 1);
    long settledKiB = 0;
    for (int resize = 0; resize < 1000; ++resize) {
      if (resize == 100) settledKiB = ResidentKiB();
      const int step = resize % 100;
      const double way = (step < 50 ? step : 100 - step) / 50.0;
      QVERIFY2(ResizeTo(window, QSize(1, 1) + full * way), qPrintable(QString::number(resize)));
    }
    const long growth = ResidentKiB() - settledKiB;
    qInfo("resizes: resident memory %+ld KiB over the last 900 resizes", growth);
    QVERIFY(ResizeTo(window, Form1Window::DesignSize()));
    QVERIFY(placement() == design);
    QVERIFY2(growth < kMemoryMarginKiB, qPrintable(QString("%1 KiB more").arg(growth)));
  }

  // Each case fills every field at once, each with a different text, so that one field's text
  // turning up in another's place shows. Every tool receives its fields as the quoting promises
  // (in UTF-8 as the toolkit converts them, up to any NUL), and the console shows the banner and
  // then the tool's lines.
  void toolButtonsPassEveryFieldExactly() {
    // First paths that broke front ends before, one per field in turn: spaces, trailing
    // backslashes, quotes, a leading dash, letters outside ASCII, and nothing at all.
    const QStringList paths = {"/home/me/My Archives/out.rez",
                               "C:\\dir with space\\",
                               "say \"hi\".rez",
                               "-leading-dash.rez",
                               "naïve/Ünïcødé ✓.rez",
                               "back\\\\\"slash",
                               ""};
    // Then long paths, control characters, surrogate halves alone, a NUL, invalid UTF-8.
    std::vector<std::function<QString(int)>> cases;  // the text of the i-th field
    for (int first = 0; first < paths.size(); ++first) {
      cases.push_back([&, first](int i) { return paths[(first + i) % paths.size()]; });
    }
    cases.push_back([](int i) { return "/" + QString(39999, QChar('a' + i)); });
    cases.push_back([](int i) { return QChar('a' + i) + QString("\nlf\rcr\ttab\x1b[31mesc\x7f"); });
    cases.push_back([](int i) { return QChar('a' + i) + QString(QChar(0xDC00)) + QChar(0xD800); });
    cases.push_back([](int i) { return QChar('a' + i) + QString("nul") + QChar(0) + "after"; });
    cases.push_back(nullptr);  // invalid UTF-8, set as bytes through the platform
    const std::string invalid = "\xff\xfe cut \xe2\x82 overlong \xc0\xaf surrogate \xed\xa0\x80";
    StandInRecord record;
    StartedProgram program;
    QString pane;  // each start: the banner, then the tool's lines
    const QString run =
        "Morlett v1.1 Advanced\nlithrez stand-in: %1 arguments\n"
        "progress 100%\nlithrez stand-in: done\n";
    for (const auto& text : cases) {
      std::map<Control, std::string> expected;
      for (const Control field : {C::Text1, C::Text2, C::Text4, C::Text5, C::Text7, C::Text9}) {
        const int i = static_cast<int>(expected.size());
        const std::string bytes = static_cast<char>('a' + i) + invalid;
        const QString given = text ? text(i) : QString::fromStdString(bytes);
        text ? program.Field(field).setText(given) : program->Platform().SetText(field, bytes);
        QCOMPARE(program.Text(field), given);
        expected[field] = given.toStdString().substr(0, given.toStdString().find('\0'));
      }
      for (const ToolButton& tool : kToolButtons) {
        ArgumentList arguments = tool.words;
        for (const Control field : tool.inputs) arguments.push_back(expected[field]);
        program.Click(tool.button);
        pane += run.arg(arguments.size());
        QVERIFY2(QTest::qWaitFor([&] { return program.Pane() == pane; }, kToolTimeoutMs),
                 qPrintable(program.Pane()));
        const QString shown = program.Text(tool.shownIn);
        QVERIFY2(record.Runs().back() == arguments, qPrintable(shown));
        arguments.insert(arguments.begin(), "lithrez");
        QVERIFY2(SplitCommandLine(shown.toStdString()) == arguments, qPrintable(shown));
      }
      for (const auto& [field, given] : expected) {
        const std::string held = program.Text(field).toStdString();
        QCOMPARE(held.substr(0, held.find('\0')), given);
      }
    }
    // Closing the console only hides it; two quick clicks show it again, with two banners.
    ConsoleWindow& console = *program->Platform().Console();
    console.close();
    QVERIFY(!console.isVisible() && program->Window().isVisible());
    program.Click(C::Command9);
    program.Click(C::Command9);
    QVERIFY(console.isVisible());
    const qsizetype runs = std::ssize(cases) * 4 + 2;
    QTRY_COMPARE_WITH_TIMEOUT(program.Pane().count("lithrez stand-in: done"), runs, kToolTimeoutMs);
    QCOMPARE(program.Pane().count("Morlett v1.1 Advanced\n"), runs);
    QCOMPARE(std::ssize(record.Runs()), runs);
  }

  // The console's terminal: a started tool gets it as its streams, in a session of its own, and
  // nothing else; closing the window runs Unload, which releases it; Quit does not.
  void consoleTerminalGoesToToolsUntilClosingReleasesIt() {
    StartedProgram program;
    const int careless = open("/dev/null", O_RDONLY);  // without close-on-exec
    QVERIFY(program->Platform().StartProgram("sleep 10", ShowState::MinimizedActive).Started());
    close(careless);
    QCOMPARE(Children().size(), 1u);
    const pid_t tool = Children().front();
    const std::string terminal = OpenFiles()[program->Platform().Console()->ToolTerminal()];
    QVERIFY(terminal.starts_with("/dev/pts/"));
    const std::map<int, std::string> streams = {{0, terminal}, {1, terminal}, {2, terminal}};
    QTRY_COMPARE(OpenFiles(std::to_string(tool)), streams);  // once its loader has closed its own
    QCOMPARE(getsid(tool), tool);
    kill(tool, SIGKILL);
    QTRY_VERIFY(Children().empty());
    QVERIFY(program->Window().close());
    QVERIFY(!program->Platform().Console() && !program.ended);
    QVERIFY(
        std::ranges::none_of(OpenFiles(), [](auto& f) { return f.second.starts_with("/dev/pt"); }));
    StartedProgram quit;
    quit.Click(C::Command10);
    QVERIFY(quit.ended && quit->Platform().Console() && quit->Platform().Console()->Output());
  }

  void tabWalksTheTableOrderAndSkipsText10() {
    StartedProgram program;
    program->Window().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&program->Window()));
    program->Window().Widget(TabOrder().front()).setFocus();
    QStringList walked = {QApplication::focusWidget()->objectName()};
    for (std::size_t i = 0; i < TabOrder().size() - 1; ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      walked << QApplication::focusWidget()->objectName();
    }
    QStringList expected;
    for (const Control control : TabOrder()) {
      if (control != C::Text10) expected << QString::fromUtf8(EntryOf(control).name.data());
    }
    expected << expected.first();  // round again to the first
    QCOMPARE(walked, expected);
    QVERIFY(program.Field(C::Text10).isHidden());
    QCOMPARE(program.Text(C::Text10), "Text10");
  }

  // Names are typed without their extension: the dialog adds ".rez" before it looks.
  void dialogsPickCancelAndAsk() {
    QTemporaryDir folder;
    const QString existing = folder.filePath("old.rez"), missing = folder.filePath("missing.rez");
    QVERIFY(QDir(folder.path()).mkdir("picked") && QFile(existing).open(QIODevice::WriteOnly));
    StartedProgram program;
    program.Field(C::Text4).setText("typed.rez");
    QStringList seen, questions;  // each dialog's title; each question
    const auto enter = [&](const QString& name) {
      return std::function([&, name](QFileDialog& dialog) {
        QVERIFY(dialog.parentWidget() == &program->Window());
        const QString title = dialog.windowTitle();
        QCOMPARE(dialog.fileMode() == QFileDialog::Directory, title.contains("Directory"));
        QCOMPARE(dialog.acceptMode() == QFileDialog::AcceptSave, title.contains("Destination"));
        seen << title;
        if (name.isEmpty()) return dialog.reject();
        dialog.findChild<QLineEdit*>("fileNameEdit")->setText(folder.filePath(name));
        QTest::keyClick(dialog.findChild<QLineEdit*>("fileNameEdit"), Qt::Key_Return);
      });
    };
    const auto answer = [&](QMessageBox::StandardButton button) {
      return std::function([&, button](QMessageBox& box) {
        QCOMPARE(box.standardButtons(), QMessageBox::Yes | QMessageBox::No);
        questions << box.text();
        box.button(button)->click();
      });
    };
    ModalDriver driver;
    driver.Then(enter("picked")).Then(enter(""));             // Command1 twice
    driver.Then(enter("old")).Then(answer(QMessageBox::No));  // Command2
    driver.Then(enter("old")).Then(answer(QMessageBox::Yes));
    driver.Then(enter("missing")).Then(answer(QMessageBox::No));  // Command7
    driver.Then(enter("missing")).Then(answer(QMessageBox::Yes));
    driver.Then(enter(""));  // Command3
    for (const Control button : {C::Command1, C::Command1, C::Command2, C::Command7, C::Command3}) {
      program.Click(button);
    }
    QVERIFY(driver.AllStepsTaken());
    QCOMPARE(seen, QStringList({"Select Directory to Rez", "Select Directory to Rez",
                                "Destination for Rez File", "Destination for Rez File",
                                "Rez File to View", "Rez File to View", "Rez File to UnRez"}));
    QVERIFY2(questions.size() == 4 && questions.filter("old.rez").size() == 2 &&
                 questions.filter(missing).size() == 2,
             qPrintable(questions.join('|')));
    QCOMPARE(program.Text(C::Text2), folder.filePath("picked"));
    QCOMPARE(program.Text(C::Text1), existing);
    QCOMPARE(program.Text(C::Text7), missing);
    QCOMPARE(program.Text(C::Text4), "typed.rez");
    QVERIFY2(!QFile::exists(missing), "the program creates no files");
  }

  // Like a shell, the search for the tool goes on past a file it may not run, and fails with
  // the reason for the last such file only when nothing later on PATH can be run.
  void toolFailuresAreReportedAndTheProgramCarriesOn() {
    QTemporaryDir scratch;
    const QString directory = scratch.filePath("directory");
    const QString notExecutable = scratch.filePath("not-executable");
    QFile file(notExecutable + "/lithrez");
    QVERIFY(QDir().mkpath(directory + "/lithrez") && QDir().mkpath(notExecutable) &&
            file.open(QIODevice::WriteOnly) && file.setPermissions(QFile::ReadOwner));
    const QString tool = QFileInfo(QStandardPaths::findExecutable("lithrez")).absolutePath();
    const QString huge = "/" + QString(200000, 'h');  // Linux takes arguments of 128 KiB at most
    const QString cannot = "Couldn't start lithrez\n\n";
    const struct {
      const char* name;
      QStringList path;
      QString message = {};  // none where the tool started, and only failed
      QString input = "in.rez";
    } cases[] = {
        {"missing", {scratch.path()}, cannot + "No such file or directory"},
        {"not executable", {notExecutable}, cannot + "Permission denied"},
        {"a directory", {directory}, cannot + "Permission denied"},
        {"not executable, then the tool", {notExecutable, tool}},
        {"a directory, then the tool", {directory, tool}},
        {"failing at once", {tool}},
        {"too long", {tool}, cannot + "The command line is too long for this system.", huge},
    };
    for (const auto& test : cases) {
      StandInRecord record;
      StartedProgram program;
      program.Field(C::Text4).setText(test.input);
      program.Field(C::Text5).setText("out dir");
      const QByteArray path = qgetenv("PATH");
      qputenv("PATH", test.path.join(':').toUtf8());
      qputenv("STAND_IN_EXIT", "3");
      {
        const MessageCatcher catcher(program);
        program.Click(C::Command6);  // a failed start is known before the click returns
        QCOMPARE(catcher.text, test.message);
        QVERIFY2(catcher.plain || test.message.isEmpty(), test.name);
      }
      qputenv("PATH", path);
      qunsetenv("STAND_IN_EXIT");
      const std::size_t runs = test.message.isEmpty() ? 1 : 0;
      QVERIFY2(QTest::qWaitFor([&] { return record.Runs().size() == runs; }), test.name);
      QVERIFY2(!program.ended && program->Window().isVisible(), test.name);
      QCOMPARE(program.Text(C::Text4), test.input);
      QCOMPARE(program.Text(C::Text5), "out dir");
      QCOMPARE(program.Text(C::Text6), "lithrez xv " + test.input + " \"out dir\"");
      program.Click(C::Command9);  // and the next start, with the tool on PATH, goes ahead
      QVERIFY2(QTest::qWaitFor([&] { return record.Runs().size() == runs + 1; }), test.name);
      QVERIFY2(record.Runs().back().empty(), test.name);
    }
  }

  // The limit on open descriptors is lowered so that the terminal (two descriptors), and then
  // only the program's own writer on it (one more), cannot be had: the system refuses for real.
  void consoleRefusedStillStartsEveryTool() {
    { StartedProgram warmUp; }  // fonts and the like are loaded before descriptors run short
    for (const int left : {0, 2}) {
      StandInRecord record;
      StartedProgram program(false);
      {
        const MessageCatcher catcher(program);
        rlimit saved{};
        getrlimit(RLIMIT_NOFILE, &saved);
        std::vector<int> lowestFree;
        for (int i = 0; i <= left; ++i) lowestFree.push_back(dup(STDIN_FILENO));
        for (const int fd : lowestFree) close(fd);
        const rlimit lowered = {static_cast<rlim_t>(lowestFree.back()), saved.rlim_max};
        setrlimit(RLIMIT_NOFILE, &lowered);
        program->Start();
        setrlimit(RLIMIT_NOFILE, &saved);
        QCOMPARE(catcher.text, left ? "Couldn't allocate STDOUT" : "Couldn't allocate console");
        QVERIFY(catcher.plain);
      }
      QVERIFY(QTest::qWaitForWindowExposed(&program->Window()));
      QCOMPARE(program->Platform().Console() != nullptr, left > 0);
      for (const ToolButton& tool : kToolButtons) program.Click(tool.button);
      QTRY_VERIFY_WITH_TIMEOUT(record.Runs().size() == 4 && Children().empty(), kToolTimeoutMs);
      if (!left) continue;
      // Without the writer the tools still write into the console; only the banner is missing.
      QTRY_COMPARE(program.Pane().count("lithrez stand-in: done"), 4);
      QVERIFY(!program.Pane().contains("Morlett v1.1 Advanced"));
    }
  }
};

}  // namespace morlett::testing

QTEST_MAIN(morlett::testing::WindowTest)
#include "window_test.moc"
