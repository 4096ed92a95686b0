#include "platform/qt/qt_platform.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QLineEdit>
#include <QMessageBox>
#include <cerrno>
#include <cstdlib>
#include <utility>

#include "platform/qt/file_dialogs.h"
#include "platform/qt/form1_window.h"
#include "platform/qt/qt_text.h"

namespace morlett::qt {
namespace {

QWidget* WidgetOf(WindowHandle handle) {
  return QWidget::find(static_cast<WId>(handle));
}

}  // namespace

QtPlatform::QtPlatform(Form1Window& window, std::function<void()> endProgram)
    : window_(window), endProgram_(std::move(endProgram)) {}

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

// The window goes at once, without a close, so Unload does not run.
void QtPlatform::EndProgram() {
  window_.hide();
}

void QtPlatform::WindowGone() {
  if (std::exchange(windowGone_, true)) return;
  if (!tools_.Any()) return endProgram_();
  if (console_) console_->OutliveProgram();
}

void QtPlatform::LastToolEnded() {
  if (!windowGone_) return;
  console_.reset();
  endProgram_();
}

// The console window is built and shown once the main window has first been drawn.
bool QtPlatform::AllocateConsole() {
  if (console_) return false;  // the program already has one
  console_ = ProgramConsole::Open();
  return console_ != nullptr;
}

ConsoleHandle QtPlatform::StandardOutput() {
  return console_ ? console_->OpenOutput() : 0;
}

ProgramConsole* QtPlatform::ConsoleWithOutput(ConsoleHandle console) const {
  const bool open = console_ && console != 0 && console_->Output() == console;
  return open ? console_.get() : nullptr;
}

void QtPlatform::WriteConsoleText(ConsoleHandle console, std::string_view text) {
  if (ProgramConsole* open = ConsoleWithOutput(console)) open->WriteFromProgram(text);
}

void QtPlatform::CloseConsoleHandle(ConsoleHandle console) {
  if (ProgramConsole* open = ConsoleWithOutput(console)) open->CloseOutput();
}

// Tools still running keep the console, as a console stays while programs are attached to it.
void QtPlatform::FreeConsole() {
  if (!tools_.Any()) console_.reset();
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

// A console tool has no window to minimise, so the show state has nothing to act on here. With
// a console, each run gets a fresh terminal of its own; without one, the program's streams.
StartResult QtPlatform::StartProgram(const StartRequest& request) {
  std::optional<PseudoTerminal> terminal;
  if (console_ && !(terminal = PseudoTerminal::Open())) return FailedStart(errno);
  const Spawned spawned =
      StartDetached(request.program, request.arguments, terminal ? terminal->Path() : "");
  if (spawned.error != 0) return FailedStart(spawned.error);
  if (terminal) console_->Attach(std::move(*terminal));
  return {StartOutcome::Started, {}, tools_.Watch(spawned.process)};
}

bool QtPlatform::IsRunning(RunId run) {
  return tools_.IsRunning(run);
}

}  // namespace morlett::qt
