// What goes wrong around the real window, and what it does about it: a tool that cannot be
// started or that fails, fields holding text that no path has, and a refused console. The
// program reports what it must, carries on, and no field loses or takes another's text.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "commands/command_line.h"
#include "form1_fixture.h"
#include "platform/win32/win32_platform.h"

namespace morlett::win32 {
namespace {

using C = Control;
using morlett::testing::ArgumentList;
using morlett::testing::Confirm;
using morlett::testing::DialogDriver;
using morlett::testing::StandInFolder;
using morlett::testing::TextStartingWith;
using morlett::testing::ToolRunning;

constexpr std::string_view kCouldNotStart = "Couldn't start lithrez";

// The fields the user fills in: whatever happens, they keep their text.
constexpr Control kInputFields[] = {C::Text1, C::Text2, C::Text4, C::Text5, C::Text7, C::Text9};

class FaultTest : public morlett::testing::Form1Fixture {
 protected:
  void TearDown() override {
    SetEnvironmentVariableA("STAND_IN_EXIT", nullptr);
    Form1Fixture::TearDown();
  }

  // Clicks, and waits until whatever the click started has ended.
  void ClickAndSettle(Control button) {
    Click(button);
    ASSERT_TRUE(PumpUntil([] { return !ToolRunning(); })) << "the tool never ended";
  }

  std::vector<std::string> InputTexts() const {
    std::vector<std::string> texts;
    for (const Control field : kInputFields) texts.push_back(Text(field));
    return texts;
  }
};

// --- The tool ---------------------------------------------------------------------------

TEST_F(FaultTest, OnlyAToolThatCannotStartIsReportedAndTheWindowLivesOn) {
  const std::string planted = scratch.Folder("planted");
  ASSERT_TRUE(CopyFileA((StandInFolder() + "\\lithrez.exe").c_str(),
                        (planted + "\\lithrez.exe").c_str(), FALSE));
  const std::string folderNamedLikeTheTool = scratch.Folder("named");
  scratch.Folder("named\\lithrez");
  scratch.Folder("named\\lithrez.exe");
  const std::string notAProgram = scratch.Folder("not-a-program") + "\\lithrez.exe";
  {
    std::FILE* file = std::fopen(notAProgram.c_str(), "w");
    ASSERT_NE(file, nullptr);
    std::fputs("this is no program\n", file);
    std::fclose(file);
  }
  const std::string realOne = ";" + StandInFolder();
  const struct {
    const char* name;
    std::string path;
    std::string currentDirectory;
    const char* exitCode;  // the stand-in's, when it is to fail
    bool reported;
    std::string named;  // what the system's reason in the message names
  } cases[] = {
      {"not on PATH", "", scratch.Path(), nullptr, true, ""},
      {"only in the current directory", "", planted, nullptr, true, ""},
      {"in the current directory, named by a relative PATH entry", ".;planted", planted, nullptr,
       true, ""},
      {"folders named lithrez and lithrez.exe before the real one",
       folderNamedLikeTheTool + realOne, scratch.Path(), nullptr, false, ""},
      {"a file that is no program before the real one",
       scratch.Path() + "\\not-a-program" + realOne, scratch.Path(), nullptr, true, notAProgram},
      {"a tool that fails at once", StandInFolder(), scratch.Path(), "3", false, ""},
  };
  const std::vector<std::string> fields = {"C:\\in.rez", "C:\\out dir", "C:\\x.rez",
                                           "C:\\x",      "C:\\v.rez",   "nine"};
  for (std::size_t i = 0; i < std::size(kInputFields); ++i) SetText(kInputFields[i], fields[i]);

  std::size_t runs = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetEnvironmentVariableA("PATH", c.path.c_str());
    SetEnvironmentVariableA("STAND_IN_EXIT", c.exitCode);
    SetCurrentDirectoryA(c.currentDirectory.c_str());
    DialogDriver driver({Confirm()});
    ClickAndSettle(C::Command4);

    if (c.reported) {
      ASSERT_EQ(driver.Seen().size(), 1u);
      EXPECT_EQ(driver.Seen()[0].caption, "Morlett");
      const std::string message = TextStartingWith(driver.Seen()[0], kCouldNotStart).value_or("");
      const std::string reason =
          message.substr(std::min(message.size(), kCouldNotStart.size() + 2));
      EXPECT_FALSE(reason.empty()) << "the system's reason follows a blank line: " << message;
      EXPECT_NE(reason.find(c.named), std::string::npos) << reason;
      EXPECT_EQ(reason.find("%1"), std::string::npos) << "a placeholder left in: " << reason;
    } else {
      EXPECT_TRUE(driver.Seen().empty()) << "the tool started, or only failed: nothing to say";
      ++runs;
    }
    ASSERT_EQ(ToolRuns().size(), runs);
    if (!c.reported) {
      EXPECT_EQ(ToolRuns().back(), ArgumentList({"cv", fields[0], fields[1]}));
    }
    EXPECT_TRUE(IsWindowVisible(Window()));
    EXPECT_EQ(InputTexts(), fields);
    EXPECT_EQ(SplitCommandLine(Text(C::Text3)),
              ArgumentList({"lithrez", "cv", fields[0], fields[1]}));
  }
}

// --- Fields -----------------------------------------------------------------------------

// Each field gets text that no path has: every control character, bytes that are not UTF-8,
// quotes and backslashes, and a NUL with more after it. Each field's text starts with its own
// number, so that a field showing another's text stands out.
TEST_F(FaultTest, TextNoPathHasReachesTheToolAsTheFieldsHoldItAndStaysInItsField) {
  std::string controls;
  for (char c = 1; c < 32; ++c) controls += c;
  controls += '\x7f';
  const std::string oddities[] = {
      controls,
      "\xff\xfe bytes \xc3( that \xed\xa0\x80 are \xc0\xaf not UTF-8",
      "quote\" and \\\" backslashes\\\\",
      std::string("before a NUL\0and after it", 25),
  };
  const std::vector<Control> fields = {C::Text1, C::Text2, C::Text3, C::Text4, C::Text5,
                                       C::Text6, C::Text7, C::Text8, C::Text9, C::Text10};
  // The fields are set as the program sets them, NUL and all.
  Win32Platform platform([] {});
  platform.AttachWindow(program->Window());
  std::vector<std::string> held;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    platform.SetText(fields[i], std::to_string(i + 1) + oddities[i % std::size(oddities)]);
    held.push_back(Text(fields[i]));
    EXPECT_EQ(held.back().find("and after it"), std::string::npos) << "text after a NUL kept";
  }

  DialogDriver driver({});
  for (const Control button : {C::Command4, C::Command6, C::Command8, C::Command9}) {
    ClickAndSettle(button);
  }
  EXPECT_TRUE(driver.Seen().empty());
  const std::vector<ArgumentList> expected = {
      {"cv", held[0], held[1]}, {"xv", held[3], held[4]}, {"v", held[6]}, {}};
  EXPECT_EQ(ToolRuns(), expected) << "the tool receives each field whole, as the field holds it";
  for (const std::size_t i : {0, 1, 3, 4, 6, 8}) {
    EXPECT_EQ(Text(fields[i]), held[i]) << "Text" << (i + 1) << " changed";
  }
  const struct {
    Control shownIn;
    ArgumentList line;
  } shown[] = {{C::Text3, {"lithrez", "cv", held[0], held[1]}},
               {C::Text6, {"lithrez", "xv", held[3], held[4]}},
               {C::Text8, {"lithrez", "v", held[6]}},
               {C::Text10, {"lithrez"}}};
  for (const auto& s : shown) EXPECT_EQ(SplitCommandLine(Text(s.shownIn)), s.line);
}

// Windows takes a command line of at most 32767 characters, its closing NUL included. The
// line is "lithrez cv " + the rez-file field + " C:\keep": 19 characters besides the field.
TEST_F(FaultTest, ALineTooLongForWindowsIsRefusedWithAMessageAndTheLongestThatFitsStarts) {
  constexpr std::size_t kLongestField = 32766 - 19;
  const auto twoByteCharacters = [](std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) text += "\xc3\xa9";  // é: one character, two bytes
    return text;
  };
  const struct {
    const char* name;
    std::string field;
    bool fits;
  } cases[] = {
      {"a 40000-character path", "C:\\" + std::string(40000, 'a'), false},
      {"the longest line, in characters of two bytes", twoByteCharacters(kLongestField), true},
      {"one character more", twoByteCharacters(kLongestField + 1), false},
  };
  SetText(C::Text2, "C:\\keep");
  std::size_t runs = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetText(C::Text1, c.field);
    DialogDriver driver({Confirm()});
    ClickAndSettle(C::Command4);
    if (c.fits) {
      EXPECT_TRUE(driver.Seen().empty());
      ASSERT_EQ(ToolRuns().size(), ++runs);
      EXPECT_EQ(ToolRuns().back(), ArgumentList({"cv", c.field, "C:\\keep"}));
    } else {
      ASSERT_EQ(driver.Seen().size(), 1u);
      const std::string message =
          TextStartingWith(driver.Seen()[0], kCouldNotStart).value_or("no message");
      EXPECT_NE(message.find("The command line is too long for this system."), std::string::npos)
          << message;
      EXPECT_EQ(ToolRuns().size(), runs) << "nothing is started";
    }
    EXPECT_EQ(Text(C::Text1), c.field);
    EXPECT_EQ(Text(C::Text2), "C:\\keep");
  }
}

// --- The console ------------------------------------------------------------------------

HANDLE WINAPI NoOutputHandle(DWORD) {
  return nullptr;
}
HANDLE WINAPI InvalidOutputHandle(DWORD) {
  return INVALID_HANDLE_VALUE;
}

// Windows refuses a second console to a process that has one; it always gives the output
// handle of a console it allocated, so the test stands in for GetStdHandle to refuse that.
TEST(ConsoleRefusedTest, EachRefusalIsReportedOnceAndEveryActionStillStartsTheTool) {
  const struct {
    const char* name;
    bool consoleAlreadyThere;
    Win32Platform::StdHandleFunction stdHandle;
    const char* message;
  } cases[] = {
      {"no console", true, GetStdHandle, "Couldn't allocate console"},
      {"no output handle", false, NoOutputHandle, "Couldn't allocate STDOUT"},
      {"an invalid output handle", false, InvalidOutputHandle, "Couldn't allocate STDOUT"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    morlett::testing::ScratchFolder scratch;
    const std::string log = scratch.Path() + "\\stand-in.log";
    SetEnvironmentVariableA("PATH", StandInFolder().c_str());
    SetEnvironmentVariableA("STAND_IN_LOG", log.c_str());
    if (c.consoleAlreadyThere) {
      ASSERT_TRUE(AllocConsole());
    }
    DialogDriver driver({Confirm()});
    {
      Win32Program program([] {}, c.stdHandle);
      ASSERT_TRUE(program.Start(SW_SHOWNORMAL));
      EXPECT_TRUE(IsWindowVisible(program.Window().Handle()));
      EXPECT_EQ(program.Form().ConsoleOutput(), 0u);
      for (const Control button : {C::Command4, C::Command6, C::Command8, C::Command9}) {
        SendMessageA(program.Window().ControlWindow(button), BM_CLICK, 0, 0);
      }
      const bool allRan = morlett::testing::PumpUntil(
          [&] { return morlett::testing::ReadStandInLog(log).size() == 4 && !ToolRunning(); },
          [&](MSG& message) { DispatchToWindow(program.Window(), message); });
      EXPECT_TRUE(allRan) << "every action starts the tool";
    }
    ASSERT_EQ(driver.Seen().size(), 1u) << "one message, at start";
    EXPECT_EQ(driver.Seen()[0].caption, "Morlett");
    EXPECT_TRUE(morlett::testing::HasTextStartingWith(driver.Seen()[0], c.message));
    FreeConsole();
    morlett::testing::DropQuitMessage();
  }
}

}  // namespace
}  // namespace morlett::win32

int main(int argc, char** argv) {
  return morlett::testing::RunTestsWithStandIn(argc, argv);
}
