#include "commands/command_line.h"

#include <gtest/gtest.h>

#include <random>

namespace morlett {
namespace {

using Arguments = std::vector<std::string>;

Arguments RoundTrip(const Arguments& fields) {
  return SplitCommandLine(JoinCommandLine("lithrez", fields));
}

Arguments WithProgram(Arguments fields) {
  fields.insert(fields.begin(), "lithrez");
  return fields;
}

TEST(CommandLineQuoting, HardFieldsReachTheToolAsExactlyOneArgumentEach) {
  const Arguments hard = {
      "C:\\Program Files\\x.rez",
      "C:\\",
      "C:\\My Dir\\",
      "C:\\My Dir\\\\",
      "say \"hi\"",
      "\\\"",
      "\"",
      "a\\\\\"b",
      "#hash",
      "it's",
      "-v",
      "@list",
      "tab\there",
      "\t",
      " ",
      "caf\xc3\xa9 \xe6\x97\xa5\xe6\x9c\xac",
      "\xff\xfe raw bytes",
      "",
      "trailing space ",
  };
  for (const std::string& field : hard) {
    EXPECT_EQ(RoundTrip({"cv", field, "dir"}), WithProgram({"cv", field, "dir"}))
        << "field [" << field << "] as " << JoinCommandLine("lithrez", Arguments{field});
  }
  EXPECT_EQ(RoundTrip(hard), WithProgram(hard));
}

TEST(CommandLineQuoting, OrdinaryAndQuotedFormsAreTheOnesUsersRead) {
  const struct {
    Arguments fields;
    std::string line;
  } cases[] = {
      {{"cv", "C:\\out.rez", "C:\\dir"}, "lithrez cv C:\\out.rez C:\\dir"},
      {{"xv", "C:\\My Dir\\", "C:\\"}, "lithrez xv \"C:\\My Dir\\\\\" C:\\"},
      {{"cv", "", ""}, "lithrez cv \"\" \"\""},
      {{"v", "a\"b"}, "lithrez v \"a\\\"b\""},
      {{"v", "back\\\\slash"}, "lithrez v back\\\\slash"},
      {{}, "lithrez"},
  };
  for (const auto& c : cases) EXPECT_EQ(JoinCommandLine("lithrez", c.fields), c.line);
}

TEST(CommandLineQuoting, RandomFieldsSurviveTheRoundTrip) {
  const std::string alphabet = "\\\\\\\"\"  \tab:.-\xc3\xa9";
  std::mt19937 random(20261206);
  for (int run = 0; run < 3000; ++run) {
    Arguments fields(1 + random() % 4);
    for (std::string& field : fields) {
      const std::size_t length = random() % 9;
      for (std::size_t i = 0; i < length; ++i) field += alphabet[random() % alphabet.size()];
    }
    ASSERT_EQ(RoundTrip(fields), WithProgram(fields))
        << "line: " << JoinCommandLine("lithrez", fields);
  }
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

TEST(PastedPaths, OnePairOfSurroundingQuotesIsDropped) {
  EXPECT_EQ(UnwrapPastedQuotes("\"C:\\My Dir\\x.rez\""), "C:\\My Dir\\x.rez");
  EXPECT_EQ(UnwrapPastedQuotes("\"\""), "");
  // Anything else is the user's text, kept as typed.
  for (const std::string_view kept : {"\"", "\"a\" \"b\"", "a\"b\"", "\"a", "plain"}) {
    EXPECT_EQ(UnwrapPastedQuotes(kept), kept);
  }
}

}  // namespace
}  // namespace morlett
