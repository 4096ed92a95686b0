#include "console/terminal_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace morlett {
namespace {

struct Case {
  std::string name;
  std::string input;
  std::string shown;
};

const std::vector<Case>& Cases() {
  static const std::vector<Case> cases = {
      {"plain lines", "one\r\ntwo\n", "one\ntwo\n"},
      {"unfinished line", "one\ntwo", "one\ntwo"},
      {"carriage return rewrites", "progress  25%\rprogress 100%\n", "progress 100%\n"},
      {"shorter rewrite keeps the tail", "abcdef\rXY\n", "XYcdef\n"},
      {"banner through a tty", "Morlett v1.1 Advanced\r\r\n", "Morlett v1.1 Advanced\n"},
      {"backspace overwrites", "abc\b\bX\n", "aXc\n"},
      {"backspace stops at the start", "\b\bab\n", "ab\n"},
      {"tab to the next stop", "a\tb\n12345678\tc\n", "a       b\n12345678        c\n"},
      {"tab within text only moves", "abcdefghij\r\tX\n", "abcdefghXj\n"},
      {"colour codes dropped", "\x1b[1;31mred\x1b[0m plain\n", "red plain\n"},
      {"cursor movement dropped", "a\x1b[2Kb\x1b[10;20Hc\x1b[?25l\n", "abc\n"},
      {"title set with bell", "\x1b]0;my title\x07text\n", "text\n"},
      {"title set with string terminator", "\x1b]2;t\x1b\\text\n", "text\n"},
      {"device control string", "\x1bPq#0;2;0;0;0\x1b\\ok\n", "ok\n"},
      {"lone escapes", "\0337a\0338b\033=c\033c\n", "abc\n"},
      {"charset designation", "\x1b(Bx\x1b)0y\n", "xy\n"},
      {"line feed inside a sequence acts", "a\x1b[1\nmb\n", "a\nb\n"},
      {"cancel aborts a sequence", "\033[12\0305\n", "5\n"},
      {"other controls dropped", std::string("a\007b\177c\0d\n", 8), "abcd\n"},
      {"utf-8 kept", "na\xc3\xafve \xe2\x82\xac \xf0\x9f\x99\x82\n",
       "na\xc3\xafve \xe2\x82\xac \xf0\x9f\x99\x82\n"},
      {"rewrite counts characters", "\xc3\xa9\xc3\xa9\xc3\xa9\r\x08x\n", "x\xc3\xa9\xc3\xa9\n"},
      {"truncated sequence replaced", "a\342\202b\n", "a\357\277\275b\n"},
      {"stray continuation replaced", "a\200b\n", "a\357\277\275b\n"},
      {"overlong form replaced", "\xc0\xaf\xe0\x80\xaf\n",
       "\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd\n"},
      {"surrogate replaced", "\xed\xa0\x80!\n", "\xef\xbf\xbd!\n"},
      {"escape interrupts utf-8", "\xe2\x82\x1b[0m!\n", "\xef\xbf\xbd!\n"},
  };
  return cases;
}

TEST(TerminalText, ShowsWhatATerminalWouldShow) {
  for (const Case& c : Cases()) {
    TerminalText text;
    text.Feed(c.input);
    EXPECT_EQ(text.Text(), c.shown) << c.name;
  }
}

// Every cut into two reads, so that each state meets the end of a read.
TEST(TerminalText, ShowsTheSameHoweverTheInputIsCut) {
  for (const Case& c : Cases()) {
    for (std::size_t cut = 1; cut < c.input.size(); ++cut) {
      TerminalText text;
      text.Feed(c.input.substr(0, cut));
      text.Feed(c.input.substr(cut));
      EXPECT_EQ(text.Text(), c.shown) << c.name << ", cut at " << cut;
    }
  }
}

TEST(TerminalText, KeepsOnlyTheNewestLinesAndWrapsLongOnes) {
  TerminalText text({.scrollbackLines = 3, .lineColumns = 4});
  text.Feed("l1\nl2\nl3\nl4\nl5\nl6\nl7\nl8\nl9\nl10\n");
  text.Feed("abcdefghij\n\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9");
  EXPECT_EQ(text.Text(), "efgh\nij\n\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\n\xc3\xa9");
  EXPECT_EQ(text.FinishedCount(), 14u);
  // A flood without line breaks stays as bounded as any other.
  for (int i = 0; i < 1000; ++i) text.Feed(std::string(4096, '#'));
  EXPECT_EQ(text.FinishedLines().size(), 3u);
  EXPECT_LE(text.OpenLines().at(0).size(), 4u);
}

// Pieces of several streams in the order they arrive: 0 is the program's own, runs 1 and 2 are
// tools, and an end closes a run with the program's line.
struct Piece {
  StreamId stream;
  std::string bytes;
  bool end = false;
};

struct MergeCase {
  std::string name;
  std::vector<Piece> pieces;
  std::string shown;
};

// Each stream is decoded on its own and its lines join the others only once finished.
TEST(TerminalText, KeepsEachStreamsLinesWhole) {
  const std::string banner = "Morlett v1.1 Advanced\r\n";
  const std::vector<MergeCase> cases = {
      {"split UTF-8 and sequences interleaved",
       {{1, "caf\xc3"},
        {2, "\x1b[3"},
        {1, "\xa9 \x1b]0;t"},
        {2, "1mred\xe2\x82"},
        {1, "itle\x07ok\n"},
        {2, "\xac\x1b[0m\n"}},
       "caf\xc3\xa9 ok\nred\xe2\x82\xac\n"},
      {"a run ending inside a sequence hides nothing after it",
       {{1, "Creating...\x1b]0;"}, {1, "lithrez: ended\r\n", true}, {0, banner}, {2, "question? "}},
       "Creating...\nlithrez: ended\nMorlett v1.1 Advanced\nquestion? "},
      {"a partial line stays below the banner, then ends with its run",
       {{1, "PARTIAL-A-no-newline"}, {0, banner}, {2, "x\r\n"}, {1, "lithrez v: ended\r\n", true}},
       "Morlett v1.1 Advanced\nx\nPARTIAL-A-no-newline\nlithrez v: ended\n"},
  };
  for (const MergeCase& c : cases) {
    TerminalText text;
    for (const Piece& piece : c.pieces) {
      if (piece.end) {
        text.EndStreamWithLine(piece.stream, piece.bytes);
      } else {
        text.Feed(piece.stream, piece.bytes);
      }
    }
    EXPECT_EQ(text.Text(), c.shown) << c.name;
  }
}

}  // namespace
}  // namespace morlett
