// The pseudo-terminal under the console window: the window reads one side, and the started
// tools and the program's own banner write to the other, so both arrive in one stream.
#pragma once

#include <optional>
#include <string>
#include <utility>

namespace morlett::qt {

// Owns one file descriptor and closes it.
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept;
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd();

  int get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

class PseudoTerminal {
 public:
  // Nothing when the system has no pseudo-terminal to give.
  static std::optional<PseudoTerminal> Open();

  // The side the console window reads; it never blocks.
  int ReadSide() const { return master_.get(); }
  // The terminal itself, as the started tools get it for their standard streams.
  int ToolSide() const { return terminal_.get(); }
  // A writer of the program's own, on a descriptor of its own so that it can be non-blocking
  // without making the tools' writes fail. Invalid when it cannot be opened.
  UniqueFd OpenWriter() const;

 private:
  PseudoTerminal(UniqueFd master, UniqueFd terminal, std::string terminalPath);

  UniqueFd master_;
  UniqueFd terminal_;
  std::string terminalPath_;
};

}  // namespace morlett::qt
