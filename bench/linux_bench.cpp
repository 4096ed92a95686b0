// The Linux build's benchmarks, run by tools/bench.sh and tools/soak.sh: `start <runs>` starts
// itself again for every run, so that the program and its floors load the same libraries;
// `starts|flood|resizes <count>` is one soak run (count MB for the flood), printing its row.
#include <unistd.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <set>

#include "measure.h"
#include "platform/qt/qt_application.h"
#include "platform/qt/qt_program.h"

namespace morlett::bench {
namespace {

namespace fs = std::filesystem;

// A window counts as painted once its first paint has been dealt with in full: the paint events
// of the window and its children, and whatever the event that caused them went on to do (the
// flush to the screen). Reports when the first window was painted, and the peak memory once
// all of the start's `windows` were.
class PaintWatch final : public QApplication {
 public:
  PaintWatch(int& argc, char** argv, std::size_t windows)
      : QApplication(argc, argv), windows_(windows) {}

  bool notify(QObject* receiver, QEvent* event) override {
    ++depth_;
    const auto* widget = qobject_cast<const QWidget*>(receiver);
    if (event->type() == QEvent::Paint && widget) painted_.insert(widget->window());
    const bool handled = QApplication::notify(receiver, event);
    if (--depth_ > 0 || painted_.empty()) return handled;
    if (firstPaintedMs_ == 0) firstPaintedMs_ = MillisecondsSinceStarted();
    if (painted_.size() >= windows_)
      ReportAndEnd({firstPaintedMs_, static_cast<double>(PeakMemoryKiB()) / 1024});
    return handled;
  }

 private:
  std::size_t windows_;
  std::set<const QWidget*> painted_;
  double firstPaintedMs_ = 0;
  int depth_ = 0;
};

int StartChild(const std::string& kind, int argc, char** argv) {
  alarm(120);               // one that never paints ends, rather than holding up the benchmark
  if (kind == "morlett") {  // as RunProgram builds it: the main window, then the console
    PaintWatch application(argc, argv, 2);
    qt::ConfigureApplication();
    qt::QtProgram program([] {});
    program.Start();
    return QApplication::exec();
  }
  PaintWatch application(argc, argv, 1);
  QWidget window;
  window.resize(qt::Form1Window::DesignSize());
  if (kind == "text") new QLabel(QStringLiteral("Morlett Advanced"), &window);
  window.show();
  return QApplication::exec();
}

int StartBench(int runs) {
  const auto medians = Alternate({{"/proc/self/exe", "start-child", "morlett"},
                                  {"/proc/self/exe", "start-child", "empty"},
                                  {"/proc/self/exe", "start-child", "text"}},
                                 runs);
  if (medians) PrintStartRows((*medians)[0], (*medians)[1], (*medians)[2], runs);
  return medians ? 0 : 1;
}

// The state letter of each child, 'Z' for a zombie; one that ends meanwhile is passed over.
std::string ChildStates() {
  std::string states;
  for (const auto& task : fs::directory_iterator("/proc/self/task")) {
    std::ifstream children(task.path() / "children");
    for (pid_t child = 0; children >> child;) {
      std::string stat;
      std::getline(std::ifstream("/proc/" + std::to_string(child) + "/stat"), stat);
      const std::size_t name = stat.rfind(')');  // the name may hold anything but this
      if (name != std::string::npos && name + 2 < stat.size()) states += stat[name + 2];
    }
  }
  return states;
}

// The program as a user starts it, the stand-in recording its runs, until both its windows, the
// main window and the console, are up; and the soak runs on it.
class QtRun final : public SoakRun {
 public:
  QtRun(int& argc, char** argv) : application_(argc, argv) {
    SetLog(folder_.filePath("runs.log").toStdString());
    qputenv("STAND_IN_LOG", QByteArray::fromStdString(Log()));
    qputenv("PATH", STAND_IN_DIR ":" + qgetenv("PATH"));
    qt::ConfigureApplication();
    program_.Start();
    wake_.start(1);  // the loop comes round every millisecond, whatever else happens
    WaitFor([] {
      return std::ranges::count_if(QApplication::topLevelWidgets(), &QWidget::isVisible) > 1;
    });
  }

  // The console keeps a bounded scrollback (10,000 lines of up to 1024 columns, as text and in
  // its pane), and memory grows while it fills. The first half of the flood fills it many times
  // over, so memory must not grow in the second half, however large the scrollback.
  bool Flood(int megabytes) {
    FloodWhileUsed(megabytes * 500'000LL);
    WarmedUp();
    FloodWhileUsed(megabytes * 500'000LL);
    return Finish(std::to_string(megabytes) + " MB flood while the window is used", 4);
  }

 private:
  // The user types into two fields, resizes the window and back, and starts Create while the
  // tool floods the console: the event loop must keep coming round.
  void FloodWhileUsed(long long bytes) {
    const QSize design = window_.size();
    qputenv("STAND_IN_FLOOD", QByteArray::number(bytes));
    ClickLithrez();
    qunsetenv("STAND_IN_FLOOD");
    QTest::keyClicks(&window_.Field(Control::Text1), "typed.rez");
    QTest::keyClicks(&window_.Field(Control::Text2), "some folder");
    SetSize(design + QSize(120, 40));
    SetSize(design);
    QTest::mouseClick(&window_.Widget(Control::Command4), Qt::LeftButton);
    WaitFor([&] { return !ToolsRunning(); }, 900);
  }
  void SetSize(QSize size) {
    window_.resize(size);
    WaitFor([&] { return window_.size() == size; });
    window_.repaint();
  }
  void ClickLithrez() override {
    QTest::mouseClick(&window_.Widget(Control::Command9), Qt::LeftButton);
  }
  void ResizeTo(double fraction) override {
    const QSize tiny(1, 1), full = window_.screen()->availableGeometry().size();
    SetSize(tiny + (full - tiny) * fraction);
  }
  void Pump() override { QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents); }
  bool ToolsRunning() override { return ChildStates().find_first_not_of('Z') != std::string::npos; }
  int Held() override {
    return static_cast<int>(std::distance(fs::directory_iterator("/proc/self/fd"), {}));
  }
  int Zombies() override { return static_cast<int>(std::ranges::count(ChildStates(), 'Z')); }

  QApplication application_;
  QTemporaryDir folder_;
  qt::QtProgram program_{[] {}};
  qt::Form1Window& window_ = program_.Window();
  QTimer wake_;
};

}  // namespace
}  // namespace morlett::bench

int main(int argc, char** argv) {
  using namespace morlett::bench;
  const std::string mode = argc > 1 ? argv[1] : "", argument = argc > 2 ? argv[2] : "";
  const int count = CountOf(argument);
  if (mode == "start") return StartBench(count);
  if (mode == "start-child") return StartChild(argument, argc, argv);
  if (mode == "starts") return QtRun(argc, argv).Starts(count) ? 0 : 1;
  if (mode == "flood") return QtRun(argc, argv).Flood(count) ? 0 : 1;
  if (mode == "resizes") return QtRun(argc, argv).Resizes(count) ? 0 : 1;
  static_cast<void>(
      std::fputs("usage: morlett_bench start <runs> | starts|flood|resizes <count>\n", stderr));
  return 2;
}
