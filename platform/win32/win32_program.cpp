#include "platform/win32/win32_program.h"

#include <commctrl.h>

#include "platform/entry.h"

namespace morlett::win32 {

Win32Program::Win32Program(Win32Platform::EndFunction end,
                           Win32Platform::StdHandleFunction stdHandle)
    : platform_(com_, std::move(end), stdHandle) {
  platform_.AttachWindow(window_);
}

bool Win32Program::Start(int showCommand) {
  // The window comes first, to own Load's messages. The console that Load opens starts up
  // while the controls are made, and the window is shown once it is up, above it.
  if (!window_.Create()) return false;
  form_.Load();
  // Loads the themed controls that the manifest asks for, and the tooltips.
  const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                      ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  if (!window_.CreateControls()) return false;
  platform_.RemoveConsoleCloseCommand();
  ShowWindow(window_.Handle(), showCommand);
  UpdateWindow(window_.Handle());
  return true;
}

void DispatchToWindow(const Form1Window& window, MSG& message) {
  if (window.HandleDialogKeys(message)) return;
  TranslateMessage(&message);
  DispatchMessageA(&message);
}

int RunMessageLoop(const Form1Window& window) {
  MSG message{};
  while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchToWindow(window, message);
  return static_cast<int>(message.wParam);
}

}  // namespace morlett::win32

namespace morlett {

// The program reads no command-line arguments of its own.
int RunProgram(int, char**) {
  win32::Win32Program program;
  if (!program.Start(SW_SHOWDEFAULT)) return 1;
  return win32::RunMessageLoop(program.Window());
}

}  // namespace morlett
