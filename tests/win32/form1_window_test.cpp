// The real Form1 in its real window, in this process, walked through as a user would: the
// dialogs answered, the tools started, the keyboard and the frame used, and the window closed.
// The effects are read back from the window, the console and the stand-in tool's log.
#include <windows.h>

#include <atomic>
#include <cmath>

#include "win32_test_support.h"

namespace morlett::testing {
namespace {

using C = Control;

std::atomic<DWORD> interruptedThread{0};

// Registered after the program's own handler, so it sees the event first, and passes it on.
BOOL WINAPI NoteInterrupt(DWORD) {
  interruptedThread = GetCurrentThreadId();
  return FALSE;
}

class Form1WindowTest : public Form1Fixture {
 protected:
  HANDLE Console() const { return reinterpret_cast<HANDLE>(program->Form().ConsoleOutput()); }

  // The console's rows up to the cursor, without trailing blanks, empty rows left out.
  std::vector<std::string> ConsoleRows() const {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    GetConsoleScreenBufferInfo(Console(), &info);
    std::vector<std::string> rows;
    for (SHORT y = 0; y <= info.dwCursorPosition.Y; ++y) {
      std::string row(static_cast<std::size_t>(info.dwSize.X), ' ');
      DWORD read = 0;
      ReadConsoleOutputCharacterA(Console(), row.data(), static_cast<DWORD>(row.size()), {0, y},
                                  &read);
      row.erase(row.find_last_not_of(' ') + 1);
      if (!row.empty()) rows.push_back(row);
    }
    return rows;
  }

  // Every control lies where the core's rule puts it for the client area, and the font is
  // `designFont`, its height at design size, scaled by the rule.
  void ExpectCoreLayout(int dpi, double designFont) const {
    RECT client{};
    GetClientRect(Window(), &client);
    const ScaledLayout layout = ScaleLayout({client.right, client.bottom}, DesignClientPixels(dpi));
    for (const ControlEntry& entry : ControlTable()) {
      Rect expected = layout[entry.id];
      if (entry.container != C::Form1) {
        expected.left += layout[entry.container].left;
        expected.top += layout[entry.container].top;
      }
      EXPECT_TRUE(Placed(entry.id) == expected) << entry.name << " is not where the rule says";
    }
    EXPECT_NEAR(FontHeight(), designFont * layout.fontScale, 1);
  }

  // Each dialog is answered, then opened again and cancelled: the answer replaces the field's
  // text, the cancel keeps it, and the second opening shows what the first did.
  void Dialogs() {
    const std::string folder = scratch.Folder("Mörlett ñ");
    const std::string existing = scratch.File("Mörlett ñ\\in é.rez");
    const std::vector<std::string> toRez = {"Select Directory to Rez"},
                                   toExpand = {"Expand Rez to what Directory?"},
                                   fileDialog = {"Untitled.rez", "Lithrez File Format"};
    const struct {
      Control button;
      Control field;
      DialogStep answer;
      std::string chosen;
      std::string caption;
      std::vector<std::string> shows;
      std::string startFolder{};  // a file dialog's
    } dialogs[] = {
        {C::Command1, C::Text2, ChooseFolder(folder), folder, "Browse for Folder", toRez},
        {C::Command5, C::Text5, ChooseFolder(folder), folder, "Browse for Folder", toExpand},
        {C::Command2, C::Text1, ChooseFile(folder + "\\made"), folder + "\\made.rez",
         "Destination for Rez File", fileDialog, "C:\\"},
        {C::Command3, C::Text4, ChooseFile(existing), existing, "Rez File to UnRez", fileDialog,
         "C:\\"},
        {C::Command7, C::Text7, ChooseFile(folder + "\\in é"), existing, "Rez File to View",
         fileDialog, "C:\\"},
    };
    for (const auto& dialog : dialogs) {
      SCOPED_TRACE(dialog.caption + " from " + std::string(EntryOf(dialog.button).name));
      SetText(dialog.field, "earlier");
      const auto answered = WithDialog([&] { Click(dialog.button); }, dialog.answer);
      EXPECT_EQ(Text(dialog.field), dialog.chosen) << "the answer, with the default extension";
      const auto cancelled = WithDialog([&] { Click(dialog.button); });
      EXPECT_EQ(Text(dialog.field), dialog.chosen) << "a cancelled dialog keeps the field";
      for (const auto& seen : {answered, cancelled}) {
        ASSERT_TRUE(seen);
        EXPECT_EQ(seen->caption, dialog.caption);
        for (const std::string& text : dialog.shows) EXPECT_EQ(seen->TextStartingWith(text), text);
        EXPECT_EQ(_stricmp(seen->folder.c_str(), dialog.startFolder.c_str()), 0)
            << "starts in " << seen->folder;
      }
    }
  }

  // Fields that need quoting reach the tool whole, and each run's lines follow its banner.
  void Tools() {
    SetText(C::Text1, "C:\\Mörlett out\\new.rez");
    SetText(C::Text2, "C:\\in dir\\");
    SetText(C::Text4, "say \"hi\".rez");
    SetText(C::Text5, "");
    SetText(C::Text7, "\"C:\\pasted path\\v.rez\"");
    const std::pair<Control, ArgumentList> runs[] = {
        {C::Command4, {"cv", "C:\\Mörlett out\\new.rez", "C:\\in dir\\"}},
        {C::Command6, {"xv", "say \"hi\".rez", ""}},
        {C::Command8, {"v", "C:\\pasted path\\v.rez"}},
        {C::Command9, {}},
    };
    std::vector<std::string> console = ConsoleRows();
    for (std::size_t i = 0; i < std::size(runs); ++i) {
      const auto& [button, arguments] = runs[i];
      SCOPED_TRACE(EntryOf(button).name);
      console.insert(console.end(),
                     {"Morlett v1.1 Advanced",
                      "lithrez stand-in: " + std::to_string(arguments.size()) + " arguments",
                      "progress 100%", "lithrez stand-in: done"});
      Click(button);
      PumpUntil([&] { return ConsoleRows() == console; });
      ASSERT_EQ(ConsoleRows(), console) << "the run's lines, after its own banner";
      ASSERT_EQ(ToolRuns().size(), i + 1);
      EXPECT_EQ(ToolRuns()[i], arguments);
    }
  }

  void TabWalk() {
    std::vector<Control> walk;
    for (const Control control : TabOrder()) {
      if (EntryOf(control).visible) walk.push_back(control);
    }
    SetFocus(ControlWindow(walk.front()));
    for (std::size_t i = 1; i <= walk.size(); ++i) {
      const Control next = walk[i % walk.size()];  // and round to the first again
      PostMessageA(GetFocus(), WM_KEYDOWN, VK_TAB, 0);
      EXPECT_TRUE(PumpUntil([&] { return GetFocus() == ControlWindow(next); }))
          << "Tab should reach " << EntryOf(next).name;
    }
  }

  void Resizes() {
    const int dpi = static_cast<int>(GetDpiForWindow(Window()));
    const Size design = DesignClientPixels(dpi);
    const LONG designFont = FontHeight();
    ExpectCoreLayout(dpi, designFont);
    for (const auto& [x, y] : {std::pair{1.5, 1.5}, std::pair{0.5, 1.0}, std::pair{1.0, 1.0}}) {
      SCOPED_TRACE(std::to_string(x) + " x " + std::to_string(y));
      SetClientSize({static_cast<int>(std::lround(design.width * x)),
                     static_cast<int>(std::lround(design.height * y))});
      ExpectCoreLayout(dpi, designFont);
    }
    // Moved to a screen of another density, the window takes the size it is offered.
    RECT offered{};
    GetWindowRect(Window(), &offered);
    offered.right += design.width / 2;
    offered.bottom += design.height / 2;
    SendMessageA(Window(), WM_DPICHANGED, MAKEWPARAM(dpi * 3 / 2, dpi * 3 / 2),
                 reinterpret_cast<LPARAM>(&offered));
    ExpectCoreLayout(dpi * 3 / 2, designFont * 1.5);
  }

  // Ctrl+Break is handled alike, but Wine's console cannot raise it.
  void CtrlC() {
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

  void QuitThenClose() {
    const HANDLE console = Console();
    CONSOLE_SCREEN_BUFFER_INFO info{};
    Click(C::Command10);
    EXPECT_EQ(ends, 1);
    EXPECT_TRUE(GetConsoleScreenBufferInfo(console, &info)) << "Quit leaves the console be";

    const HWND window = Window();
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(GetConsoleScreenBufferInfo(console, &info)) << "Unload closes the output handle";
    EXPECT_EQ(GetConsoleWindow(), nullptr) << "and frees the console";
    MSG quit;
    EXPECT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the loop ends";
    EXPECT_EQ(ends, 1);
  }
};

// One window for the whole walk; a failure's line tells the part.
TEST_F(Form1WindowTest, AUserWalksThroughEveryPart) {
  Dialogs();
  Tools();
  TabWalk();
  Resizes();
  CtrlC();
  QuitThenClose();
}

}  // namespace
}  // namespace morlett::testing
