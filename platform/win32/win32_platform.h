// The platform operations on Windows: each one translates into the very Windows call it is
// named after, and decides nothing.
#pragma once

#include <functional>
#include <vector>

#include "platform/platform.h"
#include "platform/win32/rez_dialog_record.h"
#include "platform/win32/win32_owners.h"

namespace morlett::win32 {

class Form1Window;

class Win32Platform final : public Platform {
 public:
  // How the program ends on Quit. The program ends its process; a test that runs Form1 in
  // its own process records the call instead.
  using EndFunction = std::function<void()>;
  static void EndProcessNow();

  // Where the console's output handle comes from: GetStdHandle. Windows does not refuse it
  // once a console is allocated, so a test stands in for it to see the refusal handled.
  using StdHandleFunction = HANDLE(WINAPI*)(DWORD which);

  explicit Win32Platform(EndFunction end = EndProcessNow,
                         StdHandleFunction stdHandle = GetStdHandle);

  // The window whose controls hold the fields and which owns every dialog.
  void AttachWindow(const Form1Window& window) { window_ = &window; }

  // Takes the Close command off the window menu of the console that AllocateConsole opened:
  // closing the console would end Morlett at once. Finding the console's window waits until
  // the console is up, so this is done last before Form1's window is shown.
  void RemoveConsoleCloseCommand() const;

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

  // How many started processes are still running; the handles of those that ended are closed.
  std::size_t RunningProcesses();

 protected:
  std::string FieldText(Control field) override;
  void SetFieldText(Control field, std::string_view text) override;

 private:
  struct StartedRun {
    RunId id;
    UniqueHandle process;
  };
  // Closes the handles of the processes that have ended, so that they never pile up.
  void ForgetEndedRuns();

  const Form1Window* window_ = nullptr;
  EndFunction end_;
  StdHandleFunction stdHandle_;
  bool consoleAllocated_ = false;
  RezDialogRecord rezDialogRecord_;
  std::vector<StartedRun> runs_;
  RunId lastRun_ = 0;
};

}  // namespace morlett::win32
