// The platform operations on Windows: each one translates into the very Windows call it is
// named after, and decides nothing.
#pragma once

#include <functional>

#include "platform/platform.h"
#include "platform/win32/rez_dialog_record.h"

namespace morlett::win32 {

class Form1Window;

class Win32Platform final : public Platform {
 public:
  // How the program ends on Quit. The program ends its process; a test that runs Form1 in
  // its own process records the call instead.
  using EndFunction = std::function<void()>;
  static void EndProcessNow();

  explicit Win32Platform(EndFunction end = EndProcessNow);

  // The window whose controls hold the fields and which owns every dialog.
  void AttachWindow(const Form1Window& window) { window_ = &window; }

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
  StartResult StartProgram(std::string_view commandLine, ShowState show) override;

 protected:
  std::string FieldText(Control field) override;
  void SetFieldText(Control field, std::string_view text) override;

 private:
  const Form1Window* window_ = nullptr;
  EndFunction end_;
  RezDialogRecord rezDialogRecord_;
};

}  // namespace morlett::win32
