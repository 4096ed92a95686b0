// The text a terminal would show for a stream of program output: what the console window's
// pane displays. Bytes are taken as they arrive, in pieces of any size; the result does not
// depend on where the stream was cut.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

namespace morlett {

struct TerminalLimits {
  std::size_t scrollbackLines = 10000;  // finished lines kept; the oldest go first
  std::size_t lineColumns = 1024;       // a longer line wraps, as on a terminal
};

class TerminalText {
 public:
  explicit TerminalText(TerminalLimits limits = {});

  // Takes the next bytes of output. Line feed ends the line, carriage return goes back to
  // its start so that what follows overwrites it, backspace steps back one character, tab
  // moves to the next multiple of 8. Escape sequences and other control characters show
  // nothing. Malformed UTF-8 shows as U+FFFD.
  void Feed(std::string_view bytes);

  // The finished lines still kept, oldest first, in UTF-8.
  const std::deque<std::string>& FinishedLines() const { return finished_; }
  // How many lines have been finished since the start, including those no longer kept.
  std::uint64_t FinishedCount() const { return finishedCount_; }
  // The line being written, in UTF-8.
  std::string CurrentLine() const;
  // Everything shown: the finished lines and the current one, separated by line feeds.
  std::string Text() const;

 private:
  enum class State {
    Text,
    Escape,
    EscapeIntermediate,
    ControlSequence,
    ControlString,
    ControlStringEscape
  };

  void FeedByte(unsigned char byte);
  void TextByte(unsigned char byte);
  void EscapeByte(unsigned char byte);
  void ControlByte(unsigned char byte);
  void DecodeUtf8(unsigned char byte);
  void FlushMalformedUtf8();
  void Put(char32_t character);
  void FinishLine();

  TerminalLimits limits_;
  State state_ = State::Text;
  std::deque<std::string> finished_;
  std::uint64_t finishedCount_ = 0;
  std::u32string line_;
  std::size_t column_ = 0;
  // A UTF-8 sequence still waiting for its continuation bytes.
  char32_t pendingCodePoint_ = 0;
  int pendingContinuations_ = 0;
  int pendingLength_ = 0;
};

}  // namespace morlett
