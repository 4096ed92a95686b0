#include "platform/qt/pseudo_terminal.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <array>

namespace morlett::qt {
namespace {

// Tools that ask how wide their terminal is get the classic size.
constexpr winsize kTerminalSize{.ws_row = 25, .ws_col = 80, .ws_xpixel = 0, .ws_ypixel = 0};

std::optional<std::string> TerminalPath(int master) {
  std::array<char, 128> path{};
  if (grantpt(master) != 0 || unlockpt(master) != 0) return std::nullopt;
  if (ptsname_r(master, path.data(), path.size()) != 0) return std::nullopt;
  return std::string(path.data());
}

}  // namespace

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

UniqueFd::~UniqueFd() {
  if (fd_ >= 0) ::close(fd_);
}

std::optional<PseudoTerminal> PseudoTerminal::Open() {
  UniqueFd master(posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK));
  if (!master) return std::nullopt;
  const std::optional<std::string> path = TerminalPath(master.get());
  if (!path) return std::nullopt;
  // Held open for the console's whole life, so the reader never sees the terminal hang up
  // between two tool runs.
  UniqueFd terminal(::open(path->c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
  if (!terminal) return std::nullopt;
  ioctl(master.get(), TIOCSWINSZ, &kTerminalSize);
  return PseudoTerminal(std::move(master), std::move(terminal), *path);
}

PseudoTerminal::PseudoTerminal(UniqueFd master, UniqueFd terminal, std::string terminalPath)
    : master_(std::move(master)),
      terminal_(std::move(terminal)),
      terminalPath_(std::move(terminalPath)) {}

UniqueFd PseudoTerminal::OpenWriter() const {
  return UniqueFd(::open(terminalPath_.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC | O_NONBLOCK));
}

}  // namespace morlett::qt
