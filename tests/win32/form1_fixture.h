// The real Form1 in its real window, in the test's own process, for the suites that drive it:
// fields set and read, buttons clicked, messages run, and the stand-in tool's log read back.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/layout.h"
#include "dialog_driver.h"
#include "platform/win32/win32_program.h"
#include "support/stand_in_log.h"
#include "win32_test_support.h"

namespace morlett::testing {

// The folder of the stand-in lithrez.exe, made absolute before any dialog moves the current
// directory.
const std::string& StandInFolder();

// The main of a test program whose one argument is the stand-in's folder.
int RunTestsWithStandIn(int argc, char** argv);

bool HasTextStartingWith(const DialogSeen& seen, std::string_view start);

// The text of the dialog's control that starts with `start`, or nothing.
std::optional<std::string> TextStartingWith(const DialogSeen& seen, std::string_view start);

// True while a stand-in started by this process is still running.
bool ToolRunning();

// Drops the quit message a closed window leaves behind: it would end the next dialog's loop.
void DropQuitMessage();

class Form1Fixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  HWND Window() const { return program->Window().Handle(); }
  HWND ControlWindow(Control control) const { return program->Window().ControlWindow(control); }

  std::string Text(Control field) const;
  void SetText(Control field, const std::string& text) const;
  void Click(Control button) const { SendMessageA(ControlWindow(button), BM_CLICK, 0, 0); }

  // Runs the thread's messages, through the window as the program's loop does, until `done`.
  template <class Done>
  bool PumpUntil(Done done, std::chrono::milliseconds limit = std::chrono::seconds(20)) {
    return morlett::testing::PumpUntil(
        done, [this](MSG& message) { win32::DispatchToWindow(program->Window(), message); }, limit);
  }

  // Runs the messages waiting now, paints among them.
  void RunPendingMessages() {
    MSG message{};
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      win32::DispatchToWindow(program->Window(), message);
    }
  }

  std::vector<ArgumentList> ToolRuns() const { return ReadStandInLog(log); }

  Rect OnClientArea(Control control) const;
  // The window's rectangle that gives it the client area `client`, keeping its frame.
  RECT FrameFor(Size client) const;
  void SetClientSize(Size client) const;
  LONG FontHeight() const;
  // Every control lies where the table puts it for the stretched design size.
  void ExpectTableLayout(int dpi, double stretchX, double stretchY) const;

  ScratchFolder scratch;
  const std::string log = scratch.Path() + "\\stand-in.log";
  int ends = 0;
  std::optional<win32::Win32Program> program;
};

}  // namespace morlett::testing
