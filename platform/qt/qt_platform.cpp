#include "platform/qt/qt_platform.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QLineEdit>
#include <QMessageBox>
#include <cstdlib>

#include "platform/qt/file_dialogs.h"
#include "platform/qt/form1_window.h"
#include "platform/qt/process_start.h"
#include "platform/qt/qt_text.h"

namespace morlett::qt {
namespace {

QWidget* WidgetOf(WindowHandle handle) {
  return QWidget::find(static_cast<WId>(handle));
}

}  // namespace

QtPlatform::QtPlatform(Form1Window& window, std::function<void()> endProgram)
    : window_(window), endProgram_(std::move(endProgram)) {
  ReapChildrenAutomatically();
}

QtPlatform::~QtPlatform() = default;

std::string QtPlatform::FieldText(Control field) {
  return window_.Field(field).text().toStdString();
}

void QtPlatform::SetFieldText(Control field, std::string_view text) {
  window_.Field(field).setText(FromUtf8(text));
}

WindowHandle QtPlatform::OwnerWindow() {
  return static_cast<WindowHandle>(window_.winId());
}

void QtPlatform::ShowMessage(const MessageRequest& request) {
  const auto icon =
      request.icon == MessageIcon::Error ? QMessageBox::Critical : QMessageBox::NoIcon;
  QMessageBox box(icon, FromUtf8(request.title), FromUtf8(request.text), QMessageBox::Ok,
                  WidgetOf(request.owner));
  box.setWindowModality(Qt::WindowModal);
  box.exec();
}

void QtPlatform::EndProgram() {
  endProgram_();
}

// The console window is shown by the program's start, once the main window is.
bool QtPlatform::AllocateConsole() {
  if (console_) return false;  // the program already has one
  console_ = ConsoleWindow::Open();
  return console_ != nullptr;
}

ConsoleHandle QtPlatform::StandardOutput() {
  return console_ ? console_->OpenOutput() : 0;
}

ConsoleWindow* QtPlatform::ConsoleWithOutput(ConsoleHandle console) const {
  const bool open = console_ && console != 0 && console_->Output() == console;
  return open ? console_.get() : nullptr;
}

void QtPlatform::WriteConsoleText(ConsoleHandle console, std::string_view text) {
  if (ConsoleWindow* window = ConsoleWithOutput(console)) window->WriteFromProgram(text);
}

void QtPlatform::CloseConsoleHandle(ConsoleHandle console) {
  if (ConsoleWindow* window = ConsoleWithOutput(console)) window->CloseOutput();
}

void QtPlatform::FreeConsole() {
  console_.reset();
}

std::optional<std::string> QtPlatform::BrowseForFolder(const FolderRequest& request) {
  return RunFolderDialog(WidgetOf(request.owner), request);
}

std::optional<std::string> QtPlatform::ShowFileDialog(const FileDialogRequest& request) {
  return RunFileDialog(WidgetOf(request.owner), request);
}

ToolSearchPlaces QtPlatform::SearchPlaces() {
  const char* path = std::getenv("PATH");
  return {PathStyle::Posix, {}, path ? path : "", ""};
}

bool QtPlatform::IsProgramFile(const std::string& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
         ::access(path.c_str(), X_OK) == 0;
}

// A console tool has no window to minimise, so the show state has nothing to act on here.
StartResult QtPlatform::StartProgram(const StartRequest& request) {
  const int terminal = console_ ? console_->ToolTerminal() : kOwnStandardStreams;
  return StartDetached(request.program, request.arguments, terminal);
}

bool QtPlatform::IsRunning(RunId) {
  return false;
}

}  // namespace morlett::qt
