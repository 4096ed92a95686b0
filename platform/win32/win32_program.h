// One run of the program on Windows: the platform, Form1 and its window, wired together. The
// program's entry runs it in its own process; the end-to-end test runs it inside the test.
#pragma once

#include <windows.h>

#include "app/form1.h"
#include "platform/win32/form1_window.h"
#include "platform/win32/win32_platform.h"

namespace morlett::win32 {

class Win32Program {
 public:
  explicit Win32Program(Win32Platform::EndFunction end = Win32Platform::EndProcessNow,
                        Win32Platform::StdHandleFunction stdHandle = GetStdHandle);

  // Makes the window, raises Load before the window is first shown, then shows it.
  bool Start(int showCommand);

  Win32Platform& Platform() { return platform_; }
  Form1& Form() { return form_; }
  const Form1& Form() const { return form_; }
  const Form1Window& Window() const { return window_; }

 private:
  ComApartment com_;  // first made, last gone: it outlives every COM object the others hold
  Win32Platform platform_;
  Form1 form_{platform_};
  Form1Window window_{form_, platform_, com_};
};

// Hands one message on, letting the window act on Tab and the other dialog keys first.
void DispatchToWindow(const Form1Window& window, MSG& message);

// Runs the event loop until the window is gone, and returns the program's exit code.
int RunMessageLoop(const Form1Window& window);

}  // namespace morlett::win32
