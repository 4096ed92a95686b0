#include "platform/qt/qt_program.h"

#include <QApplication>

#include "app/layout.h"
#include "platform/entry.h"

namespace morlett::qt {

QtProgram::QtProgram(std::function<void()> endProgram)
    : platform_(window_, std::move(endProgram)), form_(platform_) {
  window_.Attach(form_);
}

void QtProgram::Start() {
  form_.Load();
  window_.show();
  ShowConsoleBelowWindow();
}

// Both windows open at once; the console goes under the main window rather than over it. It
// is shown second, so that the window the user waits for is drawn first, and shown where it
// belongs rather than moved there.
void QtProgram::ShowConsoleBelowWindow() {
  if (ConsoleWindow* console = platform_.Console()) {
    console->move(window_.frameGeometry().bottomLeft() + QPoint(0, 1));
    console->show();
  }
}

void ConfigureApplication() {
  QApplication::setApplicationName(QString::fromUtf8(kAppTitle.data(), kAppTitle.size()));
  QApplication::setWindowIcon(BulbIcon());
}

}  // namespace morlett::qt

int morlett::RunProgram(int argc, char** argv) {
  QApplication application(argc, argv);
  qt::ConfigureApplication();
  qt::QtProgram program([] { QCoreApplication::exit(0); });
  program.Start();
  return QApplication::exec();
}
