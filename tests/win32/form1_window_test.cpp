// The real Form1 in its window, in this process, used as a user would, and what goes wrong around
// it, read back from the window, console, dialogs and stand-in tool; the rules are unit tests'.
#include <windows.h>

#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <regex>

#include "commands/launch_tool.h"
#include "pickers/rez_file_dialogs.h"
#include "platform/win32/win32_program.h"
#include "platform/win32/win32_text.h"
#include "support/stand_in_log.h"

namespace morlett::testing {
namespace {

using C = Control;
using win32::WindowText;
using namespace std::literals;
constexpr auto npos = std::string::npos;

// From CTest, made absolute before any dialog moves the current directory.
const std::string standInFolder =
    std::filesystem::absolute(std::getenv("MORLETT_STAND_IN_FOLDER")).string();

// Noted by a console handler, which has no context.
// NOLINTNEXTLINE(cppcoreguidelines-avoid-non-const-global-variables)
std::atomic<DWORD> interruptedThread{0};

// Registered after the program's own handler, so it sees the event first, and passes it on.
BOOL WINAPI NoteInterrupt(DWORD) {
  interruptedThread = GetCurrentThreadId();
  return FALSE;
}

// Drops the quit message a closed window leaves behind: it would end the next dialog's loop.
bool DropQuitMessage() {
  MSG quit;
  return PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

struct ScratchFolder {
  ScratchFolder() { CreateDirectoryA(path.c_str(), nullptr); }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::current_path(std::filesystem::temp_directory_path(), ignored);  // in use
    std::filesystem::remove_all(path, ignored);
  }
  // A new folder, for a name that ends in a backslash, or else an empty file; its path.
  std::string Make(const std::string& name) const {
    std::string made = path + "\\" + name;
    if (name.ends_with('\\')) {
      SHCreateDirectoryExA(nullptr, made.c_str(), nullptr);  // and the folders it is in
      return made.substr(0, made.size() - 1);
    }
    CloseHandle(CreateFileA(made.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    return made;
  }
  // Wine soon reuses process ids, and a killed run leaves its folder behind.
  const std::string path = (std::filesystem::temp_directory_path() /
                            ("morlett-test-" + std::to_string(GetCurrentProcessId()) + "-" +
                             std::to_string(GetTickCount64())))
                               .string();
};

// What a dialog showed: its caption, its controls' texts, an icon, a file dialog's folder.
struct DialogSeen {
  std::string caption, texts;
  bool icon = false;
  std::string folder = std::string(MAX_PATH, '\0');
};
// What a timer's callback, which has no context, notes and does.
// NOLINTBEGIN(cppcoreguidelines-avoid-non-const-global-variables)
std::optional<DialogSeen> dialogSeen;
std::function<void(HWND dialog)> dialogStep;
// NOLINTEND(cppcoreguidelines-avoid-non-const-global-variables)

// The dialog this thread shows, active or not: a console opening meanwhile may take activation.
HWND ShownDialog() {
  HWND dialog = nullptr;
  const auto note = [](HWND window, LPARAM into) -> BOOL {
    const bool shown = GetClassLongPtrA(window, GCW_ATOM) == 32770 && IsWindowVisible(window);
    if (shown) *reinterpret_cast<HWND*>(into) = window;
    return !shown;
  };
  EnumThreadWindows(GetCurrentThreadId(), note, reinterpret_cast<LPARAM>(&dialog));
  return dialog;
}

// Runs from inside a modal dialog's own loop, as Wine's conformance tests drive the common
// dialogs: once a dialog is up, notes what it shows, then acts on it, or cancels it.
void CALLBACK ActOnDialog(HWND, UINT, UINT_PTR timer, DWORD) {
  const HWND dialog = ShownDialog();
  if (!dialog) return;
  KillTimer(nullptr, timer);
  DialogSeen& seen = dialogSeen.emplace();
  seen.caption = WindowText(dialog);
  const auto note = [](HWND control, LPARAM into) -> BOOL {
    auto& noted = *reinterpret_cast<DialogSeen*>(into);
    noted.texts += WindowText(control) + '\n';
    noted.icon |= IsWindowVisible(control) && SendMessageA(control, STM_GETICON, 0, 0) != 0;
    return TRUE;
  };
  EnumChildWindows(dialog, note, reinterpret_cast<LPARAM>(&seen));
  if (GetDlgItem(dialog, cmb13))  // a file dialog: to others, the message means other things
    SendMessageA(dialog, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(seen.folder.data()));
  dialogStep ? dialogStep(dialog) : void(PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0));
}

// Does `action`; the dialog it opens gets `step`, or is cancelled. What it showed, if any.
std::optional<DialogSeen> WithDialog(const std::function<void()>& action,
                                     std::function<void(HWND dialog)> step = {}) {
  dialogStep = std::move(step);
  const UINT_PTR timer = SetTimer(nullptr, 0, 50, ActOnDialog);
  action();
  KillTimer(nullptr, timer);
  return std::exchange(dialogSeen, std::nullopt);
}

// The real program, with the stand-in first on PATH; fields are read and set through its backend.
class Form1Fixture : public ::testing::Test {
 protected:
  void SetUp() override {
    SetEnvironmentVariableA("PATH", standInFolder.c_str());
    SetEnvironmentVariableA("STAND_IN_LOG", log.c_str());
    ASSERT_TRUE(program.emplace([this] { ++ends; }).Start(SW_SHOWNORMAL));
  }
  void TearDown() override {
    program.reset();
    DropQuitMessage();
  }

  HWND Window() const { return program->Window().Handle(); }
  HWND ControlWindow(Control control) const { return program->Window().ControlWindow(control); }
  void Click(Control button) const { SendMessageA(ControlWindow(button), BM_CLICK, 0, 0); }
  std::string Text(Control field) { return program->Platform().GetText(field); }
  void SetText(Control field, std::string_view text) { program->Platform().SetText(field, text); }
  // Runs the messages as the program's loop does until `done` holds; false when time runs out.
  bool PumpUntil(const std::function<bool()>& done) const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    for (MSG message{}; !done(); MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT)) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        program ? win32::DispatchToWindow(program->Window(), message)
                : void(DispatchMessageA(&message));
      }
    }
    return true;
  }
  std::vector<ArgumentList> ToolRuns() const { return ReadStandInLog(log); }
  // The handles this process holds. Wine's GetProcessHandleCount says 0, but each handle, a
  // multiple of four, can be asked after.
  static int HeldHandles() {
    DWORD flags = 0;
    int held = 0;
    for (std::uintptr_t value = 4; value < 0x10000; value += 4) {
      held += GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags) ? 1 : 0;
    }
    return held;
  }

 public:  // the test bodies' own state, which they read and change
  ScratchFolder scratch;
  const std::string log = scratch.path + "\\stand-in.log";
  int ends = 0;  // Quits
  std::optional<win32::Win32Program> program;
};

// Puts `path` in a file dialog's name box, or selects it in the folder browser, and confirms.
auto Choose(const std::string& path) {
  return [path](HWND dialog) {
    if (!SetDlgItemTextA(dialog, cmb13, path.c_str())) {
      SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(path.c_str()));
    }
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
  };
}

// What the shell hands a window when files are dropped on it: DROPFILES, then the wide paths.
WPARAM DropOf(std::wstring_view paths) {
  const HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + (paths.size() + 1) * 2);
  auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
  *drop = {sizeof(DROPFILES), {}, FALSE, TRUE};
  std::ranges::copy(paths, reinterpret_cast<wchar_t*>(drop + 1));
  GlobalUnlock(memory);
  return reinterpret_cast<WPARAM>(memory);
}

class Form1WindowTest : public Form1Fixture {
 protected:
  HANDLE Console() const { return reinterpret_cast<HANDLE>(program->Form().ConsoleOutput()); }

  // The console's text up to the cursor, each run of blanks as one, and each run's time as "#".
  std::string ConsoleText() const {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    GetConsoleScreenBufferInfo(Console(), &info);
    std::wstring text(std::size_t(info.dwSize.X) * (info.dwCursorPosition.Y + 1), L' ');
    DWORD read = 0;
    ReadConsoleOutputCharacterW(Console(), text.data(), DWORD(text.size()), {0, 0}, &read);
    std::string utf8(text.size() * 3, '\0');
    utf8.resize(WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), utf8.data(),
                                    int(utf8.size()), nullptr, nullptr));
    return std::regex_replace(std::regex_replace(utf8, std::regex(" +"), " "),
                              std::regex("after [0-9.]+ s"), "after # s");
  }

  // Each dialog is answered, then cancelled: the answer replaces the field's text, the cancel
  // keeps it, and a file dialog shows both times what the program asked for.
  void Dialogs() {
    const std::string folder = scratch.Make("Mörlett ñ\\");
    const std::string existing = scratch.Make("Mörlett ñ\\in é.rez");
    const struct {
      Control button, field;
      std::string answer, chosen;
      const RezFileKind* kind = nullptr;  // none for the folder browser
    } dialogs[] = {
        {C::Command1, C::Text2, folder, folder},
        {C::Command2, C::Text1, folder + "\\made", folder + "\\made.rez", &kCreateRezFile},
        {C::Command7, C::Text7, folder + "\\in é", existing, &kViewRezFile},
    };
    for (const auto& dialog : dialogs) {
      SetText(dialog.field, "earlier");
      const auto answered = WithDialog([&] { Click(dialog.button); }, Choose(dialog.answer));
      const auto cancelled = WithDialog([&] { Click(dialog.button); });
      EXPECT_EQ(Text(dialog.field), dialog.chosen) << EntryOf(dialog.button).name;
      ASSERT_TRUE(answered && cancelled);
      for (const DialogSeen& seen : {*answered, *cancelled}) {
        if (!dialog.kind) continue;  // the folder browser's look is its own
        const FileDialogRequest asked = RezDialogRequest(*dialog.kind, 0);
        EXPECT_EQ(seen.caption, asked.title);
        EXPECT_NE(seen.texts.find(asked.filterName + '\n'), std::string::npos);
        EXPECT_NE(seen.texts.find(asked.proposedName + '\n'), std::string::npos);
        EXPECT_EQ(_stricmp(seen.folder.c_str(), asked.initialDirectory.c_str()), 0);
      }
    }
  }

  // Each tool button starts the tool, a field that needs quoting whole, after a banner; when the
  // tool ends, without a press, its end is told, its exit code as Windows' unsigned value or,
  // for Ctrl+C's status, as an interrupt, and its process handle is let go.
  void Tools() {
    SetText(C::Text1, "C:\\Mörlett out\\new.rez");
    SetText(C::Text2, "say \"hi\" C:\\My Dir\\");
    SetText(C::Text4, "C:\\in.rez");
    // clang-format off
    const struct {
      Control button;
      ArgumentList arguments;
      std::string name, exitCode;
      EndKind kind;
      std::int64_t code;
    } runs[] = {
      {C::Command4, {"cv", "C:\\Mörlett out\\new.rez", "say \"hi\" C:\\My Dir\\"},
       "lithrez cv C:\\Mörlett out\\new.rez", "0", EndKind::Exited, 0},
      {C::Command6, {"xv", "C:\\in.rez", Text(C::Text5)}, "lithrez xv C:\\in.rez", "-1",
       EndKind::Exited, 0xFFFFFFFF},
      {C::Command9, {}, "lithrez", "-1073741510", EndKind::Interrupted, 0},
    };
    // clang-format on
    const int handles = HeldHandles();
    std::string console;  // nothing else is written to it
    for (const auto& run : runs) {
      SetEnvironmentVariableA("STAND_IN_EXIT", run.exitCode.c_str());
      console += "Morlett v1.1 Advanced lithrez stand-in: " + std::to_string(run.arguments.size()) +
                 " arguments progress 100% lithrez stand-in: done " +
                 std::regex_replace(RunEndLine(run.name, {0, run.kind, run.code, {}, 0}),
                                    std::regex("after .*"), "after # s ");
      Click(run.button);
      EXPECT_TRUE(PumpUntil([&] { return ConsoleText() == console; })) << ConsoleText();
      EXPECT_EQ(ToolRuns().back(), run.arguments);
    }
    SetEnvironmentVariableA("STAND_IN_EXIT", nullptr);
    EXPECT_EQ(program->Platform().RunningProcesses(), 0u);
    EXPECT_TRUE(PumpUntil([&] { return HeldHandles() <= handles; })) << HeldHandles() - handles;
  }

  // Each control shows its description as its tooltip and answers a screen reader (Wine takes
  // no accessible names to read back). The fields that show they take files take the first of
  // two dropped, and no name they could not hold whole; the others keep their text.
  void EveryControl() {
    const std::pair<std::wstring_view, std::string> drops[] = {
        {L"C:\\Mörlett ñ\\1.rez\0C:\\2.rez\0"sv, "C:\\Mörlett ñ\\1.rez"},
        {L"\0"sv, "earlier"},  // Wine's name for a drop of a web address
        {L"C:\\a\nb.rez\0"sv, "earlier"},
    };
    int taking = 0;
    for (const ControlEntry& entry : ControlTable()) {
      const HWND control = ControlWindow(entry.id);
      std::string tip(256, '\0');
      TTTOOLINFOA tool{sizeof(tool), 0, Window(), reinterpret_cast<UINT_PTR>(control), {}, nullptr,
                       tip.data(),   0, nullptr};
      SendMessageA(program->Window().Tooltips(), TTM_GETTEXTA, tip.size(), LPARAM(&tool));
      EXPECT_EQ(tip.c_str(), entry.description) << entry.name;
      SendMessageA(control, WM_GETOBJECT, 0, OBJID_CLIENT);
      if (entry.kind != ControlKind::TextField) continue;
      const bool takes = GetWindowLongA(control, GWL_EXSTYLE) & WS_EX_ACCEPTFILES;
      taking += takes;
      for (const auto& [dropped, taken] : drops) {
        SetText(entry.id, "earlier");
        SendMessageA(control, WM_DROPFILES, DropOf(dropped), 0);
        EXPECT_EQ(Text(entry.id), takes ? taken : "earlier") << entry.name;
      }
    }
    EXPECT_EQ(taking, 5);
  }

  // A field keeps the first line of what the edit control's own Shift+Insert pastes (no
  // WM_PASTE is sent), and so shows no more than the tool would get.
  void ShiftInsert() {
    const HGLOBAL copied = GlobalAlloc(GHND, 64);
    std::ranges::copy(L"line1\rline2 visible tail"sv, static_cast<wchar_t*>(GlobalLock(copied)));
    GlobalUnlock(copied);
    ASSERT_TRUE(OpenClipboard(Window()) && EmptyClipboard() &&
                SetClipboardData(CF_UNICODETEXT, copied));
    CloseClipboard();
    BYTE keys[256]{};
    GetKeyboardState(keys);
    keys[VK_SHIFT] = 0x80;
    SetKeyboardState(keys);
    SendMessageA(ControlWindow(C::Text1), WM_KEYDOWN, VK_INSERT, 0);
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
    EXPECT_EQ(WindowText(ControlWindow(C::Text1)), "line1");
  }

  // In a font wider than Windows' own, at each DPI and half the width: every control where the
  // core puts it, every caption in its control's own font within the room the control leaves.
  void Layouts() {
    NONCLIENTMETRICSW system{}, wide;
    system.cbSize = sizeof(system);
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(system), &system, 0);
    wide = system;
    wcscpy(wide.lfMessageFont.lfFaceName, L"DejaVu Sans");
    SystemParametersInfoW(SPI_SETNONCLIENTMETRICS, sizeof(wide), &wide, 0);
    SendMessageA(Window(), WM_SETTINGCHANGE, SPI_SETNONCLIENTMETRICS, 0);
    const HDC dc = GetDC(Window());
    for (const auto& [dpi, share] : {std::pair(96, 1), {120, 1}, {144, 1}, {192, 1}, {192, 2}}) {
      RECT window{0, 0, DesignClientPixels(dpi).width / share, DesignClientPixels(dpi).height};
      AdjustWindowRectExForDpi(&window, WS_OVERLAPPEDWINDOW, FALSE, WS_EX_CONTROLPARENT, dpi);
      SendMessageA(Window(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), LPARAM(&window));
      RECT client{};
      GetClientRect(Window(), &client);
      const ScaledLayout layout =
          ScaleLayout({client.right, client.bottom}, DesignClientPixels(dpi));
      for (const ControlEntry& entry : ControlTable()) {
        RECT placed{};
        GetWindowRect(ControlWindow(entry.id), &placed);
        MapWindowPoints(nullptr, Window(), reinterpret_cast<POINT*>(&placed), 2);
        const Rect box = win32::RectOnWindow(layout, entry.id);
        const Rect shown{placed.left, placed.top, placed.right - placed.left,
                         placed.bottom - placed.top};
        EXPECT_EQ(box, shown) << entry.name << " at " << dpi;
        SelectObject(dc, HGDIOBJ(SendMessageA(ControlWindow(entry.id), WM_GETFONT, 0, 0)));
        SIZE text{};
        GetTextExtentPoint32A(dc, entry.caption.data(), int(entry.caption.size()), &text);
        // What a button draws around its caption, and a frame either side of it, at 96 DPI.
        const int inset =
            entry.kind == ControlKind::Button ? 3 : 10 * (entry.kind == ControlKind::Frame);
        EXPECT_TRUE(entry.kind == ControlKind::TextField ||
                    text.cx + 2 * inset * dpi / 96 <= CaptionWidth(layout, entry.id))
            << entry.name << " at " << dpi;
      }
    }
    ReleaseDC(Window(), dc);
    SystemParametersInfoW(SPI_SETNONCLIENTMETRICS, sizeof(system), &system, 0);
  }

  // Tab walks the shown controls in the table's order, and round to the first again; Space and
  // Enter press the focused button.
  void Keys() {
    std::vector<Control> walk;
    std::ranges::copy_if(TabOrder(), std::back_inserter(walk),
                         [](Control c) { return EntryOf(c).visible; });
    SetFocus(ControlWindow(walk.front()));
    for (std::size_t i = 1; i <= walk.size(); ++i) {
      PostMessageA(GetFocus(), WM_KEYDOWN, VK_TAB, 0);
      EXPECT_TRUE(PumpUntil([&] { return GetFocus() == ControlWindow(walk[i % walk.size()]); }));
    }
    SetFocus(ControlWindow(C::Command9));
    const std::size_t runs = ToolRuns().size();
    for (const WPARAM key : {VK_SPACE, VK_RETURN}) {
      PostMessageA(GetFocus(), WM_KEYDOWN, key, 0);
      PostMessageA(GetFocus(), WM_KEYUP, key, 0);
      EXPECT_TRUE(PumpUntil([&] { return ToolRuns().size() == runs + 1 + (key == VK_RETURN); }))
          << key;
    }
    EXPECT_TRUE(PumpUntil([&] { return program->Platform().RunningProcesses() == 0; }));
  }

  // Ctrl+C in the console is the tools'; Morlett stays. Wine's console cannot raise Ctrl+Break.
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

  // Quit ends at once; closing then runs Unload (the console goes) and ends the message loop.
  void QuitThenClose() {
    const HANDLE console = Console();
    CONSOLE_SCREEN_BUFFER_INFO info{};
    Click(C::Command10);
    EXPECT_TRUE(ends == 1 && GetConsoleScreenBufferInfo(console, &info));
    SendMessageA(Window(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(!program->Window().Handle() && !GetConsoleScreenBufferInfo(console, &info));
    EXPECT_TRUE(!GetConsoleWindow() && DropQuitMessage() && ends == 1);
  }
};

TEST_F(Form1WindowTest, AUserWalksThroughEveryPart) {
  Dialogs();
  Tools();
  EveryControl();
  ShiftInsert();
  Layouts();
  Keys();
  CtrlC();
  QuitThenClose();
}

using FaultTest = Form1Fixture;

// Each row clicks Create with its own PATH and rez-file field, a copy of the tool in the current
// folder never to be run: it either tells its words, or runs the tool and tells nothing.
TEST_F(FaultTest, EachFaultIsToldOrTheToolRunsAndTheFieldsKeepTheirText) {
  SetCurrentDirectoryA(scratch.Make("planted\\").c_str());
  ASSERT_TRUE(CopyFileA((standInFolder + "\\lithrez.exe").c_str(), "lithrez.exe", FALSE));
  scratch.Make("named\\lithrez.exe\\");
  // "lithrez cv " + the field + " C:\in": Windows takes 32766 characters and the closing NUL.
  std::string longest;
  while (longest.size() < std::size_t{2} * (32766 - 17))
    longest += "\xc3\xa9";  // é, two bytes a character
  const struct {
    const char* name;
    std::string path, text1, told;  // what the message holds; nothing when the tool runs
  } cases[] = {
      {"only in the current folder", "", "C:\\a.rez", "The program was not found."},
      {"a folder named lithrez.exe first", scratch.path + "\\named;" + standInFolder, "C:\\b", ""},
      {"a file that is no program first", scratch.path + ";" + standInFolder, "a",
       scratch.Make("lithrez.exe")},
      {"the longest line", standInFolder, longest, ""},
      {"one character more", standInFolder, longest + "\xc3\xa9", "too long"},
  };
  SetText(C::Text2, "C:\\in");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetEnvironmentVariableA("PATH", c.path.c_str());
    SetText(C::Text1, c.text1);
    const std::size_t runs = ToolRuns().size();
    const auto told = WithDialog([&] { Click(C::Command4); });
    ASSERT_EQ(told.has_value(), !c.told.empty());
    if (told) {  // in an error box, with the reason, not the current folder; nothing started
      const std::string& shown = told->texts;
      EXPECT_TRUE(told->icon &&
                  shown.find(c.told, shown.find("Couldn't start lithrez\n\n")) != npos &&
                  shown.find("%1") == npos && shown.find(scratch.path + "\\planted") == npos &&
                  ToolRuns().size() == runs)
          << shown;
    } else {
      ASSERT_TRUE(PumpUntil([&] { return ToolRuns().size() == runs + 1; })) << "no tool ran";
      EXPECT_EQ(ToolRuns().back(), (ArgumentList{"cv", c.text1, "C:\\in"}));
      // The run's handle is let go once it ends, so that the next Create may run.
      EXPECT_TRUE(PumpUntil([&] { return program->Platform().RunningProcesses() == 0; }));
    }
    EXPECT_EQ(Text(C::Text1) + Text(C::Text2), c.text1 + "C:\\in");
  }
}

// While a Create runs, a Create of the same archive is refused however the archive is spelt,
// and also with another directory: nothing starts. Once it has ended, the Create starts again.
TEST_F(FaultTest, ACreateStillRunningIsNotStartedAgain) {
  SetEnvironmentVariableA("STAND_IN_UNTIL", (scratch.path + "\\ended").c_str());
  SetCurrentDirectoryA(scratch.path.c_str());
  const std::string archive = scratch.path + "\\out.rez";
  std::string shortFolder(MAX_PATH, '\0');
  shortFolder.resize(GetShortPathNameA(scratch.path.c_str(), shortFolder.data(), MAX_PATH));
  std::string upper = archive;
  std::ranges::transform(upper, upper.begin(), [](unsigned char c) { return std::toupper(c); });
  SetText(C::Text1, archive);
  SetText(C::Text2, "C:\\in");
  EXPECT_FALSE(WithDialog([&] { Click(C::Command4); }));
  ASSERT_TRUE(PumpUntil([&] { return ToolRuns().size() == 1; }));
  const std::string running = Text(C::Text3);
  const std::pair<std::string, const char*> spellings[] = {
      {archive, "C:\\in"},
      {".\\out.rez", "C:\\in"},
      {scratch.path + "\\\\out.rez", "C:\\in"},
      {upper, "C:\\in"},
      {shortFolder + "\\out.rez", "C:\\in"},
      {archive, "C:\\other"},
  };
  for (const auto& [rez, directory] : spellings) {
    SetText(C::Text1, rez);
    SetText(C::Text2, directory);
    const auto refused = WithDialog([&] { Click(C::Command4); });
    EXPECT_TRUE(refused && !refused->icon &&
                refused->texts.find("still running this command:\n\n" + running + "\n") != npos)
        << rez << " " << directory;
  }
  EXPECT_EQ(ToolRuns().size(), 1u);
  scratch.Make("ended");  // then it starts again, and the ended runs' handles are let go
  EXPECT_TRUE(PumpUntil([&] { return !WithDialog([&] { Click(C::Command4); }); }));
  EXPECT_TRUE(
      PumpUntil([&] { return ToolRuns().size() == 2 && !program->Platform().RunningProcesses(); }));
  SetEnvironmentVariableA("STAND_IN_UNTIL", nullptr);
}

// Windows always gives a console it allocated its output handle, so the rows after the first
// stand in for GetStdHandle to refuse it; the first is refused as the fixture holds a console.
TEST_F(FaultTest, ARefusedConsoleIsToldOnceAndEveryToolStillStarts) {
  const std::pair<win32::Win32Platform::StdHandleFunction, const char*> cases[] = {
      {GetStdHandle, "Couldn't allocate console"},
      {[](DWORD) -> HANDLE { return nullptr; }, "Couldn't allocate STDOUT"},
      {[](DWORD) { return INVALID_HANDLE_VALUE; }, "Couldn't allocate STDOUT"},
  };
  for (std::size_t row = 0; row < std::size(cases); ++row) {
    DropQuitMessage();  // the last row's window, closing
    win32::Win32Program refused([] {}, cases[row].first);
    const auto told = WithDialog([&] { ASSERT_TRUE(refused.Start(SW_SHOWNORMAL)); });
    ASSERT_TRUE(told && told->texts.find(cases[row].second) != npos) << cases[row].second;
    program.reset();  // and the console it held, for the rows to come
    for (const Control button : {C::Command4, C::Command6, C::Command8, C::Command9}) {
      const HWND control = refused.Window().ControlWindow(button);
      EXPECT_FALSE(WithDialog([&] { SendMessageA(control, BM_CLICK, 0, 0); })) << "told once";
    }
    EXPECT_TRUE(PumpUntil([&] { return ToolRuns().size() == 4 * (row + 1); })) << cases[row].second;
  }
}

}  // namespace
}  // namespace morlett::testing
