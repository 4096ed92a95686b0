// The whole program but its event loop: Form1's window, the platform under it and Form1.
#pragma once

#include <functional>
#include <memory>

#include "app/form1.h"
#include "platform/qt/close_signals.h"
#include "platform/qt/form1_window.h"
#include "platform/qt/qt_platform.h"

namespace morlett::qt {

class QtProgram {
 public:
  // `endProgram` ends the program: the real one leaves its event loop. It runs once the main
  // window has gone, by its close box, Quit or a signal, and no tool it started still runs.
  explicit QtProgram(std::function<void()> endProgram);
  ~QtProgram();
  QtProgram(const QtProgram&) = delete;
  QtProgram& operator=(const QtProgram&) = delete;

  // Raises Load, then opens the window; the console window follows its first paint.
  void Start();

  Form1Window& Window() { return window_; }
  QtPlatform& Platform() { return platform_; }
  morlett::Form1& Form() { return form_; }

 private:
  class WindowWatch;

  void ShowConsoleBelowWindow();
  void CloseWindow();

  Form1Window window_;
  QtPlatform platform_;
  morlett::Form1 form_;
  std::unique_ptr<WindowWatch> watch_;
  CloseSignals signals_{[this] { CloseWindow(); }};
};

}  // namespace morlett::qt
