// The platform operations on Windows: each one translates into the very Windows call it is
// named after, and decides nothing.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/platform.h"
#include "platform/win32/rez_dialog_record.h"
#include "platform/win32/win32_owners.h"

namespace morlett::win32 {

class Form1Window;

// Posted to Form1's window, with the run's RunId as its wParam, when a started process has ended.
inline constexpr UINT kRunEndedMessage = WM_APP + 1;

class Win32Platform final : public Platform {
 public:
  // How the program ends on Quit. The program ends its process; a test that runs Form1 in
  // its own process records the call instead.
  using EndFunction = std::function<void()>;
  static void EndProcessNow();

  // Where the console's output handle comes from: GetStdHandle. Windows does not refuse it
  // once a console is allocated, so a test stands in for it to see the refusal handled.
  using StdHandleFunction = HANDLE(WINAPI*)(DWORD which);

  // `com` is the program's one COM apartment, which the dialogs enter when first shown.
  explicit Win32Platform(ComApartment& com, EndFunction end = EndProcessNow,
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
  void WriteRunEnd(RunId run, std::string_view line) override;
  void AskForAttention() override;
  PathStyle SystemPathStyle() override;
  std::string CanonicalPath(const std::string& path) override;

  // How an ended run ended, once its kRunEndedMessage has come; its process handle is then
  // closed. Nothing for a run not started here, or already taken.
  std::optional<RunEnd> TakeRunEnd(RunId run);
  // How many started processes are held: those running, and those whose end is not yet taken.
  std::size_t RunningProcesses() const { return runs_.size(); }

 protected:
  std::string FieldText(Control field) override;
  void SetFieldText(Control field, std::string_view text) override;

 private:
  // A process the system waits on for the program, which is told when it ends.
  struct StartedRun {
    RunId id;
    HWND told;  // Form1's window
    UniqueHandle process;
    UniqueWait wait;  // let go first, while the process handle is still open
  };
  static void CALLBACK TellRunEnded(void* run, BOOLEAN timedOut);

  ComApartment& com_;
  const Form1Window* window_ = nullptr;
  EndFunction end_;
  StdHandleFunction stdHandle_;
  bool consoleAllocated_ = false;
  RezDialogRecord rezDialogRecord_;
  std::vector<std::unique_ptr<StartedRun>> runs_;  // each where the system's wait points
  RunId lastRun_ = 0;
};

}  // namespace morlett::win32
