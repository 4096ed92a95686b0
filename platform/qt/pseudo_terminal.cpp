#include "platform/qt/pseudo_terminal.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>

namespace morlett::qt {
namespace {

std::optional<std::string> TerminalPath(int master) {
  std::array<char, 128> path{};
  if (grantpt(master) != 0 || unlockpt(master) != 0) return std::nullopt;
  if (const int error = ptsname_r(master, path.data(), path.size()); error != 0) {
    errno = error;
    return std::nullopt;
  }
  return std::string(path.data());
}

// Everything typed is UTF-8, so erasing a character takes all of its bytes.
void EraseWholeCharacters(int master) {
  termios settings{};
  if (tcgetattr(master, &settings) != 0) return;
  settings.c_iflag |= IUTF8;
  // Without it a letter is erased a byte at a time; the terminal works all the same.
  static_cast<void>(tcsetattr(master, TCSANOW, &settings));
}

}  // namespace

std::optional<PseudoTerminal> PseudoTerminal::Open(TerminalSize size) {
  UniqueFd master(posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK));
  if (!master) return std::nullopt;
  std::optional<std::string> path = TerminalPath(master.get());
  if (!path) return std::nullopt;
  EraseWholeCharacters(master.get());
  PseudoTerminal terminal(std::move(master), std::move(*path));
  terminal.Resize(size);
  return terminal;
}

PseudoTerminal::PseudoTerminal(UniqueFd master, std::string path)
    : master_(std::move(master)), path_(std::move(path)) {}

void PseudoTerminal::Type(std::string_view bytes) const {
  while (!bytes.empty()) {
    const ssize_t written = ::write(master_.get(), bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
}

void PseudoTerminal::Resize(TerminalSize size) const {
  const winsize characters{
      .ws_row = size.rows, .ws_col = size.columns, .ws_xpixel = 0, .ws_ypixel = 0};
  // A terminal that takes no size keeps its last one, which leaves tools' lines too long or
  // short, and nothing worse.
  ioctl(master_.get(), TIOCSWINSZ, &characters);
}

}  // namespace morlett::qt
