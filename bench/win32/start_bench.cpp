// The Windows start benchmark. Morlett's start and a minimal Win32 window's are each run
// afresh several times, in turn, in the same run: every child is timed from CreateProcess to
// the end of its window's first paint, and its memory is read at that moment. Prints the
// medians as rows of a Markdown table, Morlett against the floor, and each run to stderr.
//   morlett_win32_bench [runs]
#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32/win32_owners.h"

namespace {

struct Child {
  const char* name;
  const char* program;  // beside this benchmark
  const char* mode;
};

// Morlett opens a console at start and waits for it to be up, and the plain floor does not;
// the floor that does tells the console's cost apart from the cost of Morlett's own code.
constexpr std::array<Child, 3> kChildren{{
    {"Morlett", "morlett_start_child.exe", ""},
    {"floor", "floor_window.exe", ""},
    {"floor, console", "floor_window.exe", "console"},
}};
enum ChildIndex { kMorlett, kFloor, kFloorWithConsole };

struct Sample {
  double milliseconds = 0;
  double peakWorkingSetMb = 0;
  double privateMb = 0;
};

std::string OwnFolder() {
  std::array<char, MAX_PATH> path{};
  GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
  std::string folder(path.data());
  return folder.substr(0, folder.find_last_of('\\') + 1);
}

std::string ReportPath() {
  std::array<char, MAX_PATH> temp{};
  GetTempPathA(static_cast<DWORD>(temp.size()), temp.data());
  return std::string(temp.data()) + "morlett-bench-" + std::to_string(GetCurrentProcessId());
}

double Milliseconds(long long ticks) {
  LARGE_INTEGER frequency{};
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(ticks) / static_cast<double>(frequency.QuadPart);
}

// One start of `child`, or nothing when it did not report its first paint in time.
std::optional<Sample> RunOnce(const Child& child, const std::string& report) {
  DeleteFileA(report.c_str());
  const std::string program = OwnFolder() + child.program;
  std::string commandLine = "\"" + program + "\" \"" + report + "\" " + child.mode;
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION started{};
  LARGE_INTEGER begin{};
  QueryPerformanceCounter(&begin);
  // Detached, as the desktop starts a program: no console comes with it.
  if (!CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                      DETACHED_PROCESS, nullptr, nullptr, &startup, &started)) {
    return std::nullopt;
  }
  const morlett::win32::UniqueHandle process(started.hProcess);
  const morlett::win32::UniqueHandle thread(started.hThread);
  if (WaitForSingleObject(process.get(), 60000) != WAIT_OBJECT_0) {
    TerminateProcess(process.get(), 1);
    return std::nullopt;
  }

  long long painted = 0;
  unsigned long long peak = 0, privateBytes = 0;
  FILE* file = std::fopen(report.c_str(), "r");
  if (!file) return std::nullopt;
  const int read = std::fscanf(file, "%lld %llu %llu", &painted, &peak, &privateBytes);
  std::fclose(file);
  if (read != 3) return std::nullopt;
  constexpr double kMb = 1024.0 * 1024.0;
  return Sample{Milliseconds(painted - begin.QuadPart), static_cast<double>(peak) / kMb,
                static_cast<double>(privateBytes) / kMb};
}

double Median(std::vector<Sample> samples, double Sample::*figure) {
  std::sort(samples.begin(), samples.end(),
            [figure](const Sample& a, const Sample& b) { return a.*figure < b.*figure; });
  const std::size_t middle = samples.size() / 2;
  return samples.size() % 2 ? samples[middle].*figure
                            : (samples[middle - 1].*figure + samples[middle].*figure) / 2;
}

void PrintRow(const char* figure, const char* unit, double morlett, double floor) {
  std::printf("| %s | %.1f %s | %.1f %s | %.2f |\n", figure, morlett, unit, floor, unit,
              morlett / floor);
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
  const std::string report = ReportPath();
  std::array<std::vector<Sample>, kChildren.size()> samples;
  // Run 0 warms the system's caches and is not counted. The order turns with every run, so
  // that no child always comes first or last.
  for (int run = 0; run <= runs; ++run) {
    for (std::size_t turn = 0; turn < kChildren.size(); ++turn) {
      const std::size_t index = (turn + static_cast<std::size_t>(run)) % kChildren.size();
      const std::optional<Sample> sample = RunOnce(kChildren[index], report);
      if (!sample) {
        std::fprintf(stderr, "%s: no first paint reported\n", kChildren[index].name);
        return 1;
      }
      std::fprintf(stderr, "run %2d %-19s %7.1f ms  peak %6.1f MB  private %6.1f MB\n", run,
                   kChildren[index].name, sample->milliseconds, sample->peakWorkingSetMb,
                   sample->privateMb);
      if (run > 0) samples[index].push_back(*sample);
    }
  }
  DeleteFileA(report.c_str());

  const struct {
    const char* figure;
    const char* unit;
    double Sample::*value;
    ChildIndex floor;
  } rows[] = {
      {"Start to first painted window", "ms", &Sample::milliseconds, kFloor},
      {"Start to first painted window, the floor also opening a console", "ms",
       &Sample::milliseconds, kFloorWithConsole},
      {"Peak working set at first paint", "MB", &Sample::peakWorkingSetMb, kFloor},
      {"Private bytes at first paint", "MB", &Sample::privateMb, kFloor},
  };
  for (const auto& row : rows) {
    PrintRow(row.figure, row.unit, Median(samples[kMorlett], row.value),
             Median(samples[row.floor], row.value));
  }
  return 0;
}
