// The text a terminal would show for the output of several streams at once: what the console
// window's pane displays. Each stream (the program's own lines, and each run's output) is
// decoded on its own, and its lines join the shared scrollback only once finished, so no stream
// can break into another's line or leave another's text hidden. Bytes are taken as they arrive,
// in pieces of any size; the result does not depend on where a stream was cut.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace morlett {

struct TerminalLimits {
  std::size_t scrollbackLines = 10000;  // finished lines kept; the oldest go first
  std::size_t lineColumns = 1024;       // a longer line wraps, as on a terminal
};

// Which stream bytes belong to: the program's own, or a run's.
using StreamId = std::uint64_t;
inline constexpr StreamId kProgramStream = 0;

// The finished lines of every stream, in the order they were finished, the newest kept.
class Scrollback {
 public:
  explicit Scrollback(std::size_t keep) : keep_(keep) {}
  void Add(std::string line);
  const std::deque<std::string>& Lines() const { return lines_; }
  std::uint64_t Count() const { return count_; }

 private:
  std::size_t keep_;
  std::deque<std::string> lines_;
  std::uint64_t count_ = 0;
};

// One stream's decoding: its escape sequences, its UTF-8, and the line it is writing.
class StreamDecoder {
 public:
  StreamDecoder(std::size_t lineColumns, Scrollback& finished)
      : lineColumns_(lineColumns), finished_(&finished) {}

  void Feed(std::string_view bytes);
  // The line being written, in UTF-8.
  std::string Line() const;
  bool HasLine() const { return !line_.empty(); }
  // The stream has ended: a character cut short shows as U+FFFD, and the line is finished.
  void End();

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
  void SequenceByte(unsigned char byte);
  void TextByte(unsigned char byte);
  void EscapeByte(unsigned char byte);
  void ControlByte(unsigned char byte);
  void DecodeUtf8(unsigned char byte);
  void FlushMalformedUtf8();
  void Put(char32_t character);
  void FinishLine();

  std::size_t lineColumns_;
  Scrollback* finished_;
  State state_ = State::Text;
  std::u32string line_;
  std::size_t column_ = 0;
  // A UTF-8 sequence still waiting for its continuation bytes.
  char32_t pendingCodePoint_ = 0;
  int pendingContinuations_ = 0;
  int pendingLength_ = 0;
};

class TerminalText {
 public:
  explicit TerminalText(TerminalLimits limits = {});
  // Each stream's decoder writes into this one's scrollback, so it stays where it was made.
  TerminalText(const TerminalText&) = delete;
  TerminalText& operator=(const TerminalText&) = delete;
  ~TerminalText() = default;

  // Takes the next bytes of one stream's output, the program's own when none is named. Line
  // feed ends the line, carriage return goes back to its start so that what follows overwrites
  // it, backspace steps back one character, tab moves to the next multiple of 8. Escape
  // sequences and other control characters show nothing. Malformed UTF-8 shows as U+FFFD.
  void Feed(std::string_view bytes) { Feed(kProgramStream, bytes); }
  void Feed(StreamId stream, std::string_view bytes);
  // The stream has ended: its unfinished line is finished as it stands, and a sequence it left
  // unfinished ends with it. Bytes fed to it later start afresh.
  void EndStream(StreamId stream);
  // Puts a whole line of the program's own, after everything `stream` has shown, which ends.
  void EndStreamWithLine(StreamId stream, std::string_view line);

  // The finished lines still kept, oldest first, in UTF-8.
  const std::deque<std::string>& FinishedLines() const { return finished_.Lines(); }
  // How many lines have been finished since the start, including those no longer kept.
  std::uint64_t FinishedCount() const { return finished_.Count(); }
  // The lines being written, one for each stream that has one, oldest stream first. They show
  // below the finished lines, each on its own line, until finished.
  std::vector<std::string> OpenLines() const;
  // Everything shown: the finished lines, each followed by a line feed, then the open lines
  // separated by line feeds.
  std::string Text() const;

 private:
  TerminalLimits limits_;
  Scrollback finished_;
  std::map<StreamId, StreamDecoder> streams_;
};

}  // namespace morlett
