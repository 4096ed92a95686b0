// The benchmark's modes: the measuring parents, each printing its rows of the results table,
// and the children they start.
#pragma once

#include <string>

namespace morlett::bench {

int RunStartBench(int runs);
int RunStartChild(const std::string& kind, int argc, char** argv);

int RunClickBench(int runs, int argc, char** argv);

int RunConsoleBench(int runs);
int RunConsoleChild(const std::string& kind, long long floodBytes, int argc, char** argv);

}  // namespace morlett::bench
