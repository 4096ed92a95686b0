// The program's console on a desktop without consoles. Each run gets a terminal of its own,
// and one window shows them all, with the program's own lines; keys typed into it go to the
// tools, as in a console. Each run's output is decoded on its own, so no run can hide or break
// into another's lines.
#pragma once

#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string_view>

#include "console/terminal_text.h"
#include "platform/platform.h"
#include "platform/qt/pseudo_terminal.h"

class QPlainTextEdit;

namespace morlett::qt {

class ConsoleWindow;

// What the console tells the program.
struct ConsoleEvents {
  // A run's terminal has been read to its end and closed: every holder had closed it.
  std::function<void(RunId)> outputEnded;
  // The user closed the console window after the main window had gone.
  std::function<void()> closedAfterProgram;
};

class ProgramConsole {
 public:
  // Nothing when the system has no pseudo-terminal to give.
  static std::unique_ptr<ProgramConsole> Open(ConsoleEvents events);
  ~ProgramConsole();
  ProgramConsole(const ProgramConsole&) = delete;
  ProgramConsole& operator=(const ProgramConsole&) = delete;

  // A fresh terminal for a run, already as large as the pane; nothing, with errno set, when the
  // system has none to give.
  std::optional<PseudoTerminal> OpenTerminal() const;
  // Shows a started run's output from now on. The terminal is read until every holder has
  // closed it, and then closed.
  void Attach(RunId run, PseudoTerminal terminal);

  // The program's own output, written straight into the window ahead of the run it marks.
  ConsoleHandle OpenOutput();
  ConsoleHandle Output() const;
  void CloseOutput();
  // Shows the window again if the user closed it, without taking the keyboard.
  void WriteFromProgram(std::string_view text);
  // Closes a run's output with the program's line, after all of it; also once the program's
  // own output has been closed.
  void WriteRunEnd(RunId run, std::string_view line);

  // What is typed goes to the newest run whose terminal is still open; Ctrl+C to every one,
  // as a console interrupts every program attached to it.
  void Type(std::string_view bytes) const;
  void Interrupt() const;
  // Tells every run's terminal the pane's size in characters; tools get SIGWINCH.
  void SetTerminalSize(TerminalSize size);

  // The main window has gone while tools still run: the console stays for them, and says so.
  void OutliveProgram();
  bool Outlived() const { return outlived_; }
  // Closes every run's terminal, which hangs up the tools, as closing a terminal does.
  void HangUp();
  // The user closed the window.
  void Closed() const;

  // The window, built the first time it is asked for, and only then.
  ConsoleWindow& BuiltWindow();
  ConsoleWindow* Window() const { return window_.get(); }
  const TerminalText& Text() const { return text_; }

 private:
  struct RunTerminal;

  explicit ProgramConsole(ConsoleEvents events);
  void Read(RunId run);
  void ShowChanges(bool showWindow);

  ConsoleEvents events_;
  TerminalText text_;
  std::map<RunId, RunTerminal> runs_;  // oldest first
  TerminalSize size_;
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
  // Follows the pane's size, in characters, with every run's terminal.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Refresh();
  QString FinishedText(std::uint64_t from, std::uint64_t to) const;
  QString OpenText() const;

  ProgramConsole& console_;
  QPlainTextEdit* pane_;
  QTimer refresh_;
  // The finished lines in the pane, counted from the start: from the first up to the last.
  std::uint64_t firstShown_ = 0;
  std::uint64_t linesShown_ = 0;
  int openLinesShown_ = 0;  // the pane's last lines, which show the lines being written
  bool followingTheEnd_ = true;
  bool refreshing_ = false;
};

}  // namespace morlett::qt
