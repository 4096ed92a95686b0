// What goes wrong around the real window: a tool that cannot be found, cannot start or fails,
// fields holding text that no path has, and a refused console. The program tells what it
// must, carries on, and no field loses its text or takes another's.
#include <windows.h>

#include "win32_test_support.h"

namespace morlett::testing {
namespace {

using C = Control;
using FaultTest = Form1Fixture;

constexpr std::string_view kCouldNotStart = "Couldn't start lithrez\n\n";
constexpr std::string_view kTooLong = "The command line is too long for this system.";

std::string TwoByteCharacters(std::size_t count) {
  std::string text;
  for (std::size_t i = 0; i < count; ++i) text += "\xc3\xa9";  // é
  return text;
}

// Each row is one click on Create, with its own PATH and rez-file field; the folder field
// holds "C:\keep", and a copy of the tool lies in the current directory, never to be run. A
// row either gives a message holding its text, or runs the tool with the fields as they hold
// them and says nothing.
TEST_F(FaultTest, EachFaultIsToldOrTheToolRunsAndEveryFieldKeepsItsText) {
  const std::string planted = scratch.Folder("planted");
  ASSERT_TRUE(CopyFileA((standInFolder + "\\lithrez.exe").c_str(),
                        (planted + "\\lithrez.exe").c_str(), FALSE));
  SetCurrentDirectoryA(planted.c_str());
  const std::string named = scratch.Folder("named");
  scratch.Folder("named\\lithrez.exe");
  scratch.Folder("named\\lithrez");
  const std::string notAProgram = scratch.File("lithrez.exe");
  const std::string real = ";" + standInFolder;
  std::string controls;
  for (char c = 1; c < 32; ++c) controls += c;
  controls += '\x7f';
  // "lithrez cv " + the field + " C:\keep": Windows takes 32766 characters and the closing NUL.
  constexpr std::size_t kLongestField = 32766 - 19;

  const struct {
    const char* name;
    std::string path;
    std::string text1;
    std::optional<std::string> message;  // what the message holds; none when the tool runs
    bool altered = false;                // the field holds the text otherwise than it was set
    const char* exitCode = nullptr;      // the stand-in's
  } cases[] = {
      {"missing from PATH, though in the current directory", "", "C:\\in.rez", ""},
      {"reached only through relative PATH entries", ".;planted", "C:\\in.rez", ""},
      {"folders named lithrez.exe and lithrez first", named + real, "C:\\in.rez", {}},
      {"a file that is no program first", scratch.path + real, "C:\\in.rez", notAProgram},
      {"a tool that fails at once", standInFolder, "C:\\in.rez", {}, false, "3"},
      {"control characters", standInFolder, controls, {}},
      {"bytes that are not UTF-8",
       standInFolder,
       "\xff\xfe, \xc3(, \xed\xa0\x80, \xc0\xaf",
       {},
       true},
      {"quotes and backslashes", standInFolder, "quote\" and \\\" backslashes\\\\", {}},
      {"a NUL", standInFolder, std::string("before a NUL\0and after it", 25), {}},
      {"a 40000-character path", standInFolder, "C:\\" + std::string(40000, 'a'),
       std::string(kTooLong)},
      {"the longest line", standInFolder, TwoByteCharacters(kLongestField), {}},
      {"one character more", standInFolder, TwoByteCharacters(kLongestField + 1),
       std::string(kTooLong)},
  };
  const Control inputs[] = {C::Text1, C::Text2, C::Text4, C::Text5, C::Text7, C::Text9};
  const auto inputTexts = [&] {
    std::vector<std::string> texts;
    for (const Control field : inputs) texts.push_back(Text(field));
    return texts;
  };
  for (const Control field : inputs) SetText(field, EntryOf(field).name);
  SetText(C::Text2, "C:\\keep");

  std::size_t runs = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetEnvironmentVariableA("PATH", c.path.c_str());
    SetEnvironmentVariableA("STAND_IN_EXIT", c.exitCode);
    SetText(C::Text1, c.text1);
    const std::vector<std::string> held = inputTexts();
    EXPECT_EQ(held[0], c.altered ? held[0] : c.text1.substr(0, c.text1.find('\0')));
    const auto told = WithDialog([&] { Click(C::Command4); });

    if (c.message) {
      ASSERT_TRUE(told);
      EXPECT_EQ(told->caption, "Morlett");
      const std::string message = told->TextStartingWith(kCouldNotStart);
      EXPECT_GT(message.size(), kCouldNotStart.size()) << "the reason follows a blank line";
      EXPECT_NE(message.find(*c.message), std::string::npos) << message;
      EXPECT_EQ(message.find("%1"), std::string::npos) << "a placeholder left in: " << message;
      EXPECT_EQ(ToolRuns().size(), runs) << "nothing is started";
    } else {
      ASSERT_TRUE(PumpUntil([&] { return ToolRuns().size() == runs + 1; })) << "no tool ran";
      EXPECT_FALSE(told) << "the tool started, or only failed: nothing to tell";
      EXPECT_EQ(ToolRuns()[runs++], ArgumentList({"cv", held[0], held[1]}));
    }
    EXPECT_TRUE(IsWindowVisible(Window()));
    EXPECT_TRUE(Text(C::Text3).starts_with("lithrez cv ")) << "the line is shown all the same";
    EXPECT_EQ(inputTexts(), held);
  }
}

HANDLE WINAPI NoOutputHandle(DWORD) {
  return nullptr;
}
HANDLE WINAPI InvalidOutputHandle(DWORD) {
  return INVALID_HANDLE_VALUE;
}

// A process that has a console is refused another: so is the first row's program, while the
// fixture's holds one. Windows always gives the output handle of a console it allocated, so
// the other rows stand in for GetStdHandle to refuse it.
TEST_F(FaultTest, ARefusedConsoleIsToldOnceAndTheToolStillStarts) {
  const std::pair<win32::Win32Platform::StdHandleFunction, const char*> cases[] = {
      {GetStdHandle, "Couldn't allocate console"},
      {NoOutputHandle, "Couldn't allocate STDOUT"},
      {InvalidOutputHandle, "Couldn't allocate STDOUT"},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].second);
    {
      win32::Win32Program refused([] {}, cases[i].first);
      const auto told = WithDialog([&] { ASSERT_TRUE(refused.Start(SW_SHOWNORMAL)); });
      ASSERT_TRUE(told);
      EXPECT_EQ(told->caption, "Morlett");
      EXPECT_NE(told->TextStartingWith(cases[i].second), "");
      EXPECT_EQ(refused.Form().ConsoleOutput(), 0u);
      for (const Control button : {C::Command4, C::Command6, C::Command8, C::Command9}) {
        EXPECT_FALSE(WithDialog([&] {
          SendMessageA(refused.Window().ControlWindow(button), BM_CLICK, 0, 0);
        })) << "told once, at start";
      }
      EXPECT_TRUE(
          testing::PumpUntil([&] { return ToolRuns().size() == 4 * (i + 1); }, &refused.Window()))
          << "every tool button still starts the tool";
    }
    program.reset();  // and its console with it, for the rows to come
    DropQuitMessage();
  }
}

}  // namespace
}  // namespace morlett::testing
