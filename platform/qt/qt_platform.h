// The platform operations on a Linux desktop with Qt: fields are the window's line edits,
// the console is a window showing a pseudo-terminal per run, and tools start with posix_spawn.
#pragma once

#include <functional>
#include <memory>

#include "platform/platform.h"
#include "platform/qt/console_window.h"
#include "platform/qt/process_start.h"

namespace morlett::qt {

class Form1Window;

class QtPlatform final : public Platform {
 public:
  // `endProgram` ends the program; it runs once the main window has gone and no tool it
  // started is still running.
  QtPlatform(Form1Window& window, std::function<void()> endProgram);
  ~QtPlatform() override;

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
  bool IsRunning(RunId run) override;

  // The main window has gone, closed or ended: the program lasts while its tools run, and the
  // console with it, as a console lives while a program is attached to it.
  void WindowGone();

  // The console while the program has one.
  ProgramConsole* Console() const { return console_.get(); }

 protected:
  std::string FieldText(Control field) override;
  void SetFieldText(Control field, std::string_view text) override;

 private:
  // The console, when `console` is the handle of its open output.
  ProgramConsole* ConsoleWithOutput(ConsoleHandle console) const;
  void LastToolEnded();

  Form1Window& window_;
  std::function<void()> endProgram_;
  std::unique_ptr<ProgramConsole> console_;
  ToolProcesses tools_{[this] { LastToolEnded(); }};
  bool windowGone_ = false;
};

}  // namespace morlett::qt
