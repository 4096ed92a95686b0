// The real Form1 in its real window, in this process: fields set, buttons clicked, dialogs
// answered as a user would, and the effects read back from the window, the console and the
// stand-in tool's log.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>

#include <atomic>
#include <cmath>
#include <optional>

#include "app/layout.h"
#include "commands/command_line.h"
#include "dialog_driver.h"
#include "platform/win32/win32_program.h"
#include "support/stand_in_log.h"
#include "win32_test_support.h"

namespace morlett::win32 {
namespace {

using C = Control;
using morlett::testing::ArgumentList;
using morlett::testing::Cancel;
using morlett::testing::ChooseFile;
using morlett::testing::ChooseFolder;
using morlett::testing::Confirm;
using morlett::testing::DialogDriver;
using morlett::testing::DialogSeen;
using morlett::testing::ScratchFolder;

std::string standInFolder;  // from the command line, made absolute before any dialog moves

bool HasTextStartingWith(const DialogSeen& seen, std::string_view start) {
  return std::any_of(seen.texts.begin(), seen.texts.end(),
                     [&](const std::string& text) { return text.starts_with(start); });
}

// The rectangle where the table puts `spec` on the window, in pixels, with the design client
// area stretched by the given factors.
Rect TableRect(const ControlSpec& spec, int dpi, double stretchX, double stretchY) {
  Rect twips = spec.twips;
  if (spec.container != C::Form1) {
    twips.left += SpecOf(spec.container).twips.left;
    twips.top += SpecOf(spec.container).twips.top;
  }
  const auto x = [&](int v) { return static_cast<int>(std::lround(v * stretchX * dpi / 1440.0)); };
  const auto y = [&](int v) { return static_cast<int>(std::lround(v * stretchY * dpi / 1440.0)); };
  return {x(twips.left), y(twips.top), x(twips.left + twips.width) - x(twips.left),
          y(twips.top + twips.height) - y(twips.top)};
}

bool Near(const Rect& a, const Rect& b) {
  return std::abs(a.left - b.left) <= 1 && std::abs(a.top - b.top) <= 1 &&
         std::abs(a.width - b.width) <= 1 && std::abs(a.height - b.height) <= 1;
}

std::string Describe(const Rect& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.width) +
         "x" + std::to_string(r.height);
}

int Brightness(COLORREF colour) {
  return GetRValue(colour) + GetGValue(colour) + GetBValue(colour);
}

class Form1WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetEnvironmentVariableA("PATH", standInFolder.c_str());
    SetEnvironmentVariableA("STAND_IN_LOG", log.c_str());
    program.emplace([this] { ++ends; });
    ASSERT_TRUE(program->Start(SW_SHOWNORMAL));
  }

  void TearDown() override {
    program.reset();
    MSG quit;  // left behind by the window's close, and it would end the next test's dialogs
    PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
  }

  HWND Window() const { return program->Window().Handle(); }
  HWND ControlWindow(Control control) const { return program->Window().ControlWindow(control); }

  std::string Text(Control field) const {
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(ControlWindow(field))), '\0');
    GetWindowTextA(ControlWindow(field), text.data(), static_cast<int>(text.size() + 1));
    return text;
  }
  void SetText(Control field, const std::string& text) const {
    SetWindowTextA(ControlWindow(field), text.c_str());
  }
  void Click(Control button) const { SendMessageA(ControlWindow(button), BM_CLICK, 0, 0); }

  template <class Done>
  bool PumpUntil(Done done) {
    return morlett::testing::PumpUntil(
        done, [this](MSG& message) { DispatchToWindow(program->Window(), message); });
  }

  std::vector<ArgumentList> ToolRuns() const { return morlett::testing::ReadStandInLog(log); }

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

  Rect OnClientArea(Control control) const {
    RECT rect{};
    GetWindowRect(ControlWindow(control), &rect);
    MapWindowPoints(nullptr, Window(), reinterpret_cast<POINT*>(&rect), 2);
    return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
  }

  // Resizes the window so that its client area is `client`, keeping its frame.
  RECT FrameFor(Size client) const {
    RECT window{}, current{};
    GetWindowRect(Window(), &window);
    GetClientRect(Window(), &current);
    window.right += client.width - current.right;
    window.bottom += client.height - current.bottom;
    return window;
  }
  void SetClientSize(Size client) const {
    const RECT frame = FrameFor(client);
    SetWindowPos(Window(), nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER);
  }

  LONG FontHeight() const {
    LOGFONTA font{};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(ControlWindow(C::Command1), WM_GETFONT, 0, 0)),
               sizeof(font), &font);
    return std::abs(font.lfHeight);
  }

  // Every control lies where the table puts it for the stretched design size.
  void ExpectTableLayout(int dpi, double stretchX, double stretchY) const {
    for (const ControlSpec& spec : ControlTable()) {
      const Rect expected = TableRect(spec, dpi, stretchX, stretchY);
      const Rect actual = OnClientArea(spec.id);
      EXPECT_TRUE(Near(actual, expected))
          << spec.name << " at " << Describe(actual) << ", table says " << Describe(expected);
    }
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

  ScratchFolder scratch;
  const std::string log = scratch.Path() + "\\stand-in.log";
  int ends = 0;
  std::optional<Win32Program> program;
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

TEST_F(Form1WindowTest, AToolThatCannotBeFoundIsReportedAndTheWindowLivesOn) {
  const std::string planted = scratch.Folder("planted");
  ASSERT_TRUE(CopyFileA((standInFolder + "\\lithrez.exe").c_str(),
                        (planted + "\\lithrez.exe").c_str(), FALSE));
  const struct {
    const char* name;
    const char* path;
    std::string currentDirectory;
  } cases[] = {
      {"not on PATH", "", scratch.Path()},
      {"only in the current directory", "", planted},
      {"in the current directory, named by a relative PATH entry", ".;planted", planted},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetEnvironmentVariableA("PATH", c.path);
    SetCurrentDirectoryA(c.currentDirectory.c_str());
    DialogDriver driver({Confirm()});
    Click(C::Command9);
    ASSERT_EQ(driver.Seen().size(), 1u) << "no message, so the tool was started";
    EXPECT_EQ(driver.Seen()[0].caption, "Morlett");
    EXPECT_TRUE(HasTextStartingWith(driver.Seen()[0], "Couldn't start lithrez"));
    EXPECT_TRUE(IsWindowVisible(Window()));
    EXPECT_EQ(Text(C::Text10), "lithrez");
  }
  EXPECT_TRUE(ToolRuns().empty());
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

TEST(Form1WindowStartTest, ARefusedConsoleIsReportedAndTheWindowStillOpens) {
  ASSERT_TRUE(AllocConsole()) << "this process already has a console";  // so Load's is refused
  DialogDriver driver({Confirm()});
  {
    Win32Program program([] {});
    ASSERT_TRUE(program.Start(SW_SHOWNORMAL));
    EXPECT_TRUE(IsWindowVisible(program.Window().Handle()));
    EXPECT_EQ(program.Form().ConsoleOutput(), 0u);
  }
  ASSERT_EQ(driver.Seen().size(), 1u);
  EXPECT_EQ(driver.Seen()[0].caption, "Morlett");
  EXPECT_TRUE(HasTextStartingWith(driver.Seen()[0], "Couldn't allocate console"));
  FreeConsole();
  MSG quit;
  PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
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
