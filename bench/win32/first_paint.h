// What each child of the start benchmark does once its window is shown: it lets its messages
// run until none is waiting and nothing is left to paint, notes that moment and its memory for
// the parent, and ends. Both children do exactly this, so their figures compare.
#pragma once

#include <windows.h>

#include <psapi.h>

#include <cstdio>

namespace morlett::bench {

// Runs the thread's messages until the queue is empty. Paint messages come only when nothing
// else waits, so when none comes back every window of the thread has been painted.
template <class Dispatch>
void RunUntilPainted(Dispatch dispatch) {
  MSG message{};
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) dispatch(message);
}

// Writes "<performance counter> <peak working set> <private bytes>" to `reportPath` and ends
// the process: the window has been measured, and how it closes is not.
[[noreturn]] inline void ReportFirstPaint(const char* reportPath) {
  LARGE_INTEGER painted{};
  QueryPerformanceCounter(&painted);
  PROCESS_MEMORY_COUNTERS memory{};
  memory.cb = sizeof(memory);
  GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof(memory));
  if (FILE* report = std::fopen(reportPath, "w")) {
    std::fprintf(report, "%lld %llu %llu\n", static_cast<long long>(painted.QuadPart),
                 static_cast<unsigned long long>(memory.PeakWorkingSetSize),
                 static_cast<unsigned long long>(memory.PagefileUsage));
    std::fclose(report);
  }
  ExitProcess(0);
}

}  // namespace morlett::bench
