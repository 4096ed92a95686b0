// The Windows build's benchmarks, run under Wine by tools/bench-windows.sh and tools/soak.sh:
// `start <runs>` starts itself again for every run, so that Morlett and its floors load the
// same files; `starts|resizes <count>` is one soak run, printing its row.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <string_view>

#include "measure.h"
#include "platform/win32/win32_program.h"

namespace morlett::bench {
namespace {

std::string Beside(const std::string& file) {  // a file in this program's folder
  char path[MAX_PATH]{};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return std::string(path).substr(0, std::string(path).rfind('\\') + 1) + file;
}

// Paint messages come only when nothing else waits, so once the queue is empty every window of
// the thread has been painted.
[[noreturn]] void ReportPainted(const win32::Form1Window* window) {
  MSG message{};
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    window ? win32::DispatchToWindow(*window, message) : void(DispatchMessageA(&message));
  }
  ReportAndEnd({MillisecondsSinceStarted(), PeakMemoryKiB() / 1024.0, MemoryKiB() / 1024.0});
}

// The floors: an empty window; the same with one line of text in the font of Morlett's
// controls; and the empty window that first opens a console and waits for it, as Morlett does,
// which tells the console's cost apart from Morlett's own.
[[noreturn]] void ShowFloor(std::string_view kind) {
  if (kind == "console" && AllocConsole()) GetConsoleWindow();
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // the arrow
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  windowClass.lpszClassName = "Floor";
  RegisterClassA(&windowClass);
  const HWND window = CreateWindowExA(0, "Floor", "Floor", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                                      windowClass.hInstance, nullptr);
  if (kind == "text") {
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof(metrics);
    SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    const HWND text = CreateWindowExA(0, "STATIC", "Morlett Advanced", WS_CHILD | WS_VISIBLE, 8, 8,
                                      200, 24, window, nullptr, windowClass.hInstance, nullptr);
    const HFONT font = CreateFontIndirectA(&metrics.lfMessageFont);
    SendMessageA(text, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
  ShowWindow(window, SW_SHOWDEFAULT);
  UpdateWindow(window);
  ReportPainted(nullptr);
}

int StartBench(const std::string& self, int runs) {
  const auto medians = Alternate({{self, "start-child", "morlett"},
                                  {self, "start-child", "empty"},
                                  {self, "start-child", "text"},
                                  {self, "start-child", "console"}},
                                 runs);
  if (!medians) return 1;  // first painted, ms; peak working set and private bytes, MiB
  const auto& [morlett, empty, text, console] =
      std::tie((*medians)[0], (*medians)[1], (*medians)[2], (*medians)[3]);
  PrintStartRows(morlett, empty, text, runs);
  PrintRow("Start, against the empty window that also opens a console", morlett[0], console[0],
           "ms", runs);
  PrintRow("Private bytes at first paint", morlett[2], empty[2], "MiB", runs);
  return 0;
}

// Wine now and then fails to start one of fifty processes started at once; the program then
// says so in a message box, which this closes and counts.
// The count lives here because a thread timer's callback is given nothing to pass it on.
int& ClosedBoxes() {
  static int closed = 0;
  return closed;
}
void CALLBACK CloseMessageBox(HWND, UINT, UINT_PTR, DWORD) {
  static HWND last = nullptr;
  const HWND box = GetActiveWindow();
  char name[8]{};
  GetClassNameA(box, name, sizeof name);
  if (std::string_view(name) != "#32770") return;
  ClosedBoxes() += box != last ? 1 : 0;
  last = box;
  PostMessageA(box, WM_COMMAND, IDOK, 0);
}

class Win32Soak final : public SoakRun {
 public:
  Win32Soak() {
    SetLog(Beside("soak-runs.log"));
    DeleteFileA(Log().c_str());
    SetEnvironmentVariableA("STAND_IN_LOG", Log().c_str());
    SetEnvironmentVariableA("PATH", Beside("..\\..\\stand-in").c_str());
    program_.Start(SW_SHOWNORMAL);
    SetTimer(nullptr, 0, 100, CloseMessageBox);
    SetHeldMargin(16);  // Wine's own caches; a leak of one handle a start takes hundreds
  }

 private:
  void ClickLithrez() override {
    SendMessageA(program_.Window().ControlWindow(Control::Command9), BM_CLICK, 0, 0);
  }
  void ResizeTo(double fraction) override {
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    const HWND window = program_.Window().Handle();
    SetWindowPos(window, nullptr, 0, 0, 1 + static_cast<int>((width - 1) * fraction),
                 1 + static_cast<int>((height - 1) * fraction), SWP_NOMOVE | SWP_NOZORDER);
    RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  }
  void Pump() override {
    MSG message{};
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      win32::DispatchToWindow(program_.Window(), message);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
  }
  bool ToolsRunning() override { return program_.Platform().RunningProcesses() > 0; }
  // GetProcessHandleCount says 0 on Wine 8, but each handle, a multiple of four, can be asked
  // after. An ended tool's process handle left open counts here.
  int Held() override {
    DWORD flags = 0;
    int handles = 0;
    for (std::uintptr_t value = 4; value < 0x10000; value += 4) {
      handles += GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags) ? 1 : 0;
    }
    return handles;
  }
  int Told() override { return ClosedBoxes(); }

  win32::Win32Program program_{[] {}};
};

}  // namespace
}  // namespace morlett::bench

int main(int argc, char** argv) {
  using namespace morlett::bench;
  const std::string_view mode = argc > 1 ? argv[1] : "", argument = argc > 2 ? argv[2] : "";
  const int count = CountOf(argument);
  if (mode == "start") return StartBench(Beside("morlett_win32_bench.exe"), count);
  if (mode == "start-child" && argument != "morlett") ShowFloor(argument);
  if (mode == "start-child") {
    morlett::win32::Win32Program program;
    if (program.Start(SW_SHOWDEFAULT)) ReportPainted(&program.Window());
    return 1;
  }
  if (mode == "starts") return Win32Soak().Starts(count) ? 0 : 1;
  if (mode == "resizes") return Win32Soak().Resizes(count) ? 0 : 1;
  static_cast<void>(
      std::fputs("usage: morlett_win32_bench start <runs> | starts|resizes <count>\n", stderr));
  return 2;
}
