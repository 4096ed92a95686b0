#include "commands/command_line.h"

#include <gtest/gtest.h>

#include "commands/tool_search.h"
#include "platform/fake/fake_platform.h"
#include "support/hard_fields.h"

namespace morlett {
namespace {

using Arguments = std::vector<std::string>;

// The Windows form read back by the C runtime's rules gives the very fields. The POSIX form is
// read back by a real shell in the Linux window test.
TEST(CommandLineQuoting, HardFieldsReachTheToolAsExactlyOneArgumentEach) {
  for (const std::string_view field : testing::kHardFields) {
    const Arguments fields = {"cv", std::string(field), "dir"};
    const std::string line = JoinCommandLine("lithrez", fields, PathStyle::Windows);
    EXPECT_EQ(SplitCommandLine(line), (Arguments{"lithrez", "cv", std::string(field), "dir"}))
        << "field [" << field << "] as " << line;
  }
}

TEST(CommandLineQuoting, OrdinaryAndQuotedFormsAreTheOnesUsersRead) {
  constexpr PathStyle W = PathStyle::Windows;
  constexpr PathStyle P = PathStyle::Posix;
  const struct {
    PathStyle style;
    Arguments fields;
    std::string line;
  } cases[] = {
      {W, {"cv", "C:\\out.rez", "C:\\dir"}, "lithrez cv C:\\out.rez C:\\dir"},
      {W, {"xv", "C:\\My Dir\\", "C:\\"}, "lithrez xv \"C:\\My Dir\\\\\" C:\\"},
      {W, {"cv", "", ""}, "lithrez cv \"\" \"\""},
      {W, {"v", "a\"b"}, "lithrez v \"a\\\"b\""},
      {W, {"v", "back\\\\slash"}, "lithrez v back\\\\slash"},
      {P, {"cv", "/tmp/out-1.rez", "/home/me/src_2"}, "lithrez cv /tmp/out-1.rez /home/me/src_2"},
      {P, {"xv", "/tmp/My Dir/it's.rez", ""}, "lithrez xv '/tmp/My Dir/it'\\''s.rez' ''"},
      {P, {"v", "$HOME\\x"}, "lithrez v '$HOME\\x'"},
      {P, {}, "lithrez"},
  };
  for (const auto& c : cases) EXPECT_EQ(JoinCommandLine("lithrez", c.fields, c.style), c.line);
}

TEST(CommandLineSplitting, FollowsTheRuntimesRules) {
  // The runtime's own documented examples, after a program name.
  const struct {
    std::string line;
    Arguments expected;
  } cases[] = {
      {R"(p "a b c" d e)", {"p", "a b c", "d", "e"}},
      {R"(p "ab\"c" "\\" d)", {"p", "ab\"c", "\\", "d"}},
      {R"(p a\\\b d"e f"g h)", {"p", "a\\\\\\b", "de fg", "h"}},
      {R"(p a\\\"b c d)", {"p", "a\\\"b", "c", "d"}},
      {R"(p a\\\\"b c" d e)", {"p", "a\\\\b c", "d", "e"}},
      {R"(p a"b"" c d)", {"p", "ab\" c d"}},
      {"p \t a  \t b \t", {"p", "a", "b"}},
      {R"("C:\Program Files\lithrez.exe" v x)", {"C:\\Program Files\\lithrez.exe", "v", "x"}},
      {R"(C:\tools\lithrez\ v)", {"C:\\tools\\lithrez\\", "v"}},
      {"", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitCommandLine(c.line), c.expected) << c.line;
}

TEST(CommandLinePaste, QuotesAroundAWholePathAreDropped) {
  constexpr PathStyle W = PathStyle::Windows;
  constexpr PathStyle P = PathStyle::Posix;
  const struct {
    PathStyle style;
    std::string_view pasted, path;
  } cases[] = {
      {W, "\"C:\\My Docs\\a.rez\"", "C:\\My Docs\\a.rez"},
      {W, "\"\"", ""},
      {W, "'C:\\a.rez'", "'C:\\a.rez'"},
      {P, "'/tmp/my dir'", "/tmp/my dir"},
      {P, "\"/tmp/my dir\"", "/tmp/my dir"},
      {P, "'it'\\''s'", "'it'\\''s'"},
  };
  for (const auto& c : cases) EXPECT_EQ(UnwrapPastedQuotes(c.pasted, c.style), c.path) << c.pasted;
  for (const std::string_view kept : {"\"", "\"a\" \"b\"", "a\"b\"", "\"half", "'"}) {
    EXPECT_EQ(UnwrapPastedQuotes(kept, P), kept);
  }
}

// Only absolute folders are searched, each once, leading folders first; the current folder
// never is, however PATH names it.
TEST(ToolSearch, LooksOnlyInAbsoluteFoldersInOrder) {
  const struct {
    PathStyle style;
    ToolSearchPlaces places;
    std::set<std::string> programs;
    std::optional<std::string> found;
    std::vector<std::string> looked;
  } cases[] = {
      {PathStyle::Posix,
       {{}, ":.:bin:./x:/usr/local/bin:/usr/bin:/usr/bin", ""},
       {"./lithrez", "bin/lithrez", "lithrez", "/usr/bin/lithrez"},
       "/usr/bin/lithrez",
       {"/usr/local/bin", "/usr/bin"}},
      {PathStyle::Posix,
       {{}, "/opt/a/:/opt/b", ""},
       {"/opt/b/lithrez"},
       "/opt/b/lithrez",
       {"/opt/a/", "/opt/b"}},
      {PathStyle::Posix, {{}, "", ""}, {"lithrez"}, std::nullopt, {}},
      {PathStyle::Windows,
       {{"C:\\app", "C:\\Windows\\system32"},
        ";.;tools;C:tools;\"C:\\My Tools\";\\\\server\\share;D:/bin",
        ".exe"},
       {"D:/bin\\lithrez.exe"},
       "D:/bin\\lithrez.exe",
       {"C:\\app", "C:\\Windows\\system32", "C:\\My Tools", "\\\\server\\share", "D:/bin"}},
      {PathStyle::Windows,
       {{"C:\\app\\"}, "C:\\tools", ".exe"},
       {"C:\\app\\lithrez.exe", "C:\\tools\\lithrez.exe"},
       "C:\\app\\lithrez.exe",
       {"C:\\app\\"}},
  };
  for (const auto& c : cases) {
    FakePlatform platform;
    platform.pathStyle = c.style;
    platform.searchPlaces = c.places;
    platform.programFiles = c.programs;
    const ToolSearch search = FindTool(platform, "lithrez");
    EXPECT_EQ(search.program, c.found) << c.places.pathVariable;
    EXPECT_EQ(search.looked, c.looked) << c.places.pathVariable;
  }
}

}  // namespace
}  // namespace morlett
