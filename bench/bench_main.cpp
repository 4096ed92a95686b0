// The benchmarks' one program. Each measuring mode prints its rows of the results table in
// Markdown; tools/bench.sh runs them all under a private X display and writes the page.
//   morlett_bench start [runs]     start to first painted window, and memory at that moment
//   morlett_bench click [runs]     Create click to tool running
//   morlett_bench console [runs]   console throughput, and memory under floods
//   morlett_bench about            the Qt and compiler versions measured
// The modes start this program again as their children ("start-child", "console-child").
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "modes.h"

namespace {

constexpr int kDefaultRuns = 11;

int Runs(int argc, char** argv) {
  return argc > 2 ? std::max(1, std::atoi(argv[2])) : kDefaultRuns;
}

int Usage() {
  std::fputs("usage: morlett_bench start|click|console [runs] | about\n", stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace morlett::bench;
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "start") return RunStartBench(Runs(argc, argv));
  if (mode == "click") return RunClickBench(Runs(argc, argv), argc, argv);
  if (mode == "console") return RunConsoleBench(Runs(argc, argv));
  if (mode == "about") {
    std::printf("Qt %s, %s\n", qVersion(), COMPILER);
    return 0;
  }
  if (mode == "start-child" && argc > 2) return RunStartChild(argv[2], argc, argv);
  if (mode == "console-child" && argc > 3) {
    return RunConsoleChild(argv[2], std::atoll(argv[3]), argc, argv);
  }
  return Usage();
}
