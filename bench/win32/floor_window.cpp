// The floor of the start benchmark: the least a Win32 program does to show one empty window.
// Run with "console", it also opens a console and waits for it to be up before showing its
// window, as Morlett does, which tells the console's cost apart from Morlett's own.
//   floor_window <report file> [console]
#include <windows.h>

#include <string_view>

#include "first_paint.h"

namespace {

LRESULT CALLBACK FloorWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const bool console = argc > 2 && std::string_view(argv[2]) == "console" && AllocConsole();

  const HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = FloorWindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // the arrow
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  windowClass.lpszClassName = "FloorWindow";
  RegisterClassA(&windowClass);
  const HWND window =
      CreateWindowExA(0, "FloorWindow", "Floor", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                      CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
  // Shown once the console is up, as Morlett's is, so that it comes above the console.
  if (console) GetConsoleWindow();
  ShowWindow(window, SW_SHOWDEFAULT);
  UpdateWindow(window);
  morlett::bench::RunUntilPainted([](MSG& message) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  });
  morlett::bench::ReportFirstPaint(argv[1]);
}
