// Console throughput: how fast the console window takes a flooding tool's output, and the
// memory the program holds meanwhile, against a raw read loop on a pseudo-terminal reading
// the same flood. Each run is a child of its own, so that its peak memory is its own.
#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "measure.h"
#include "modes.h"
#include "platform/qt/qt_program.h"

namespace morlett::bench {
namespace {

constexpr int kChildTimeoutSeconds = 600;
constexpr long long kMegabyte = 1'000'000;
constexpr long long kThroughputFlood = 20 * kMegabyte;
// Peak memory at these floods shows whether it stays flat however much passes through.
constexpr long long kMemoryFloods[] = {50 * kMegabyte, 200 * kMegabyte};
constexpr int kMemoryRuns = 3;
constexpr int kDonePollMilliseconds = 5;

[[noreturn]] void ReportAndExit(std::int64_t started) {
  std::printf("%lld %ld\n", static_cast<long long>(MonotonicNanoseconds() - started),
              PeakResidentKiB());
  std::fflush(stdout);
  std::_Exit(0);
}

void SetFlood(long long bytes) {
  setenv("STAND_IN_FLOOD", std::to_string(bytes).c_str(), 1);
}

// The program's console, flooded through the Lithrez button.
int FloodTheConsole(long long bytes, int argc, char** argv) {
  QApplication application(argc, argv);
  qt::ConfigureApplication();
  qt::QtProgram program([] {});
  program.Start();
  if (!QTest::qWaitForWindowExposed(&program.Window())) return 1;
  const TerminalText& text = program.Platform().Console()->Text();

  SetFlood(bytes);
  const std::int64_t started = MonotonicNanoseconds();
  QTest::mouseClick(&program.Window().Widget(Control::Command9), Qt::LeftButton);
  unsetenv("STAND_IN_FLOOD");
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    const auto& lines = text.FinishedLines();
    if (!lines.empty() && lines.back() == "lithrez stand-in: done") ReportAndExit(started);
  });
  poll.start(kDonePollMilliseconds);
  return QApplication::exec();
}

// The floor: the tool on a pseudo-terminal, and a loop that reads until it hangs up.
int FloodARawReader(long long bytes) {
  const int reader = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (reader < 0 || grantpt(reader) != 0 || unlockpt(reader) != 0) return 1;
  const int terminal = open(ptsname(reader), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (terminal < 0) return 1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  for (const int stream : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
    posix_spawn_file_actions_adddup2(&actions, terminal, stream);
  }
  char* argv[] = {const_cast<char*>("lithrez"), nullptr};
  SetFlood(bytes);
  pid_t child = 0;
  const std::int64_t started = MonotonicNanoseconds();
  const int error = posix_spawnp(&child, argv[0], &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  close(terminal);
  if (error != 0) return 1;
  std::array<char, 64 * 1024> buffer;
  // Once the tool has ended, nobody holds the terminal and reading fails.
  while (read(reader, buffer.data(), buffer.size()) > 0) {
  }
  waitpid(child, nullptr, 0);
  ReportAndExit(started);
}

struct FloodSample {
  double megabytesPerSecond = 0;
  double peakMiB = 0;
};

std::optional<FloodSample> FloodOnce(const char* kind, long long bytes) {
  const std::optional<ChildRun> run =
      RunSelf({"console-child", kind, std::to_string(bytes)}, kChildTimeoutSeconds);
  if (!run) return std::nullopt;
  const std::vector<double> report = Numbers(run->output);  // elapsed ns, peak KiB
  if (report.size() != 2 || report[0] <= 0) return std::nullopt;
  return FloodSample{static_cast<double>(bytes) / kMegabyte / (report[0] / 1e9), report[1] / 1024};
}

// Runs both sides `runs` times each, alternating. Nothing when a run failed.
std::optional<std::array<std::vector<FloodSample>, 2>> FloodBoth(long long bytes, int runs) {
  const char* kinds[2] = {"morlett", "raw"};
  std::array<std::vector<FloodSample>, 2> samples;
  for (int round = 0; round < runs; ++round) {
    for (int i = 0; i < 2; ++i) {
      const int kind = (round + i) % 2;
      const std::optional<FloodSample> sample = FloodOnce(kinds[kind], bytes);
      if (!sample) {
        std::fprintf(stderr, "console-child %s %lld: failed\n", kinds[kind], bytes);
        return std::nullopt;
      }
      samples[kind].push_back(*sample);
    }
  }
  return samples;
}

double MedianOf(const std::vector<FloodSample>& samples, double FloodSample::*field) {
  std::vector<double> values;
  for (const FloodSample& sample : samples) values.push_back(sample.*field);
  return Median(values);
}

std::string FloodName(long long bytes) {
  return std::to_string(bytes / kMegabyte) + " MB flood";
}

}  // namespace

int RunConsoleChild(const std::string& kind, long long floodBytes, int argc, char** argv) {
  UseStandInTool();
  return kind == "morlett" ? FloodTheConsole(floodBytes, argc, argv) : FloodARawReader(floodBytes);
}

int RunConsoleBench(int runs) {
  const auto throughput = FloodBoth(kThroughputFlood, runs);
  if (!throughput) return 1;
  const auto& [morlett, raw] = *throughput;
  PrintRow({"Console throughput, " + FloodName(kThroughputFlood),
            MedianOf(morlett, &FloodSample::megabytesPerSecond),
            MedianOf(raw, &FloodSample::megabytesPerSecond), "MB/s", runs, Goal::AtLeast, 0.25});
  const double firstPeak = MedianOf(morlett, &FloodSample::peakMiB);
  PrintRow({"Peak memory, " + FloodName(kThroughputFlood), firstPeak,
            MedianOf(raw, &FloodSample::peakMiB), "MiB", runs, Goal::None, 0,
            "the reference for the rows below"});
  for (const long long bytes : kMemoryFloods) {
    const auto samples = FloodBoth(bytes, kMemoryRuns);
    if (!samples) return 1;
    const double peak = MedianOf((*samples)[0], &FloodSample::peakMiB);
    char growth[96];
    // Rounded first, so that a hair below nothing does not print as -0.0.
    const double grown = std::round((peak - firstPeak) * 10) / 10 + 0.0;
    std::snprintf(growth, sizeof growth, "flat: %+.1f MiB from the %s", grown,
                  FloodName(kThroughputFlood).c_str());
    PrintRow({"Peak memory, " + FloodName(bytes), peak,
              MedianOf((*samples)[1], &FloodSample::peakMiB), "MiB", kMemoryRuns, Goal::None, 0,
              growth});
  }
  return 0;
}

}  // namespace morlett::bench
