// Reads back what the stand-in tool recorded: one argument list per run, in run order.
#pragma once

#include <charconv>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace morlett::testing {

using ArgumentList = std::vector<std::string>;

namespace stand_in_log {

// The number from `pos` up to `end`, moving `pos` past `end`; nothing when the text stops first.
inline std::optional<std::size_t> NumberBefore(const std::string& text, std::size_t& pos,
                                               char end) {
  const std::size_t stop = text.find(end, pos);
  if (stop == std::string::npos) return std::nullopt;
  std::size_t value = 0;
  const auto [last, error] = std::from_chars(text.data() + pos, text.data() + stop, value);
  if (error != std::errc() || last != text.data() + stop) return std::nullopt;
  pos = stop + 1;
  return value;
}

// The run recorded at `pos`, moving `pos` past it; nothing when it is not all there yet.
inline std::optional<ArgumentList> ReadRun(const std::string& text, std::size_t& pos) {
  if (text.compare(pos, 5, "argc ") != 0) return std::nullopt;
  std::size_t at = pos + 5;
  const std::optional<std::size_t> count = NumberBefore(text, at, '\n');
  if (!count) return std::nullopt;
  ArgumentList arguments;
  for (std::size_t i = 0; i < *count; ++i) {
    const std::optional<std::size_t> length = NumberBefore(text, at, ':');
    if (!length || at + *length >= text.size()) return std::nullopt;
    arguments.push_back(text.substr(at, *length));
    at += *length + 1;
  }
  pos = at;
  return arguments;
}

}  // namespace stand_in_log

// A run that a stand-in is still writing is not read, so the log can be read at any time.
inline std::vector<ArgumentList> ReadStandInLog(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  std::vector<ArgumentList> runs;
  std::size_t pos = 0;
  while (std::optional<ArgumentList> run = stand_in_log::ReadRun(text, pos)) {
    runs.push_back(std::move(*run));
  }
  return runs;
}

}  // namespace morlett::testing
