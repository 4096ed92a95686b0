#include "measure.h"

#ifdef _WIN32
#include <windows.h>

#include <psapi.h>
#else
#include <malloc.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace morlett::bench {
namespace {

constexpr int kAtOnce = 50;
constexpr int kWarmUp = 50;       // starts or resize steps
constexpr int kResizeCycle = 50;  // steps from tiny to the whole screen and back
// A leak of ten kilobytes a start or a resize exceeds it; the allocator and the toolkit's
// caches settling after the warm-up do not.
constexpr long kGrowthLimitKiB = 8L * 1024;
constexpr int kLeastRounds = 10;  // of the event loop after the warm-up: the window kept up

std::int64_t Now() {  // nanoseconds
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return std::chrono::duration_cast<std::chrono::nanoseconds>(now).count();
}

#ifdef _WIN32
PROCESS_MEMORY_COUNTERS MemoryCounters() {
  PROCESS_MEMORY_COUNTERS counters{};
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
  return counters;
}

// Detached, as the desktop starts a program, inheriting no handle, and ended after two minutes.
bool RunToEnd(const Command& command) {
  std::string line;
  for (const std::string& argument : command) line += "\"" + argument + "\" ";
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION started{};
  if (!CreateProcessA(command[0].c_str(), line.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS,
                      nullptr, nullptr, &startup, &started)) {
    return false;
  }
  CloseHandle(started.hThread);
  DWORD code = 1;
  if (WaitForSingleObject(started.hProcess, 120'000) != 0) TerminateProcess(started.hProcess, 1);
  GetExitCodeProcess(started.hProcess, &code);
  CloseHandle(started.hProcess);
  return code == 0;
}
#else
// A child that never paints ends at its own alarm.
bool RunToEnd(Command command) {  // a copy, for the writable strings posix_spawn takes
  std::vector<char*> argv;
  argv.reserve(command.size() + 1);
  for (std::string& argument : command) argv.push_back(argument.data());
  argv.push_back(nullptr);
  pid_t child = 0;
  int status = 1;
  return posix_spawn(&child, argv[0], nullptr, nullptr, argv.data(), environ) == 0 &&
         waitpid(child, &status, 0) == child && status == 0;
}
#endif

// The numbers the child reported, or nothing when it failed; putenv keeps the strings.
std::optional<Numbers> RunChild(const Command& command) {
  static const std::string file = "morlett-bench-" + std::to_string(Now()) + ".report";
  static const std::string path = (std::filesystem::temp_directory_path() / file).string();
  static std::string reportTo = "MORLETT_BENCH_REPORT=" + path;
  static std::string startedAt;
  startedAt = "MORLETT_BENCH_STARTED=" + std::to_string(Now());
  // The parent of the measured starts runs no thread besides its own.
  putenv(reportTo.data());   // NOLINT(concurrency-mt-unsafe): one thread, see above
  putenv(startedAt.data());  // NOLINT(concurrency-mt-unsafe): one thread, see above
  const bool ended = RunToEnd(command);
  std::ifstream report(path);
  Numbers numbers(std::istream_iterator<double>(report), {});
  report.close();
  static_cast<void>(std::remove(path.c_str()));  // the next run's report replaces it anyway
  if (!ended || numbers.empty()) return std::nullopt;
  return numbers;
}

// How many runs the stand-in tool recorded in its log.
int RecordedRuns(const std::string& log) {
  std::ifstream file(log, std::ios::binary);
  int runs = 0;
  for (std::string line; std::getline(file, line);) runs += line.starts_with("argc ");
  return runs;
}

double Median(std::vector<double> values) {
  std::ranges::sort(values);
  return (values[values.size() / 2] + values[(values.size() - 1) / 2]) / 2;
}

}  // namespace

int CountOf(std::string_view text) {
  int count = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), count);
  return error == std::errc() && end == text.data() + text.size() ? std::max(1, count) : 1;
}

#ifdef _WIN32
long MemoryKiB() {
  return static_cast<long>(MemoryCounters().PagefileUsage / 1024);
}
long PeakMemoryKiB() {
  return static_cast<long>(MemoryCounters().PeakWorkingSetSize / 1024);
}
#else
long MemoryKiB() {
  malloc_trim(0);  // what the allocator keeps for later moves this by megabytes either way
  long pages = 0, resident = 0;
  std::ifstream("/proc/self/statm") >> pages >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}
long PeakMemoryKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}
#endif

double MillisecondsSinceStarted() {
  const char* given = std::getenv("MORLETT_BENCH_STARTED");
  const std::string_view started = given ? given : "";
  // Unchanged when missing or malformed: then counted from the clock's own start.
  std::int64_t startedAt = 0;
  static_cast<void>(std::from_chars(started.data(), started.data() + started.size(), startedAt));
  return static_cast<double>(Now() - startedAt) / 1e6;
}

void ReportAndEnd(const Numbers& numbers) {
  const char* path = std::getenv("MORLETT_BENCH_REPORT");
  std::ofstream report(path ? path : "");
  for (const double number : numbers) report << number << ' ';
  report.close();
  std::_Exit(0);
}

std::optional<std::vector<Numbers>> Alternate(const std::vector<Command>& children, int runs) {
  std::vector<std::vector<Numbers>> samples(children.size());  // [child][number][run]
  for (int round = -1; round < runs; ++round) {
    for (std::size_t turn = 0; turn < children.size(); ++turn) {
      const std::size_t child = (round + 1 + turn) % children.size();
      const std::optional<Numbers> sample = RunChild(children[child]);
      if (!sample || (round >= 0 && sample->size() != samples[child].size())) return std::nullopt;
      samples[child].resize(sample->size());
      for (std::size_t i = 0; round >= 0 && i < sample->size(); ++i) {
        samples[child][i].push_back((*sample)[i]);
      }
    }
  }
  std::vector<Numbers> medians(children.size());
  for (std::size_t child = 0; child < children.size(); ++child) {
    for (const Numbers& values : samples[child]) medians[child].push_back(Median(values));
  }
  return medians;
}

void PrintRow(const std::string& figure, double morlett, double floor, const std::string& unit,
              int runs, double atMost) {
  const double ratio = morlett / floor;
  char goal[64] = "—";
  if (atMost > 0) {
    // The goals are small constants: the text always fits.
    static_cast<void>(std::snprintf(goal, sizeof goal, "at most %.2f: %s", atMost,
                                    ratio <= atMost ? "met" : "missed"));
  }
  const int decimals = morlett < 10 ? 2 : 1;
  std::printf("| %s | %.*f %s | %.*f %s | %.2f | %d | %s |\n", figure.c_str(), decimals, morlett,
              unit.c_str(), decimals, floor, unit.c_str(), ratio, runs, goal);
  static_cast<void>(std::fflush(stdout));  // a row lost to a closed output shows as missing
}

void PrintStartRows(const Numbers& morlett, const Numbers& empty, const Numbers& text, int runs) {
  PrintRow("Start to first painted window", morlett[0], empty[0], "ms", runs, 1.15);
  PrintRow("Start, against a window with one line of text", morlett[0], text[0], "ms", runs, 1.10);
  PrintRow("Peak memory after start", morlett[1], empty[1], "MiB", runs, 1.15);
  PrintRow("Peak memory, against a window with one line of text", morlett[1], text[1], "MiB", runs);
}

bool SoakRun::Starts(int starts) {
  for (int click = 1; click <= starts; ++click) {
    ClickLithrez();
    WaitFor([] { return true; });
    if (click % kAtOnce == 0) WaitFor([&] { return !ToolsRunning(); });
    if (click == kWarmUp) WarmedUp();
  }
  return Finish(std::to_string(starts) + " tool starts, 50 at once", starts);
}

bool SoakRun::Resizes(int steps) {
  for (int step = 0; step < steps; ++step) {
    if (step == kWarmUp) WarmedUp();
    const int along = step % kResizeCycle, half = kResizeCycle / 2;
    ResizeTo(static_cast<double>(along < half ? along : kResizeCycle - along) / half);
    WaitFor([] { return true; });
  }
  return Finish(std::to_string(steps) + " resizes", -1);
}

// The time between two rounds is how long the window went without taking events.
bool SoakRun::WaitFor(const std::function<bool()>& done, int seconds) {
  for (const std::int64_t end = Now() + seconds * 1'000'000'000LL;;) {
    Pump();
    ++rounds_;
    const std::int64_t now = Now();
    if (lastRound_ != 0)
      longestStallMs_ = std::max(longestStallMs_, static_cast<double>(now - lastRound_) / 1e6);
    lastRound_ = now;
    if (done()) return true;
    if (now > end) return false;
  }
}

void SoakRun::WarmedUp() {
  warmHeld_ = Held();
  warmKiB_ = MemoryKiB();
  rounds_ = 0;
  longestStallMs_ = 0;
}

bool SoakRun::Finish(const std::string& run, int asked) {
  const int rounds = rounds_;
  WaitFor([&] { return !ToolsRunning(); });
  WaitFor([&] { return Held() <= warmHeld_; });
  const int zombies = Zombies(), held = Held(), told = Told();
  const long growth = MemoryKiB() - warmKiB_;
  const int lost = asked - RecordedRuns(log_) - told;
  std::string failed;
  if (zombies > 0) failed += " zombies";
  if (held > warmHeld_ + heldMargin_) failed += " held";
  if (growth >= kGrowthLimitKiB) failed += " memory";
  if (asked > 0 && (lost != 0 || told > asked / 100)) failed += " starts";
  if (rounds < kLeastRounds) failed += " rounds";
  const std::string starts = std::to_string(lost) + " (" + std::to_string(told) + ")";
  std::printf("| %s | %s | %d → %d | %+.1f MiB | %.1f MiB | %.1f ms, %d rounds | %s | %s |\n",
              run.c_str(), zombies < 0 ? "—" : std::to_string(zombies).c_str(), warmHeld_, held,
              static_cast<double>(growth) / 1024, static_cast<double>(PeakMemoryKiB()) / 1024,
              longestStallMs_, rounds, asked < 0 ? "—" : starts.c_str(),
              failed.empty() ? "passed" : ("FAILED:" + failed).c_str());
  return failed.empty();
}

}  // namespace morlett::bench
