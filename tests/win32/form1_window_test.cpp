// The real Form1 in its real window, in this process: fields set, buttons clicked, dialogs
// answered as a user would, and the effects read back from the window, the console and the
// stand-in tool's log.
#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cmath>

#include "commands/command_line.h"
#include "form1_fixture.h"

namespace morlett::win32 {
namespace {

using C = Control;
using morlett::testing::ArgumentList;
using morlett::testing::Cancel;
using morlett::testing::ChooseFile;
using morlett::testing::ChooseFolder;
using morlett::testing::DialogDriver;
using morlett::testing::DialogSeen;
using morlett::testing::HasTextStartingWith;

int Brightness(COLORREF colour) {
  return GetRValue(colour) + GetGValue(colour) + GetBValue(colour);
}

class Form1WindowTest : public morlett::testing::Form1Fixture {
 protected:
  // The console's rows up to the cursor, without trailing blanks, empty rows left out.
  std::vector<std::string> ConsoleRows() const {
    const HANDLE console = reinterpret_cast<HANDLE>(program->Form().ConsoleOutput());
    CONSOLE_SCREEN_BUFFER_INFO info{};
    GetConsoleScreenBufferInfo(console, &info);
    std::vector<std::string> rows;
    for (SHORT y = 0; y <= info.dwCursorPosition.Y; ++y) {
      std::string row(static_cast<std::size_t>(info.dwSize.X), ' ');
      DWORD read = 0;
      ReadConsoleOutputCharacterA(console, row.data(), static_cast<DWORD>(row.size()), {0, y},
                                  &read);
      row.resize(read);
      row.erase(row.find_last_not_of(' ') + 1);
      if (!row.empty()) rows.push_back(row);
    }
    return rows;
  }

  // Image1 drawn into a bitmap: its corners, top left, top right, bottom left, bottom right.
  std::array<COLORREF, 4> PictureCorners() const {
    const Rect box = OnClientArea(C::Image1);
    const HDC screen = GetDC(nullptr);
    const HDC dc = CreateCompatibleDC(screen);
    const HBITMAP bitmap = CreateCompatibleBitmap(screen, box.width, box.height);
    const HGDIOBJ previous = SelectObject(dc, bitmap);
    SendMessageA(ControlWindow(C::Image1), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc),
                 PRF_CLIENT);
    const std::array<COLORREF, 4> corners{GetPixel(dc, 2, 2), GetPixel(dc, box.width - 3, 2),
                                          GetPixel(dc, 2, box.height - 3),
                                          GetPixel(dc, box.width - 3, box.height - 3)};
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return corners;
  }

  void ExpectPictureFillsItsBox() const {
    const std::array<COLORREF, 4> corners = PictureCorners();
    for (const COLORREF corner : corners) EXPECT_NE(corner, GetSysColor(COLOR_BTNFACE));
    // The flames are brightest at the bottom: the picture is the right way up.
    EXPECT_LT(Brightness(corners[0]), Brightness(corners[2]));
    EXPECT_LT(Brightness(corners[1]), Brightness(corners[3]));
  }
};

// --- Dialogs ----------------------------------------------------------------------------

TEST_F(Form1WindowTest, FileDialogsShowTheirRequestAndFillTheirFields) {
  const std::string folder = scratch.Folder("Mörlett ñ");
  const std::string existing = scratch.File("Mörlett ñ\\in é.rez");
  const struct {
    const char* name;
    Control button;
    const char* title;
    Control field;
    std::string typed;
    std::string chosen;
  } cases[] = {
      {"save, name without extension", C::Command2, "Destination for Rez File", C::Text1,
       folder + "\\made", folder + "\\made.rez"},
      {"open to extract", C::Command3, "Rez File to UnRez", C::Text4, existing, existing},
      {"open to view, name without extension", C::Command7, "Rez File to View", C::Text7,
       folder + "\\in é", existing},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetText(c.field, "earlier");
    DialogDriver driver({ChooseFile(c.typed), Cancel()});
    Click(c.button);
    EXPECT_EQ(Text(c.field), c.chosen) << "a chosen file replaces the field";
    Click(c.button);
    EXPECT_EQ(Text(c.field), c.chosen) << "a cancelled dialog keeps the field";

    ASSERT_EQ(driver.Seen().size(), 2u);
    for (const DialogSeen& seen : driver.Seen()) {  // the second starts afresh
      EXPECT_EQ(seen.caption, c.title);
      EXPECT_EQ(seen.fileName, "Untitled.rez");
      EXPECT_EQ(seen.fileType, "Lithrez File Format");
      EXPECT_EQ(
          CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, seen.folder.c_str(), -1, "C:\\", -1),
          CSTR_EQUAL)
          << "starts in " << seen.folder;
    }
  }
}

TEST_F(Form1WindowTest, FolderBrowserShowsItsTitleAndFillsOnlyItsField) {
  const std::string folder = scratch.Folder("Mörlett ñ");
  SetText(C::Text5, "typed");
  DialogDriver driver({ChooseFolder(folder), Cancel(), Cancel()});

  Click(C::Command1);
  EXPECT_EQ(Text(C::Text2), folder);
  EXPECT_EQ(program->Form().ChosenDirectory(), folder);
  Click(C::Command1);
  EXPECT_EQ(Text(C::Text2), folder) << "a cancelled browser keeps the field";
  Click(C::Command5);
  EXPECT_EQ(Text(C::Text5), "typed");
  EXPECT_EQ(Text(C::Text2), folder) << "the other panel's pick leaves this field alone";

  ASSERT_EQ(driver.Seen().size(), 3u);
  EXPECT_TRUE(HasTextStartingWith(driver.Seen()[0], "Select Directory to Rez"));
  EXPECT_TRUE(HasTextStartingWith(driver.Seen()[2], "Expand Rez to what Directory?"));
  for (const DialogSeen& seen : driver.Seen()) EXPECT_EQ(seen.caption, "Browse for Folder");
}

// --- The tool ---------------------------------------------------------------------------

TEST_F(Form1WindowTest, ToolButtonsStartTheToolWithTheFieldsUnderABanner) {
  SetText(C::Text1, "C:\\Mörlett out\\new.rez");
  SetText(C::Text2, "C:\\in dir\\");
  SetText(C::Text4, "C:\\a\\b.rez");
  SetText(C::Text5, "");
  SetText(C::Text7, "\"C:\\pasted path\\v.rez\"");
  const struct {
    Control button;
    Control shownIn;
    ArgumentList arguments;
  } runs[] = {
      {C::Command4, C::Text3, {"cv", "C:\\Mörlett out\\new.rez", "C:\\in dir\\"}},
      {C::Command6, C::Text6, {"xv", "C:\\a\\b.rez", ""}},
      {C::Command8, C::Text8, {"v", "C:\\pasted path\\v.rez"}},
      {C::Command9, C::Text10, {}},
  };
  std::vector<std::string> expectedConsole;
  for (std::size_t i = 0; i < std::size(runs); ++i) {
    const auto& run = runs[i];
    SCOPED_TRACE(SpecOf(run.button).name);
    Click(run.button);
    const auto done = [&] {
      const auto rows = ConsoleRows();
      return ToolRuns().size() == i + 1 &&
             std::count(rows.begin(), rows.end(), "lithrez stand-in: done") ==
                 static_cast<std::ptrdiff_t>(i + 1);
    };
    ASSERT_TRUE(PumpUntil(done)) << "the tool did not run to its end";
    EXPECT_EQ(ToolRuns()[i], run.arguments);

    ArgumentList shown{"lithrez"};
    shown.insert(shown.end(), run.arguments.begin(), run.arguments.end());
    EXPECT_EQ(SplitCommandLine(Text(run.shownIn)), shown);

    expectedConsole.insert(
        expectedConsole.end(),
        {"Morlett v1.1 Advanced",
         "lithrez stand-in: " + std::to_string(run.arguments.size()) + " arguments",
         "progress 100%", "lithrez stand-in: done"});
  }
  EXPECT_EQ(ConsoleRows(), expectedConsole) << "one banner before each run's own lines";
}

// --- The window -------------------------------------------------------------------------

TEST_F(Form1WindowTest, TabWalksTheVisibleControlsInTheTableOrder) {
  std::vector<Control> walk;
  for (const Control control : TabOrder()) {
    if (SpecOf(control).visible) walk.push_back(control);
  }
  SetFocus(ControlWindow(walk.front()));
  for (std::size_t i = 1; i <= walk.size(); ++i) {
    const Control expected = walk[i % walk.size()];  // and round to the first again
    PostMessageA(GetFocus(), WM_KEYDOWN, VK_TAB, 0);
    EXPECT_TRUE(PumpUntil([&] { return GetFocus() == ControlWindow(expected); }))
        << "Tab should reach " << SpecOf(expected).name;
  }
}

TEST_F(Form1WindowTest, ResizingScalesControlsFontAndPictureByTheTable) {
  const int dpi = static_cast<int>(GetDpiForWindow(Window()));
  const Size design = DesignClientPixels(dpi);
  const LONG designFont = FontHeight();
  ExpectTableLayout(dpi, 1, 1);
  ExpectPictureFillsItsBox();

  const struct {
    double x, y, font;
  } stretches[] = {{1.5, 1.5, 1.5}, {1.5, 1, 1}, {0.5, 1, 0.5}, {1, 1, 1}};
  for (const auto& stretch : stretches) {
    SCOPED_TRACE(std::to_string(stretch.x) + " x " + std::to_string(stretch.y));
    SetClientSize({static_cast<int>(std::lround(design.width * stretch.x)),
                   static_cast<int>(std::lround(design.height * stretch.y))});
    ExpectTableLayout(dpi, stretch.x, stretch.y);
    EXPECT_NEAR(FontHeight(), designFont * stretch.font, 1);
    ExpectPictureFillsItsBox();
  }

  // A move to a screen of another density: the layout and the font follow it.
  const int newDpi = dpi * 3 / 2;
  const RECT suggested = FrameFor(DesignClientPixels(newDpi));
  SendMessageA(Window(), WM_DPICHANGED, MAKEWPARAM(newDpi, newDpi),
               reinterpret_cast<LPARAM>(&suggested));
  ExpectTableLayout(newDpi, 1, 1);
  EXPECT_NEAR(FontHeight(), designFont * 3 / 2, 1);
}

// --- Console and the end ----------------------------------------------------------------

std::atomic<DWORD> interruptedThread{0};

// Registered after the program's own handler, so it sees the event first, and passes it on.
BOOL WINAPI NoteInterrupt(DWORD) {
  interruptedThread = GetCurrentThreadId();
  return FALSE;
}

// Ctrl+Break is handled alike, but Wine's console cannot raise it.
TEST_F(Form1WindowTest, CtrlCInTheConsoleLeavesTheProgramRunning) {
  SetConsoleCtrlHandler(NoteInterrupt, TRUE);
  ASSERT_TRUE(GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0));
  ASSERT_TRUE(PumpUntil([] { return interruptedThread != 0; }));
  // Once the handlers have run, an interrupt nobody kept would have ended this process.
  if (const HANDLE thread = OpenThread(SYNCHRONIZE, FALSE, interruptedThread)) {
    WaitForSingleObject(thread, 10000);
    CloseHandle(thread);
  }
  SetConsoleCtrlHandler(NoteInterrupt, FALSE);
  EXPECT_TRUE(IsWindowVisible(Window()));
}

TEST_F(Form1WindowTest, QuitEndsWithoutUnloadWhileClosingTheWindowRunsIt) {
  const HANDLE console = reinterpret_cast<HANDLE>(program->Form().ConsoleOutput());
  CONSOLE_SCREEN_BUFFER_INFO info{};
  ASSERT_TRUE(GetConsoleScreenBufferInfo(console, &info));

  Click(C::Command10);
  EXPECT_EQ(ends, 1);
  EXPECT_TRUE(GetConsoleScreenBufferInfo(console, &info)) << "Quit must leave the console be";
  EXPECT_NE(GetConsoleWindow(), nullptr);

  const HWND window = Window();
  SendMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_FALSE(GetConsoleScreenBufferInfo(console, &info)) << "Unload closes the output handle";
  EXPECT_EQ(GetConsoleWindow(), nullptr) << "and frees the console";
  MSG quit;
  EXPECT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the loop ends";
  EXPECT_EQ(ends, 1);
}

}  // namespace
}  // namespace morlett::win32

int main(int argc, char** argv) {
  return morlett::testing::RunTestsWithStandIn(argc, argv);
}
