// The whole program but its event loop: Form1's window, the platform under it and Form1.
#pragma once

#include <functional>

#include "app/form1.h"
#include "platform/qt/form1_window.h"
#include "platform/qt/qt_platform.h"

namespace morlett::qt {

class QtProgram {
 public:
  // `endProgram` is what Quit does: the real program leaves its event loop at once.
  explicit QtProgram(std::function<void()> endProgram);

  // Raises Load, then opens the window and, under it, the console.
  void Start();

  Form1Window& Window() { return window_; }
  QtPlatform& Platform() { return platform_; }
  morlett::Form1& Form() { return form_; }

 private:
  void ShowConsoleBelowWindow();

  Form1Window window_;
  QtPlatform platform_;
  morlett::Form1 form_;
};

// What the application is called and the icon its windows carry, set once before any window.
void ConfigureApplication();

}  // namespace morlett::qt
