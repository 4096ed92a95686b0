// What every benchmark needs: the monotonic clock the stand-in tool stamps with, peak memory,
// medians, running this program again as a measured child, and printing a result row.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace morlett::bench {

// CLOCK_MONOTONIC, the clock of std::chrono::steady_clock and of STAND_IN_STAMP.
std::int64_t MonotonicNanoseconds();

// The most memory this process has had resident so far.
long PeakResidentKiB();

double Median(std::vector<double> values);

// Puts the stand-in tool first on PATH, so that every start below finds it.
void UseStandInTool();

struct ChildRun {
  std::int64_t spawnedAt = 0;  // monotonic, taken just before the spawn
  std::string output;          // everything the child printed on its standard output
};

// Runs this program again with `arguments` and waits for it to end. Nothing when it could not
// be started, failed, or was still running after `timeoutSeconds` (it is then killed).
std::optional<ChildRun> RunSelf(const std::vector<std::string>& arguments, int timeoutSeconds);

// A child's report: numbers separated by spaces, on one line.
std::vector<double> Numbers(const std::string& line);

enum class Goal { AtMost, AtLeast, None };

// One row of the results table: the program's figure, the floor's, their ratio and the goal.
struct Row {
  std::string figure;
  double morlett = 0;
  double floor = 0;
  std::string unit;
  int runs = 0;
  Goal goal = Goal::None;
  double goalRatio = 0;
  std::string note = {};  // in place of a goal
};

void PrintRow(const Row& row);

}  // namespace morlett::bench
