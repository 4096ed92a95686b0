// Reads back what the stand-in tool recorded: one argument list per run, in run order.
#pragma once

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace morlett::testing {

using ArgumentList = std::vector<std::string>;

inline std::vector<ArgumentList> ReadStandInLog(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  std::vector<ArgumentList> runs;
  std::size_t pos = 0;
  while (text.compare(pos, 5, "argc ") == 0) {
    const std::size_t count = std::stoul(text.substr(pos + 5));
    pos = text.find('\n', pos) + 1;
    ArgumentList arguments;
    for (std::size_t i = 0; i < count; ++i) {
      const std::size_t colon = text.find(':', pos);
      const std::size_t length = std::stoul(text.substr(pos, colon - pos));
      arguments.push_back(text.substr(colon + 1, length));
      pos = colon + 1 + length + 1;
    }
    runs.push_back(std::move(arguments));
  }
  return runs;
}

}  // namespace morlett::testing
