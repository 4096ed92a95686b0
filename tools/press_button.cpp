// Presses a button in another program's window, as a user's click would, for the installer
// test: it waits for a top-level window with the given title to show the button, clicks it,
// and fails when none does in time. The caller waits for the click's effect.
//   press_button <window title> <button caption> [seconds, 120 when not given]
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

struct ButtonSearch {
  std::string title, caption;
  HWND found = nullptr;
};

BOOL CALLBACK MatchButton(HWND control, LPARAM data) {
  auto& search = *reinterpret_cast<ButtonSearch*>(data);
  char kind[32] = {}, text[256] = {};
  GetClassNameA(control, kind, sizeof kind);
  GetWindowTextA(control, text, sizeof text);
  if (lstrcmpiA(kind, "Button") != 0 || search.caption != text || !IsWindowVisible(control) ||
      !IsWindowEnabled(control)) {
    return TRUE;
  }
  search.found = control;
  return FALSE;
}

// Several windows may share the title (a console may take the program's): each is searched.
BOOL CALLBACK SearchWindow(HWND window, LPARAM data) {
  auto& search = *reinterpret_cast<ButtonSearch*>(data);
  char text[256] = {};
  GetWindowTextA(window, text, sizeof text);
  if (search.title == text && IsWindowVisible(window)) EnumChildWindows(window, MatchButton, data);
  return search.found ? FALSE : TRUE;
}

HWND FindButton(const char* title, const char* caption) {
  ButtonSearch search{title, caption};
  EnumWindows(SearchWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: press_button <window title> <button caption> [seconds]\n");
    return 2;
  }
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::seconds(argc > 3 ? std::atoi(argv[3]) : 120);
  while (std::chrono::steady_clock::now() < deadline) {
    // Posted, not sent: a sent message may be handled while the program still waits inside
    // its start-up, a posted one only once its message loop runs, as a user's click is.
    const HWND button = FindButton(argv[1], argv[2]);
    if (button && PostMessageA(button, BM_CLICK, 0, 0)) return 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  std::fprintf(stderr, "press_button: no button \"%s\" in a window \"%s\" in time\n", argv[2],
               argv[1]);
  return 1;
}
