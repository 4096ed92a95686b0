// The program's console on a desktop without consoles. Each run gets a terminal of its own,
// and one window shows them all, with the program's banner, in the order things arrived; keys
// typed into it go to the tools, as in a console.
#pragma once

#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <list>
#include <memory>
#include <string_view>

#include "console/terminal_text.h"
#include "platform/platform.h"
#include "platform/qt/pseudo_terminal.h"

class QPlainTextEdit;

namespace morlett::qt {

class ConsoleWindow;

class ProgramConsole {
 public:
  // Nothing when the system has no pseudo-terminal to give.
  static std::unique_ptr<ProgramConsole> Open();
  ~ProgramConsole();

  // Shows a started run's output from now on. The terminal is read until every holder has
  // closed it, and then closed.
  void Attach(PseudoTerminal terminal);

  // The program's own output, written straight into the window ahead of the run it marks.
  ConsoleHandle OpenOutput();
  ConsoleHandle Output() const;
  void CloseOutput();
  // Shows the window again if the user closed it, without taking the keyboard.
  void WriteFromProgram(std::string_view text);

  // What is typed goes to the newest run whose terminal is still open; Ctrl+C to every one,
  // as a console interrupts every program attached to it.
  void Type(std::string_view bytes) const;
  void Interrupt() const;

  // The main window has gone while tools still run: the console stays for them, and says so.
  void OutliveProgram();
  bool Outlived() const { return outlived_; }
  // Closes every run's terminal, which hangs up the tools, as closing a terminal does.
  void HangUp();

  // The window, built the first time it is asked for, and only then.
  ConsoleWindow& BuiltWindow();
  ConsoleWindow* Window() const { return window_.get(); }
  const TerminalText& Text() const { return text_; }

 private:
  struct RunTerminal;
  using Runs = std::list<RunTerminal>;

  ProgramConsole() = default;
  void Read(Runs::iterator run);

  TerminalText text_;
  Runs runs_;  // oldest first
  bool outputOpen_ = false;
  bool outlived_ = false;
  std::unique_ptr<ConsoleWindow> window_;  // declared last: it goes first
};

class ConsoleWindow final : public QWidget {
 public:
  explicit ConsoleWindow(ProgramConsole& console);

  QPlainTextEdit& Pane() const { return *pane_; }
  void ScheduleRefresh();

 protected:
  // Only hides it while the main window is open; hangs up the tools once it has gone.
  void closeEvent(QCloseEvent* event) override;

 private:
  void Refresh();

  ProgramConsole& console_;
  QPlainTextEdit* pane_;
  QTimer refresh_;
  std::uint64_t linesShown_ = 0;  // finished lines already in the pane, counted from the start
  bool followingTheEnd_ = true;
  bool refreshing_ = false;
};

}  // namespace morlett::qt
