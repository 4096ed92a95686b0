// The core's quoting against Windows itself: a quoted command line, split by the real
// CommandLineToArgvW, gives back exactly the fields.
#include <windows.h>

#include <shellapi.h>

#include <gtest/gtest.h>

#include <random>

#include "commands/command_line.h"
#include "support/hard_fields.h"

namespace morlett::testing {
namespace {

// As Windows reads it: invalid UTF-8 becomes U+FFFD.
std::wstring Wide(std::string_view text) {
  std::wstring wide(text.size(), L'\0');
  wide.resize(MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                  wide.data(), static_cast<int>(wide.size())));
  return wide;
}

std::vector<std::wstring> SplitByWindows(const std::string& commandLine) {
  int count = 0;
  wchar_t** split = CommandLineToArgvW(Wide(commandLine).c_str(), &count);
  std::vector<std::wstring> arguments(split, split + count);
  LocalFree(split);
  return arguments;
}

std::string RandomField(std::mt19937& random) {
  static constexpr std::string_view kPieces[] = {"a", "b", " ", "\\", "\"", "\t", "é"};
  std::uniform_int_distribution<std::size_t> length(0, 12), pick(0, std::size(kPieces) - 1);
  std::string field;
  for (std::size_t n = length(random); n > 0; --n) field += kPieces[pick(random)];
  return field;
}

// Each hard field last on a line, where a trailing backslash matters; all on one line; and
// 2000 pairs of the characters the quoting rules treat specially, in any order.
TEST(CommandLineToArgvW, SplitsQuotedFieldsBackIntoTheFields) {
  const std::vector<std::string> hard(std::begin(kHardFields), std::end(kHardFields));
  std::vector<std::vector<std::string>> cases = {hard};
  for (const std::string& field : hard) cases.push_back({"v", field});
  std::mt19937 random(20240611);
  for (int i = 0; i < 2000; ++i) cases.push_back({RandomField(random), RandomField(random)});
  for (const std::vector<std::string>& fields : cases) {
    std::vector<std::wstring> expected{L"lithrez"};
    for (const std::string& field : fields) expected.push_back(Wide(field));
    const std::string line = JoinCommandLine("lithrez", fields, PathStyle::Windows);
    EXPECT_EQ(SplitByWindows(line), expected) << "command line: " << line;
  }
}

}  // namespace
}  // namespace morlett::testing
