// The core's quoting against Windows itself: a quoted command line, split by the real
// CommandLineToArgvW and received by a real program, gives back exactly the fields.
#include <windows.h>

#include <shellapi.h>

#include <gtest/gtest.h>

#include <cstdio>

#include <random>

#include "commands/command_line.h"
#include "platform/win32/win32_platform.h"
#include "support/stand_in_log.h"
#include "win32_test_support.h"

namespace morlett::win32 {
namespace {

using morlett::testing::ArgumentList;

std::string standInFolder;  // from the command line

std::string Narrow(const wchar_t* wide) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(size > 0 ? size - 1 : 0), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, text.data(), size, nullptr, nullptr);
  return text;
}

ArgumentList SplitByWindows(const std::string& commandLine) {
  int count = 0;
  wchar_t** split = CommandLineToArgvW(morlett::testing::Wide(commandLine).c_str(), &count);
  ArgumentList arguments(static_cast<std::size_t>(count));
  std::transform(split, split + count, arguments.begin(), Narrow);
  LocalFree(split);
  return arguments;
}

const ArgumentList kHardFields[] = {
    {"cv", "C:\\out.rez", "C:\\dir"},
    {"cv", "C:\\Program Files\\x.rez", "C:\\My Dir\\"},
    {"xv", "C:\\", "\\\\server\\share\\"},
    {"v", ""},
    {"xv", "", ""},
    {"v", "say \"hi\".rez"},
    {"v", "trailing\\\\"},
    {"v", "a\\\\\"b"},
    {"v", "tab\there"},
    {"v", "#1 'quoted' -dash @file"},
    {"v", "C:\\Mörlett ñ\\日本.rez"},
    {"v", "\""},
    {"v", "  two leading blanks"},
};

// A field made of the characters that the quoting rules treat specially, in any order.
std::string RandomField(std::mt19937& random) {
  static constexpr std::string_view kPieces[] = {"a", "b", " ", "\\", "\"", "\t", "é"};
  std::uniform_int_distribution<std::size_t> length(0, 12);
  std::uniform_int_distribution<std::size_t> pick(0, std::size(kPieces) - 1);
  std::string field;
  for (std::size_t n = length(random); n > 0; --n) field += kPieces[pick(random)];
  return field;
}

TEST(CommandLineToArgvW, SplitsQuotedFieldsBackIntoTheFields) {
  std::mt19937 random(20240611);
  std::vector<ArgumentList> cases(std::begin(kHardFields), std::end(kHardFields));
  for (int i = 0; i < 2000; ++i) cases.push_back({RandomField(random), RandomField(random)});
  for (const ArgumentList& fields : cases) {
    const std::string line = JoinCommandLine("lithrez", fields);
    ArgumentList expected{"lithrez"};
    expected.insert(expected.end(), fields.begin(), fields.end());
    EXPECT_EQ(SplitByWindows(line), expected) << "command line: " << line;
  }
}

TEST(CommandLineToArgvW, TheStartedToolReceivesTheFieldsAsItsArguments) {
  morlett::testing::ScratchFolder scratch;
  const std::string log = scratch.Path() + "\\stand-in.log";
  SetEnvironmentVariableA("STAND_IN_LOG", log.c_str());
  SetEnvironmentVariableA("PATH", standInFolder.c_str());
  Win32Platform platform([] {});
  std::size_t started = 0;
  for (const ArgumentList& fields : kHardFields) {
    const std::string line = JoinCommandLine("lithrez", fields);
    ASSERT_TRUE(platform.StartProgram(line, ShowState::MinimizedActive).Started()) << line;
    ++started;
    // One run at a time, so that the log's records come in the order of the starts.
    const bool logged = morlett::testing::PumpUntil(
        [&] { return morlett::testing::ReadStandInLog(log).size() == started; },
        [](MSG& message) { DispatchMessageA(&message); });
    ASSERT_TRUE(logged) << "the tool did not record its run for: " << line;
    EXPECT_EQ(morlett::testing::ReadStandInLog(log).back(), fields) << "command line: " << line;
  }
}

}  // namespace
}  // namespace morlett::win32

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <folder of the stand-in lithrez.exe>\n", argv[0]);
    return 2;
  }
  morlett::win32::standInFolder = morlett::testing::FullPath(argv[1]);
  return RUN_ALL_TESTS();
}
