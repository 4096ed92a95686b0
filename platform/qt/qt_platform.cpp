#include "platform/qt/qt_platform.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
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

QtPlatform::QtPlatform(Form1Window& window, std::function<void(const RunEnd&)> runEnded,
                       std::function<void()> endProgram)
    : window_(window), runEnded_(std::move(runEnded)), endProgram_(std::move(endProgram)) {}

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
  WindowGone();
}

void QtPlatform::WindowGone() {
  if (std::exchange(windowGone_, true)) return HangUpAndEnd();
  if (runs_.empty()) return EndOnce();
  if (console_) console_->OutliveProgram();
}

// Closing the terminals hangs up the tools; one that ignores it must not keep a program with no
// window alive, so the program ends without waiting. Tools that end meanwhile are still reaped.
void QtPlatform::HangUpAndEnd() {
  if (console_) console_->HangUp();
  DropConsoleLater();
  EndOnce();
}

void QtPlatform::EndOnce() {
  if (!std::exchange(ended_, true)) endProgram_();
}

void QtPlatform::DropConsoleLater() {
  QTimer::singleShot(0, &deferred_, [this] { console_.reset(); });
}

void QtPlatform::Reaped(const RunEnd& end) {
  runs_[end.run].end = end;
  TellIfEnded(end.run);
}

void QtPlatform::OutputEnded(RunId run) {
  runs_[run].outputOpen = false;
  TellIfEnded(run);
}

// A run's end is told after all its output, and the program ends after the last run's end.
void QtPlatform::TellIfEnded(RunId run) {
  const auto ending = runs_.find(run);
  if (!ending->second.end || ending->second.outputOpen) return;
  const RunEnd end = *ending->second.end;
  runs_.erase(ending);
  runEnded_(end);
  if (!runs_.empty() || !windowGone_) return;
  DropConsoleLater();
  EndOnce();
}

// The console window is built and shown once the main window has first been drawn.
bool QtPlatform::AllocateConsole() {
  if (console_) return false;  // the program already has one
  console_ =
      ProgramConsole::Open({[this](RunId run) { OutputEnded(run); }, [this] { HangUpAndEnd(); }});
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
  if (runs_.empty()) DropConsoleLater();
}

std::optional<std::string> QtPlatform::BrowseForFolder(const FolderRequest& request) {
  return RunFolderDialog(WidgetOf(request.owner), request);
}

std::optional<std::string> QtPlatform::ShowFileDialog(const FileDialogRequest& request) {
  return RunFileDialog(WidgetOf(request.owner), request);
}

ToolSearchPlaces QtPlatform::SearchPlaces() {
  const char* path = std::getenv("PATH");
  return {{}, path ? path : "", ""};
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
  if (console_ && !(terminal = console_->OpenTerminal())) return FailedStart(errno);
  const Spawned spawned =
      StartDetached(request.program, request.arguments, terminal ? terminal->Path() : "");
  if (spawned.error != 0) return FailedStart(spawned.error);
  const RunId run = tools_.Watch(spawned.process);
  runs_[run].outputOpen = terminal.has_value();
  if (terminal) console_->Attach(run, std::move(*terminal));
  return {StartOutcome::Started, {}, run};
}

void QtPlatform::WriteRunEnd(RunId run, std::string_view line) {
  if (console_) console_->WriteRunEnd(run, line);
}

// Only when none of the program's windows is the one the user works in.
void QtPlatform::AskForAttention() {
  if (QApplication::activeWindow()) return;
  QWidget* console = console_ ? console_->Window() : nullptr;
  QApplication::alert(windowGone_ && console ? console : &window_);
}

// The longest part that exists as the system resolves it (symbolic links, "..", "."), and the
// rest as written, each "." and ".." taken by the letter; no separator at the end.
std::string QtPlatform::CanonicalPath(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code error;
  fs::path absolute = fs::absolute(path, error);
  fs::path canonical = fs::weakly_canonical(absolute, error);
  if (error) canonical = absolute.lexically_normal();
  std::string text = canonical.string();
  while (text.size() > 1 && text.back() == '/') text.pop_back();
  return text;
}

}  // namespace morlett::qt
