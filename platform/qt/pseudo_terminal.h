// One run's pseudo-terminal: the console window reads one side, and the started tool gets the
// other as its controlling terminal. Each run has a fresh one, so that nothing a tool does to
// its terminal (stopping its output, raw mode) reaches the next run.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/qt/unique_fd.h"

namespace morlett::qt {

// A terminal's size in characters.
struct TerminalSize {
  unsigned short columns = 80;
  unsigned short rows = 25;
};

class PseudoTerminal {
 public:
  // A new terminal with the settings a new terminal has and the given size; nothing, with
  // errno set, when the system has none to give.
  static std::optional<PseudoTerminal> Open(TerminalSize size = {});

  // The console's side; it never blocks. Closing it hangs up the terminal.
  int Master() const { return master_.get(); }
  // The terminal's own path, which the tool opens as its controlling terminal.
  const std::string& Path() const { return path_; }
  // Sends what was typed; the terminal's line discipline echoes and edits it. What does not
  // fit the terminal's input buffer is dropped, as a terminal drops keys nobody reads.
  void Type(std::string_view bytes) const;
  // Tells the terminal its new size; its foreground tools get SIGWINCH.
  void Resize(TerminalSize size) const;

 private:
  PseudoTerminal(UniqueFd master, std::string path);

  UniqueFd master_;
  std::string path_;
};

}  // namespace morlett::qt
