// Reads back what the stand-in tool recorded: one argument list per run, in run order.
#pragma once

#include <charconv>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace morlett::testing {

using ArgumentList = std::vector<std::string>;

// Each run is "argc N\n" and then N times "<length>:<bytes>\n". A run that a stand-in is still
// writing is not read, so the log can be read at any time.
inline std::vector<ArgumentList> ReadStandInLog(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  std::size_t at = 0;
  // The number from `at` up to `end`, moving `at` past `end`; false when the text stops first.
  const auto number = [&](char end, std::size_t& value) {
    const std::size_t stop = text.find(end, at);
    if (stop == std::string::npos) return false;
    const auto [last, error] = std::from_chars(text.data() + at, text.data() + stop, value);
    at = stop + 1;
    return error == std::errc() && last == text.data() + stop;
  };
  std::vector<ArgumentList> runs;
  for (std::size_t count = 0, start = 0; text.compare(start, 5, "argc ") == 0; start = at) {
    at = start + 5;
    if (!number('\n', count)) break;
    ArgumentList arguments;
    for (std::size_t length = 0; arguments.size() < count; at += length + 1) {
      if (!number(':', length) || at + length >= text.size()) return runs;
      arguments.push_back(text.substr(at, length));
    }
    runs.push_back(std::move(arguments));
  }
  return runs;
}

}  // namespace morlett::testing
