// Command lines in the form every Windows program splits them: the Microsoft C runtime's
// rules, which CommandLineToArgvW shares. Quoting and splitting live side by side so that
// one is always the inverse of the other. Elsewhere a command line is one a POSIX shell reads.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace morlett {

// `argument` as it must appear on a command line to reach the program as exactly itself.
// An argument that needs no quoting comes back unchanged.
std::string QuoteArgument(std::string_view argument);

// `argument` as a POSIX shell must read it to pass exactly itself: in single quotes where it
// holds anything but letters, digits and the few marks a shell leaves alone.
std::string QuoteForShell(std::string_view argument);

// `program` followed by each argument, quoted where needed by the system's rules, separated by
// single spaces.
std::string JoinCommandLine(std::string_view program, std::span<const std::string> arguments,
                            PathStyle style);

// The argument list a program receives for `commandLine`, its own name first.
std::vector<std::string> SplitCommandLine(std::string_view commandLine);

// A path pasted with the quotes around it ("copy as path"; single quotes too, as a shell
// writes paths, where paths are written so) stands for the path inside them.
std::string_view UnwrapPastedQuotes(std::string_view field, PathStyle style);

}  // namespace morlett
