// Starting a tool the way a terminal does, without a shell and without waiting for it.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

namespace morlett::qt {

// Standard streams for the started program when there is no console: the program's own.
inline constexpr int kOwnStandardStreams = -1;

// Starts the program at `path` with `arguments` as its argument list and `terminal` as its
// standard input, output and error. The program runs in a session of its own and inherits no
// other descriptor.
StartResult StartDetached(const std::string& path, const std::vector<std::string>& arguments,
                          int terminal);

// From now on, ended children are reaped by the system: none is left as a zombie, and the
// program keeps no record of them. Started programs still begin with the usual default.
void ReapChildrenAutomatically();

}  // namespace morlett::qt
