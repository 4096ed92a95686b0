#include "measure.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace morlett::bench {
namespace {

bool ReadUntilEnd(int fd, std::string& output, std::int64_t deadline) {
  char buffer[4096];
  for (;;) {
    const std::int64_t left = (deadline - MonotonicNanoseconds()) / 1'000'000;
    if (left <= 0) return false;
    pollfd wanted{fd, POLLIN, 0};
    if (poll(&wanted, 1, static_cast<int>(left)) <= 0) continue;
    const ssize_t count = read(fd, buffer, sizeof buffer);
    if (count == 0) return true;
    if (count > 0) output.append(buffer, static_cast<std::size_t>(count));
  }
}

std::string Fixed(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

std::string GoalText(const Row& row) {
  const double ratio = row.morlett / row.floor;
  switch (row.goal) {
    case Goal::AtMost:
      return "at most " + Fixed(row.goalRatio, 2) + (ratio <= row.goalRatio ? ": met" : ": missed");
    case Goal::AtLeast:
      return "at least " + Fixed(row.goalRatio, 2) +
             (ratio >= row.goalRatio ? ": met" : ": missed");
    case Goal::None:
      break;
  }
  return row.note;
}

}  // namespace

std::int64_t MonotonicNanoseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

long PeakResidentKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

void UseStandInTool() {
  const char* path = std::getenv("PATH");
  setenv("PATH", (std::string(STAND_IN_DIR) + ":" + (path ? path : "")).c_str(), 1);
}

std::optional<ChildRun> RunSelf(const std::vector<std::string>& arguments, int timeoutSeconds) {
  int pipeEnds[2];
  if (pipe2(pipeEnds, O_CLOEXEC) != 0) return std::nullopt;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
  std::vector<std::string> argvText = {"/proc/self/exe"};
  argvText.insert(argvText.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& argument : argvText) argv.push_back(argument.data());
  argv.push_back(nullptr);

  ChildRun run;
  pid_t child = 0;
  run.spawnedAt = MonotonicNanoseconds();
  const int error = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeEnds[1]);
  if (error != 0) {
    close(pipeEnds[0]);
    return std::nullopt;
  }
  const std::int64_t deadline = run.spawnedAt + std::int64_t{timeoutSeconds} * 1'000'000'000;
  const bool ended = ReadUntilEnd(pipeEnds[0], run.output, deadline);
  close(pipeEnds[0]);
  if (!ended) kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
  if (!ended || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
  return run;
}

std::vector<double> Numbers(const std::string& line) {
  std::istringstream stream(line);
  std::vector<double> numbers;
  for (double number = 0; stream >> number;) numbers.push_back(number);
  return numbers;
}

void PrintRow(const Row& row) {
  const int decimals = row.morlett < 10 ? 2 : 1;
  std::printf("| %s | %s %s | %s %s | %s | %d | %s |\n", row.figure.c_str(),
              Fixed(row.morlett, decimals).c_str(), row.unit.c_str(),
              Fixed(row.floor, decimals).c_str(), row.unit.c_str(),
              Fixed(row.morlett / row.floor, 2).c_str(), row.runs, GoalText(row).c_str());
  std::fflush(stdout);
}

}  // namespace morlett::bench
