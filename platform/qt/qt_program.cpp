#include "platform/qt/qt_program.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <utility>

#include "platform/entry.h"
#include "platform/qt/qt_application.h"

namespace morlett::qt {

// Tells the program when its window is first painted, and when it goes: hidden by the program,
// not minimised by the desktop.
class QtProgram::WindowWatch final : public QObject {
 public:
  WindowWatch(std::function<void()> firstPainted, std::function<void()> gone)
      : firstPainted_(std::move(firstPainted)), gone_(std::move(gone)) {}

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint && firstPainted_) {
      QTimer::singleShot(0, this, std::exchange(firstPainted_, nullptr));  // once it is drawn
    }
    if (event->type() == QEvent::Hide && !event->spontaneous()) gone_();
    return false;
  }

 private:
  std::function<void()> firstPainted_;
  std::function<void()> gone_;
};

QtProgram::QtProgram(std::function<void()> endProgram)
    : platform_(window_, std::move(endProgram)),
      form_(platform_),
      watch_(std::make_unique<WindowWatch>([this] { ShowConsoleBelowWindow(); },
                                           [this] { platform_.WindowGone(); })) {
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
// it rather than over it: shown where it belongs rather than moved there.
void QtProgram::ShowConsoleBelowWindow() {
  if (ProgramConsole* console = platform_.Console()) {
    ConsoleWindow& window = console->BuiltWindow();
    window.move(window_.frameGeometry().bottomLeft() + QPoint(0, 1));
    window.show();
  }
}

// As the close box does; once the window has gone, a signal changes nothing: the tools still
// running finish.
void QtProgram::CloseWindow() {
  if (window_.isVisible()) window_.close();
}

}  // namespace morlett::qt

int morlett::RunProgram(int argc, char** argv) {
  const std::unique_ptr<QApplication> application = qt::OpenApplication(argc, argv);
  qt::ConfigureApplication();
  qt::QtProgram program([] { QCoreApplication::exit(0); });
  program.Start();
  return QApplication::exec();
}
