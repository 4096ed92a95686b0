// The core's quoting against Windows itself: a quoted command line, split by the real
// CommandLineToArgvW and received by a real program, gives back exactly the fields.
#include <windows.h>

#include <shellapi.h>

#include <random>

#include "commands/command_line.h"
#include "win32_test_support.h"

namespace morlett::testing {
namespace {

ArgumentList SplitByWindows(const std::string& commandLine) {
  std::wstring wide(commandLine.size() + 1, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, commandLine.c_str(), -1, wide.data(),
                      static_cast<int>(wide.size()));
  int count = 0;
  wchar_t** split = CommandLineToArgvW(wide.c_str(), &count);
  ArgumentList arguments;
  for (int i = 0; i < count; ++i) {
    std::string field(4 * wcslen(split[i]) + 1, '\0');
    field.resize(WideCharToMultiByte(CP_UTF8, 0, split[i], -1, field.data(),
                                     static_cast<int>(field.size()), nullptr, nullptr) -
                 1);
    arguments.push_back(field);
  }
  LocalFree(split);
  return arguments;
}

// Spaces, quotes and backslashes in every arrangement, empty fields, and what a shell would
// take for its own.
const ArgumentList kHardFields = {"C:\\My Dir\\",
                                  "\\\\server\\share\\",
                                  "",
                                  "say \"hi\".rez",
                                  "trailing\\\\",
                                  "a\\\\\"b",
                                  "tab\there",
                                  "#1 'quoted' -dash @file",
                                  "C:\\Mörlett ñ\\日本.rez",
                                  "\"",
                                  "  two leading blanks"};

// A field made of the characters that the quoting rules treat specially, in any order.
std::string RandomField(std::mt19937& random) {
  static constexpr std::string_view kPieces[] = {"a", "b", " ", "\\", "\"", "\t", "é"};
  std::uniform_int_distribution<std::size_t> length(0, 12), pick(0, std::size(kPieces) - 1);
  std::string field;
  for (std::size_t n = length(random); n > 0; --n) field += kPieces[pick(random)];
  return field;
}

// Each hard field last on its line, where a trailing backslash matters, all of them on one
// line, and 2000 generated pairs.
TEST(CommandLineToArgvW, SplitsQuotedFieldsBackIntoTheFields) {
  std::vector<ArgumentList> cases = {kHardFields};
  for (const std::string& field : kHardFields) cases.push_back({"v", field});
  std::mt19937 random(20240611);
  for (int i = 0; i < 2000; ++i) cases.push_back({RandomField(random), RandomField(random)});
  for (const ArgumentList& fields : cases) {
    const std::string line = JoinCommandLine("lithrez", fields);
    ArgumentList expected{"lithrez"};
    expected.insert(expected.end(), fields.begin(), fields.end());
    EXPECT_EQ(SplitByWindows(line), expected) << "command line: " << line;
  }
}

TEST(CommandLineToArgvW, TheStartedToolReceivesTheFieldsAsItsArguments) {
  const ScratchFolder scratch;
  const std::string log = scratch.path + "\\stand-in.log";
  SetEnvironmentVariableA("STAND_IN_LOG", log.c_str());
  SetEnvironmentVariableA("PATH", standInFolder.c_str());
  win32::Win32Platform platform([] {});
  ASSERT_TRUE(
      platform.StartProgram(JoinCommandLine("lithrez", kHardFields), ShowState::MinimizedActive)
          .Started());
  ASSERT_TRUE(PumpUntil([&] { return !ReadStandInLog(log).empty(); })) << "the tool did not run";
  EXPECT_EQ(ReadStandInLog(log), std::vector<ArgumentList>{kHardFields});
}

}  // namespace
}  // namespace morlett::testing
