// What the Windows tests share: the real Form1 in its window in the test's own process, a
// driver for the modal dialogs its clicks open, and waiting while the messages keep flowing.
#pragma once

#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>
#include <dlgs.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/layout.h"
#include "platform/win32/win32_program.h"
#include "support/stand_in_log.h"

namespace morlett::testing {

inline std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// From CTest: the stand-in lithrez.exe's folder, made absolute before any dialog moves the
// current directory, and Morlett.exe.
inline const std::string standInFolder =
    std::filesystem::absolute(Environment("MORLETT_STAND_IN_FOLDER")).string();
inline const std::string morlettExe = Environment("MORLETT_EXE");

// Runs the thread's messages, through `window` as the program's loop does, until `done`
// holds; false when the time runs out first.
inline bool PumpUntil(const std::function<bool()>& done, const win32::Form1Window* window = nullptr,
                      std::chrono::seconds limit = std::chrono::seconds(20)) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    MSG message{};
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (window) {
        win32::DispatchToWindow(*window, message);
      } else {
        DispatchMessageA(&message);
      }
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return true;
}

// Drops the quit message a closed window leaves behind: it would end the next dialog's loop.
inline void DropQuitMessage() {
  MSG quit;
  PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

inline std::string WindowText(HWND window) {
  std::array<char, 1024> text{};
  GetWindowTextA(window, text.data(), static_cast<int>(text.size()));
  return text.data();
}

// A fresh folder under the temporary folder, removed with everything in it at the end.
struct ScratchFolder {
  ScratchFolder() { CreateDirectoryA(path.c_str(), nullptr); }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::current_path(std::filesystem::temp_directory_path(), ignored);  // in use
    std::filesystem::remove_all(path, ignored);
  }
  std::string Folder(const std::string& name) const {
    CreateDirectoryA((path + "\\" + name).c_str(), nullptr);
    return path + "\\" + name;
  }
  std::string File(const std::string& name) const {
    CloseHandle(CreateFileA((path + "\\" + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    return path + "\\" + name;
  }

  const std::string path = (std::filesystem::temp_directory_path() /
                            ("morlett-test-" + std::to_string(GetCurrentProcessId())))
                               .string();
};

// What a dialog showed when the test came to act on it.
struct DialogSeen {
  std::string caption;
  std::vector<std::string> texts;  // its controls' texts, in window order
  std::string folder;              // the folder a file dialog shows

  std::string TextStartingWith(std::string_view start) const {
    const auto found =
        std::ranges::find_if(texts, [&](auto& text) { return text.starts_with(start); });
    return found == texts.end() ? std::string() : *found;
  }
};
using DialogStep = std::function<bool(HWND dialog)>;  // false: not ready yet, try again

inline std::optional<DialogSeen> dialogSeen;
inline DialogStep dialogStep;
inline int dialogStepTries = 0;

inline BOOL CALLBACK CollectText(HWND child, LPARAM texts) {
  reinterpret_cast<std::vector<std::string>*>(texts)->push_back(WindowText(child));
  return TRUE;
}

// Runs from inside a modal dialog's own loop, as Wine's conformance tests drive the common
// dialogs: once a dialog is active, notes what it shows, and acts on it, or cancels it.
inline void CALLBACK ActOnDialog(HWND, UINT, UINT_PTR timer, DWORD) {
  const HWND dialog = GetActiveWindow();
  std::array<char, 8> name{};
  GetClassNameA(dialog, name.data(), static_cast<int>(name.size()));
  if (std::string_view(name.data()) != "#32770") return;  // not up yet
  if (!dialogSeen) {
    DialogSeen& seen = dialogSeen.emplace();
    seen.caption = WindowText(dialog);
    EnumChildWindows(dialog, CollectText, reinterpret_cast<LPARAM>(&seen.texts));
    std::array<char, MAX_PATH> folder{};
    if (GetDlgItem(dialog, cmb13)) {  // a file dialog: to others, the message means other things
      SendMessageA(dialog, CDM_GETFOLDERPATH, folder.size(),
                   reinterpret_cast<LPARAM>(folder.data()));
    }
    seen.folder = folder.data();
  }
  // A step that cannot be done within ten seconds gives way to a cancel: no fault hangs a test.
  if (dialogStep && ++dialogStepTries < 200 && !dialogStep(dialog)) return;
  KillTimer(nullptr, timer);
  if (!dialogStep || dialogStepTries >= 200) PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
}

// Does `action`, and the dialog it opens gets `step`, or is cancelled. What the dialog
// showed, or nothing when none opened.
inline std::optional<DialogSeen> WithDialog(const std::function<void()>& action,
                                            DialogStep step = {}) {
  dialogSeen.reset();
  dialogStep = std::move(step);
  dialogStepTries = 0;
  const UINT_PTR timer = SetTimer(nullptr, 0, 50, ActOnDialog);
  action();
  KillTimer(nullptr, timer);
  return std::exchange(dialogSeen, std::nullopt);
}

// Types `path` into a file dialog's name box, and confirms.
inline DialogStep ChooseFile(const std::string& path) {
  return [path](HWND dialog) {
    SetDlgItemTextA(dialog, cmb13, path.c_str());
    return PostMessageA(dialog, WM_COMMAND, IDOK, 0);
  };
}

// Selects `folder` in the folder browser, and confirms once the browser shows it selected.
inline DialogStep ChooseFolder(const std::string& folder) {
  return [folder](HWND dialog) {
    SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(folder.c_str()));
    const HWND tree = FindWindowExA(dialog, nullptr, WC_TREEVIEWA, nullptr);
    std::array<char, MAX_PATH> name{};
    TVITEMA item{};
    item.mask = TVIF_TEXT;
    item.hItem = TreeView_GetSelection(tree);
    item.pszText = name.data();
    item.cchTextMax = static_cast<int>(name.size());
    return TreeView_GetItem(tree, &item) && folder.ends_with("\\" + std::string(name.data())) &&
           PostMessageA(dialog, WM_COMMAND, IDOK, 0);
  };
}

// The real program, started with the stand-in first on PATH and logging into the scratch
// folder. Fields are read and set through the backend, as the program does.
class Form1Fixture : public ::testing::Test {
 protected:
  void SetUp() override {
    SetEnvironmentVariableA("PATH", standInFolder.c_str());
    SetEnvironmentVariableA("STAND_IN_LOG", log.c_str());
    program.emplace([this] { ++ends; });
    ASSERT_TRUE(program->Start(SW_SHOWNORMAL));
    fields.AttachWindow(program->Window());
  }
  void TearDown() override {
    program.reset();
    DropQuitMessage();
  }

  HWND Window() const { return program->Window().Handle(); }
  HWND ControlWindow(Control control) const { return program->Window().ControlWindow(control); }
  void Click(Control button) const { SendMessageA(ControlWindow(button), BM_CLICK, 0, 0); }
  std::string Text(Control field) { return fields.GetText(field); }
  void SetText(Control field, std::string_view text) { fields.SetText(field, text); }
  bool PumpUntil(const std::function<bool()>& done,
                 std::chrono::seconds limit = std::chrono::seconds(20)) const {
    return testing::PumpUntil(done, &program->Window(), limit);
  }
  std::vector<ArgumentList> ToolRuns() const { return ReadStandInLog(log); }

  // Where the control lies on the window's client area.
  Rect Placed(Control control) const {
    RECT rect{};
    GetWindowRect(ControlWindow(control), &rect);
    MapWindowPoints(nullptr, Window(), reinterpret_cast<POINT*>(&rect), 2);
    return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
  }
  void SetClientSize(Size client) const {
    RECT window{}, current{};
    GetWindowRect(Window(), &window);
    GetClientRect(Window(), &current);
    SetWindowPos(Window(), nullptr, 0, 0, window.right - window.left + client.width - current.right,
                 window.bottom - window.top + client.height - current.bottom,
                 SWP_NOMOVE | SWP_NOZORDER);
  }
  LONG FontHeight() const {
    LOGFONTA font{};
    GetObjectA(
        reinterpret_cast<HFONT>(SendMessageA(ControlWindow(Control::Command1), WM_GETFONT, 0, 0)),
        sizeof(font), &font);
    return std::abs(font.lfHeight);
  }

  ScratchFolder scratch;
  const std::string log = scratch.path + "\\stand-in.log";
  int ends = 0;  // Quits
  std::optional<win32::Win32Program> program;
  win32::Win32Platform fields;
};

}  // namespace morlett::testing
