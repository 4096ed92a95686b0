// Any bytes, cut into reads anywhere, show the same text as when read whole, and what is
// kept stays within its limits.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "console/terminal_text.h"

namespace {

constexpr morlett::TerminalLimits kSmallLimits{.scrollbackLines = 8, .lineColumns = 16};

void CheckBounded(const morlett::TerminalText& text) {
  if (text.FinishedLines().size() > kSmallLimits.scrollbackLines) std::abort();
  // A character takes at most four bytes in UTF-8.
  for (const auto& line : text.FinishedLines()) {
    if (line.size() > 4 * kSmallLimits.lineColumns) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // The first byte chooses the size of the pieces the rest is read in.
  const std::size_t piece = 1 + data[0] % 7;
  const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);

  morlett::TerminalText whole(kSmallLimits);
  whole.Feed(bytes);
  morlett::TerminalText pieces(kSmallLimits);
  for (std::size_t at = 0; at < bytes.size(); at += piece) pieces.Feed(bytes.substr(at, piece));

  if (whole.Text() != pieces.Text()) std::abort();
  CheckBounded(whole);
  return 0;
}
