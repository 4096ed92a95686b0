// The platform operations on a Linux desktop with Qt: fields are the window's line edits,
// the console is a window showing a pseudo-terminal per run, and tools start with posix_spawn.
#pragma once

#include <QObject>
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "platform/platform.h"
#include "platform/qt/console_window.h"
#include "platform/qt/process_start.h"

namespace morlett::qt {

class Form1Window;

class QtPlatform final : public Platform {
 public:
  // `runEnded` is told of each run's end once all its output is shown. `endProgram` ends the
  // program; it runs once the main window has gone and no tool it started is still running, or
  // at once when the user insists.
  QtPlatform(Form1Window& window, std::function<void(const RunEnd&)> runEnded,
             std::function<void()> endProgram);
  ~QtPlatform() override;
  QtPlatform(const QtPlatform&) = delete;
  QtPlatform& operator=(const QtPlatform&) = delete;

  WindowHandle OwnerWindow() override;
  void ShowMessage(const MessageRequest& request) override;
  void EndProgram() override;
  bool AllocateConsole() override;
  ConsoleHandle StandardOutput() override;
  void WriteConsoleText(ConsoleHandle console, std::string_view text) override;
  void CloseConsoleHandle(ConsoleHandle console) override;
  void FreeConsole() override;
  std::optional<std::string> BrowseForFolder(const FolderRequest& request) override;
  std::optional<std::string> ShowFileDialog(const FileDialogRequest& request) override;
  ToolSearchPlaces SearchPlaces() override;
  bool IsProgramFile(const std::string& path) override;
  StartResult StartProgram(const StartRequest& request) override;
  void WriteRunEnd(RunId run, std::string_view line) override;
  void AskForAttention() override;
  PathStyle SystemPathStyle() override { return PathStyle::Posix; }
  std::string CanonicalPath(const std::string& path) override;

  // The main window has gone, closed or ended: the program lasts while its tools run, and the
  // console with it, as a console lives while a program is attached to it. Said again once it
  // has gone, it hangs up the tools and ends the program at once.
  void WindowGone();
  bool IsWindowGone() const { return windowGone_; }

  // The console while the program has one.
  ProgramConsole* Console() const { return console_.get(); }

 protected:
  std::string FieldText(Control field) override;
  void SetFieldText(Control field, std::string_view text) override;

 private:
  // What is known of a run's end: the tool's status, once reaped, and whether its output has
  // all been read. The run has ended once both are in.
  struct Ending {
    std::optional<RunEnd> end;
    bool outputOpen = false;
  };

  // The console, when `console` is the handle of its open output.
  ProgramConsole* ConsoleWithOutput(ConsoleHandle console) const;
  void Reaped(const RunEnd& end);
  void OutputEnded(RunId run);
  void TellIfEnded(RunId run);
  void HangUpAndEnd();
  void EndOnce();
  // The console goes once the event loop is back: it may be emitting now.
  void DropConsoleLater();

  Form1Window& window_;
  std::function<void(const RunEnd&)> runEnded_;
  std::function<void()> endProgram_;
  std::unique_ptr<ProgramConsole> console_;
  std::map<RunId, Ending> runs_;
  ToolProcesses tools_{[this](const RunEnd& end) { Reaped(end); }};
  bool windowGone_ = false;
  bool ended_ = false;
  QObject deferred_;  // the context of calls put off to the event loop; declared last: goes first
};

}  // namespace morlett::qt
