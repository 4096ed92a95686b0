// Start to first painted window, and the memory resident once the start is over: the program
// as it runs, against a minimal Qt program that shows one empty window of the same size. Both
// are this binary started again, so both load the same libraries.
#include <QApplication>
#include <QLabel>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "measure.h"
#include "modes.h"
#include "platform/qt/qt_program.h"

namespace morlett::bench {
namespace {

constexpr int kChildTimeoutSeconds = 60;

// Watches the windows a start shows, the first of them the one the user waits for. A window
// counts as painted once the first paint in it has been dealt with in full: the paint events
// of the window and its children, and whatever the event that caused them went on to do (the
// flush to the screen). Reports when the first window was painted, and the peak memory once all
// were, and ends the process at once.
class PaintWatch final : public QApplication {
 public:
  using QApplication::QApplication;
  void Watch(std::vector<const QWidget*> windows) {
    first_ = windows.front();
    unpainted_ = std::move(windows);
  }

  bool notify(QObject* receiver, QEvent* event) override {
    ++depth_;
    if (event->type() == QEvent::Paint) painting_.push_back(WindowOf(receiver));
    const bool handled = QApplication::notify(receiver, event);
    if (--depth_ == 0) TakePainted();
    return handled;
  }

 private:
  static const QObject* WindowOf(const QObject* receiver) {
    const auto* widget = qobject_cast<const QWidget*>(receiver);
    return widget ? widget->window() : receiver;
  }

  void TakePainted() {
    for (const QObject* painted : painting_) {
      const auto window = std::find(unpainted_.begin(), unpainted_.end(), painted);
      if (window == unpainted_.end()) continue;
      if (painted == first_) firstPaintedAt_ = MonotonicNanoseconds();
      unpainted_.erase(window);
    }
    painting_.clear();
    if (unpainted_.empty() && firstPaintedAt_ != 0) ReportAndExit();
  }

  [[noreturn]] void ReportAndExit() const {
    std::printf("%lld %ld\n", static_cast<long long>(firstPaintedAt_), PeakResidentKiB());
    std::fflush(stdout);
    std::_Exit(0);
  }

  const QObject* first_ = nullptr;
  std::vector<const QWidget*> unpainted_;
  std::vector<const QObject*> painting_;
  std::int64_t firstPaintedAt_ = 0;
  int depth_ = 0;
};

struct StartSample {
  double milliseconds = 0;
  double residentMiB = 0;
};

std::optional<StartSample> StartOnce(const char* kind) {
  const std::optional<ChildRun> run = RunSelf({"start-child", kind}, kChildTimeoutSeconds);
  if (!run) return std::nullopt;
  const std::vector<double> report = Numbers(run->output);  // painted at, peak KiB
  if (report.size() != 2) return std::nullopt;
  return StartSample{(report[0] - static_cast<double>(run->spawnedAt)) / 1e6, report[1] / 1024};
}

}  // namespace

int RunStartChild(const std::string& kind, int argc, char** argv) {
  PaintWatch application(argc, argv);
  if (kind == "morlett") {
    // As RunProgram builds it. The start shows the main window and the console.
    qt::ConfigureApplication();
    qt::QtProgram program([] { QCoreApplication::exit(0); });
    program.Start();  // paints nothing yet: that comes from the event loop
    application.Watch({&program.Window(), program.Platform().Console()});
    return QApplication::exec();
  }
  QWidget window;
  window.resize(qt::Form1Window::DesignSize());
  if (kind == "floor-text") new QLabel(QStringLiteral("Morlett Advanced"), &window);
  application.Watch({&window});
  window.show();
  return QApplication::exec();
}

// The floor is an empty window. The same window with one line of text shows how much of the
// difference is the font system's first use, which an empty window never pays.
int RunStartBench(int runs) {
  constexpr int kKinds = 3;
  const char* kinds[kKinds] = {"morlett", "floor", "floor-text"};
  std::vector<double> startMs[kKinds];
  std::vector<double> memoryMiB[kKinds];
  // The first round fills the page cache and is not counted; the order turns round so that
  // no side always follows another.
  for (int round = -1; round < runs; ++round) {
    for (int i = 0; i < kKinds; ++i) {
      const int kind = (round + 1 + i) % kKinds;
      const std::optional<StartSample> sample = StartOnce(kinds[kind]);
      if (!sample) {
        std::fprintf(stderr, "start-child %s: no first paint\n", kinds[kind]);
        return 1;
      }
      if (round < 0) continue;
      startMs[kind].push_back(sample->milliseconds);
      memoryMiB[kind].push_back(sample->residentMiB);
    }
  }
  PrintRow({"Start to first painted window", Median(startMs[0]), Median(startMs[1]), "ms", runs,
            Goal::AtMost, 1.15});
  PrintRow({"Start, against a window with one line of text", Median(startMs[0]), Median(startMs[2]),
            "ms", runs, Goal::None, 0, "for comparison"});
  PrintRow({"Peak memory after start", Median(memoryMiB[0]), Median(memoryMiB[1]), "MiB", runs,
            Goal::AtMost, 1.15});
  PrintRow({"Peak memory, against a window with one line of text", Median(memoryMiB[0]),
            Median(memoryMiB[2]), "MiB", runs, Goal::None, 0, "for comparison"});
  return 0;
}

}  // namespace morlett::bench
