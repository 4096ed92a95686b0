// The platform operations on a Linux desktop with Qt: fields are the window's line edits,
// the console is a window on a pseudo-terminal, and tools start with posix_spawnp.
#pragma once

#include <functional>
#include <memory>

#include "platform/platform.h"
#include "platform/qt/console_window.h"

namespace morlett::qt {

class Form1Window;

class QtPlatform final : public Platform {
 public:
  // `endProgram` ends the program at once; it is the one way out that skips Unload.
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

  // The console window while the program has one.
  ConsoleWindow* Console() const { return console_.get(); }

 protected:
  std::string FieldText(Control field) override;
  void SetFieldText(Control field, std::string_view text) override;

 private:
  // The console, when `console` is the handle of its open output.
  ConsoleWindow* ConsoleWithOutput(ConsoleHandle console) const;

  Form1Window& window_;
  std::function<void()> endProgram_;
  std::unique_ptr<ConsoleWindow> console_;
};

}  // namespace morlett::qt
