// Measures how long Morlett.exe takes from being started until its window is up and waiting
// for the user, several times over, and prints each run and the median. A measurement, not a
// test: nothing asserts a time.
//   startup_time <path of Morlett.exe> [runs]
#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct Search {
  DWORD processId;
  HWND found;
};

BOOL CALLBACK FindProgramWindow(HWND window, LPARAM search) {
  auto* wanted = reinterpret_cast<Search*>(search);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  std::array<char, 64> caption{};
  GetWindowTextA(window, caption.data(), static_cast<int>(caption.size()));
  if (owner != wanted->processId || std::string_view(caption.data()) != "Morlett Advanced") {
    return TRUE;
  }
  wanted->found = window;
  return FALSE;
}

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
         static_cast<double>(frequency.QuadPart);
}

// One start: the time until the window waits for input, or a negative number on failure.
double TimeOneStart(const std::string& program) {
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION started{};
  std::string commandLine = "\"" + program + "\"";
  LARGE_INTEGER begin, end;
  QueryPerformanceCounter(&begin);
  if (!CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &started)) {
    return -1;
  }
  const bool idle = WaitForInputIdle(started.hProcess, 60000) == 0;
  QueryPerformanceCounter(&end);
  Search search{started.dwProcessId, nullptr};
  EnumWindows(FindProgramWindow, reinterpret_cast<LPARAM>(&search));
  if (search.found) PostMessageA(search.found, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(started.hProcess, 20000) != WAIT_OBJECT_0) {
    TerminateProcess(started.hProcess, 1);
  }
  CloseHandle(started.hThread);
  CloseHandle(started.hProcess);
  return idle && search.found ? Milliseconds(begin, end) : -1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s <path of Morlett.exe> [runs]\n", argv[0]);
    return 2;
  }
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 7;
  std::vector<double> times;
  for (int run = 0; run < runs; ++run) {
    const double time = TimeOneStart(argv[1]);
    if (time < 0) {
      std::fprintf(stderr, "run %d: the window did not come up\n", run + 1);
      return 1;
    }
    std::printf("run %d: %.1f ms\n", run + 1, time);
    times.push_back(time);
  }
  std::sort(times.begin(), times.end());
  std::printf("median of %d: %.1f ms\n", runs, times[times.size() / 2]);
  return 0;
}
