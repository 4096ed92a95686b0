#include "console/terminal_text.h"

#include <algorithm>
#include <utility>

namespace morlett {
namespace {

constexpr unsigned char kBackspace = 0x08;
constexpr unsigned char kTab = 0x09;
constexpr unsigned char kLineFeed = 0x0A;
constexpr unsigned char kCarriageReturn = 0x0D;
constexpr unsigned char kCancel = 0x18;
constexpr unsigned char kSubstitute = 0x1A;
constexpr unsigned char kEscape = 0x1B;
constexpr unsigned char kBell = 0x07;
constexpr unsigned char kDelete = 0x7F;
constexpr char32_t kReplacement = 0xFFFD;
constexpr std::size_t kTabWidth = 8;

bool IsContinuation(unsigned char byte) {
  return (byte & 0xC0) == 0x80;
}

// The smallest code point each sequence length may carry; anything below is an overlong form.
constexpr char32_t kLeastForLength[] = {0, 0, 0x80, 0x800, 0x10000};

bool IsValidCodePoint(char32_t code, int length) {
  const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
  return code >= kLeastForLength[length] && code <= 0x10FFFF && !surrogate;
}

void AppendUtf8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

std::string ToUtf8(const std::u32string& text) {
  std::string out;
  out.reserve(text.size());
  for (const char32_t code : text) AppendUtf8(out, code);
  return out;
}

}  // namespace

void Scrollback::Add(std::string line) {
  lines_.push_back(std::move(line));
  ++count_;
  if (lines_.size() > keep_) lines_.pop_front();
}

void StreamDecoder::Feed(std::string_view bytes) {
  for (const char byte : bytes) FeedByte(static_cast<unsigned char>(byte));
}

std::string StreamDecoder::Line() const {
  return ToUtf8(line_);
}

void StreamDecoder::End() {
  if (state_ == State::Text && pendingContinuations_ > 0) FlushMalformedUtf8();
  if (HasLine()) FinishLine();
}

void StreamDecoder::FinishLine() {
  finished_->Add(ToUtf8(line_));
  line_.clear();
  column_ = 0;
}

TerminalText::TerminalText(TerminalLimits limits)
    : limits_(limits), finished_(limits.scrollbackLines) {}

void TerminalText::Feed(StreamId stream, std::string_view bytes) {
  // A stream's decoder is made on its first bytes; try_emplace leaves an existing one be.
  streams_.try_emplace(stream, limits_.lineColumns, finished_).first->second.Feed(bytes);
}

void TerminalText::EndStream(StreamId stream) {
  const auto found = streams_.find(stream);
  if (found == streams_.end()) return;
  found->second.End();
  streams_.erase(found);
}

void TerminalText::EndStreamWithLine(StreamId stream, std::string_view line) {
  EndStream(stream);
  Feed(stream, line);  // decoded afresh, so nothing the stream left unfinished reaches it
  EndStream(stream);
}

std::vector<std::string> TerminalText::OpenLines() const {
  std::vector<std::string> lines;
  for (const auto& [id, stream] : streams_) {
    if (stream.HasLine()) lines.push_back(stream.Line());
  }
  return lines;
}

std::string TerminalText::Text() const {
  std::string text;
  for (const std::string& line : FinishedLines()) text.append(line).append("\n");
  const std::vector<std::string> open = OpenLines();
  for (std::size_t i = 0; i < open.size(); ++i) text.append(i ? "\n" : "").append(open[i]);
  return text;
}

void StreamDecoder::FeedByte(unsigned char byte) {
  if (state_ == State::Text) return TextByte(byte);
  if (state_ == State::ControlString) {
    if (byte == kBell || byte == kCancel || byte == kSubstitute) state_ = State::Text;
    if (byte == kEscape) state_ = State::ControlStringEscape;
    return;
  }
  if (state_ == State::ControlStringEscape) {
    // ESC \ ends the string; any other escape ends it and starts a sequence of its own.
    state_ = byte == '\\' ? State::Text : State::Escape;
    if (state_ == State::Escape) SequenceByte(byte);
    return;
  }
  SequenceByte(byte);
}

// A byte of an escape or control sequence. A control character still acts there, as on a
// terminal; cancel, substitute and a sequence's last byte end it.
void StreamDecoder::SequenceByte(unsigned char byte) {
  const bool ends = byte == kCancel || byte == kSubstitute ||
                    (state_ == State::EscapeIntermediate && byte >= 0x30) ||
                    (state_ == State::ControlSequence && byte >= 0x40 && byte <= 0x7E);
  if (byte == kEscape) {
    state_ = State::Escape;
  } else if (ends) {
    state_ = State::Text;
  } else if (byte < 0x20) {
    ControlByte(byte);
  } else if (state_ == State::Escape) {
    EscapeByte(byte);
  }
}

void StreamDecoder::EscapeByte(unsigned char byte) {
  switch (byte) {
    case '[':
      state_ = State::ControlSequence;
      break;
    case ']':  // operating system command
    case 'P':  // device control string
    case 'X':  // start of string
    case '^':  // privacy message
    case '_':  // application program command
      state_ = State::ControlString;
      break;
    default:
      // ESC, intermediates 0x20-0x2F, then one final byte; a lone ESC x is the short form.
      state_ = byte < 0x30 ? State::EscapeIntermediate : State::Text;
  }
}

void StreamDecoder::TextByte(unsigned char byte) {
  if (pendingContinuations_ > 0) {
    if (IsContinuation(byte)) return DecodeUtf8(byte);
    FlushMalformedUtf8();
  }
  if (byte == kEscape) {
    state_ = State::Escape;
  } else if (byte < 0x20 || byte == kDelete) {
    ControlByte(byte);
  } else if (byte < 0x80) {
    Put(byte);
  } else {
    DecodeUtf8(byte);
  }
}

void StreamDecoder::DecodeUtf8(unsigned char byte) {
  if (pendingContinuations_ > 0) {
    pendingCodePoint_ = (pendingCodePoint_ << 6) | (byte & 0x3F);
    if (--pendingContinuations_ == 0) {
      Put(IsValidCodePoint(pendingCodePoint_, pendingLength_) ? pendingCodePoint_ : kReplacement);
    }
    return;
  }
  if (byte >= 0xC2 && byte <= 0xDF) {
    pendingCodePoint_ = byte & 0x1F;
    pendingLength_ = 2;
  } else if (byte >= 0xE0 && byte <= 0xEF) {
    pendingCodePoint_ = byte & 0x0F;
    pendingLength_ = 3;
  } else if (byte >= 0xF0 && byte <= 0xF4) {
    pendingCodePoint_ = byte & 0x07;
    pendingLength_ = 4;
  } else {
    return Put(kReplacement);  // a stray continuation byte or a byte UTF-8 never uses
  }
  pendingContinuations_ = pendingLength_ - 1;
}

void StreamDecoder::FlushMalformedUtf8() {
  pendingContinuations_ = 0;
  Put(kReplacement);
}

void StreamDecoder::ControlByte(unsigned char byte) {
  switch (byte) {
    case kLineFeed:
      FinishLine();
      break;
    case kCarriageReturn:
      column_ = 0;
      break;
    case kBackspace:
      if (column_ > 0) --column_;
      break;
    case kTab:
      column_ = std::min((column_ / kTabWidth + 1) * kTabWidth, lineColumns_);
      if (line_.size() < column_) line_.resize(column_, U' ');
      break;
    default:
      break;  // bells and the rest show nothing
  }
}

void StreamDecoder::Put(char32_t character) {
  // The wrap waits for a character past the last column, so a full line then a line feed
  // does not leave an empty line behind.
  if (column_ >= lineColumns_) FinishLine();
  if (column_ < line_.size()) {
    line_[column_] = character;
  } else {
    line_.push_back(character);
  }
  ++column_;
}

}  // namespace morlett
