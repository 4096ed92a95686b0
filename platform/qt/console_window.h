// The program's console on a desktop without consoles: a window with a read-only pane that
// shows what is written to a pseudo-terminal. The started tools get the terminal as their
// standard streams; the program writes its banner to it too.
#pragma once

#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <string_view>

#include "console/terminal_text.h"
#include "platform/platform.h"
#include "platform/qt/pseudo_terminal.h"

class QPlainTextEdit;
class QSocketNotifier;

namespace morlett::qt {

class ConsoleWindow final : public QWidget {
 public:
  // Nothing when the system has no pseudo-terminal to give.
  static std::unique_ptr<ConsoleWindow> Open();
  ~ConsoleWindow() override;

  // What started tools get as standard input, output and error.
  int ToolTerminal() const { return terminal_.ToolSide(); }

  // The program's own output on the terminal; 0 when it cannot be opened.
  ConsoleHandle OpenOutput();
  ConsoleHandle Output() const;
  void CloseOutput();

  // Writes through the terminal, after the tools' output that arrived before it. Never waits
  // for the reader, and shows the window again if the user closed it.
  void WriteFromProgram(std::string_view text);

  const TerminalText& Text() const { return text_; }
  QPlainTextEdit& Pane() const { return *pane_; }

 private:
  explicit ConsoleWindow(PseudoTerminal terminal);

  void ReadAvailable();
  void ScheduleRefresh();
  void Refresh();

  PseudoTerminal terminal_;
  UniqueFd output_;
  TerminalText text_;
  QPlainTextEdit* pane_;
  QSocketNotifier* reader_;
  QTimer refresh_;
  std::uint64_t linesShown_ = 0;  // finished lines already in the pane, counted from the start
  bool followingTheEnd_ = true;
  bool refreshing_ = false;
};

}  // namespace morlett::qt
