#include "platform/qt/qt_program.h"

#include <QApplication>
#include <QEvent>
#include <QScreen>
#include <QTimer>
#include <utility>

#include "app/layout.h"
#include "platform/entry.h"
#include "platform/qt/qt_application.h"

namespace morlett::qt {
namespace {

Rect CoreRect(const QRect& rect) {
  return {rect.x(), rect.y(), rect.width(), rect.height()};
}

}  // namespace

// Tells the program when its window is first painted, and when a close has taken it away.
class QtProgram::WindowWatch final : public QObject {
 public:
  WindowWatch(QWidget& window, std::function<void()> firstPainted, std::function<void()> closed)
      : window_(window), firstPainted_(std::move(firstPainted)), closed_(std::move(closed)) {}

 protected:
  bool eventFilter(QObject* /*watched*/, QEvent* event) override {
    if (event->type() == QEvent::Paint && firstPainted_) {
      QTimer::singleShot(0, this, std::exchange(firstPainted_, nullptr));  // once it is drawn
    }
    // The window decides whether it takes the close; once it has, it is hidden.
    if (event->type() == QEvent::Close) {
      QTimer::singleShot(0, this, [this] {
        if (window_.isHidden()) closed_();
      });
    }
    return false;
  }

 private:
  QWidget& window_;
  std::function<void()> firstPainted_;
  std::function<void()> closed_;
};

QtProgram::QtProgram(std::function<void()> endProgram)
    : platform_(
          window_, [this](const RunEnd& end) { form_.RunEnded(end); }, std::move(endProgram)),
      form_(platform_),
      watch_(std::make_unique<WindowWatch>(
          window_, [this] { ShowConsoleBelowWindow(); }, [this] { platform_.WindowGone(); })) {
  window_.Attach(form_);
  // The program decides when it ends, which may be after its window has closed.
  window_.setAttribute(Qt::WA_QuitOnClose, false);
  window_.installEventFilter(watch_.get());
}

QtProgram::~QtProgram() = default;

void QtProgram::Start() {
  form_.Load();
  window_.show();
}

// The console is built only once the window the user waits for has been drawn, and goes under
// it rather than over it, or wherever on the screen it fits: shown where it belongs rather
// than moved there. Its frame is taken to be like the main window's, which is known by now.
void QtProgram::ShowConsoleBelowWindow() {
  ProgramConsole* console = platform_.Console();
  if (!console) return;
  ConsoleWindow& window = console->BuiltWindow();
  const QRect mainFrame = window_.frameGeometry(), mainClient = window_.geometry();
  const QMargins frame(mainClient.left() - mainFrame.left(), mainClient.top() - mainFrame.top(),
                       mainFrame.right() - mainClient.right(),
                       mainFrame.bottom() - mainClient.bottom());
  const QSize wanted = window.size().grownBy(frame);
  const Rect placed = ConsolePlacement(CoreRect(mainFrame), {wanted.width(), wanted.height()},
                                       CoreRect(window_.screen()->availableGeometry()));
  window.setGeometry(
      QRect(placed.left, placed.top, placed.width, placed.height).marginsRemoved(frame));
  window.show();
}

// As the close box does; once the window has gone, a second signal hangs up the tools and ends
// the program.
void QtProgram::CloseWindow() {
  if (platform_.IsWindowGone()) return platform_.WindowGone();
  window_.close();
}

}  // namespace morlett::qt

int morlett::RunProgram(int argc, char** argv) {
  const std::unique_ptr<QApplication> application = qt::OpenApplication(argc, argv);
  qt::ConfigureApplication();
  qt::QtProgram program([] { QCoreApplication::exit(0); });
  program.Start();
  return QApplication::exec();
}
