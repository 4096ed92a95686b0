// The console the program opens at start, shared by every tool it starts, and the banner
// line that marks each start in it.
#pragma once

#include <string_view>

#include "platform/platform.h"

namespace morlett {

inline constexpr std::string_view BannerLine = "Morlett v1.1 Advanced\r\n";

inline constexpr std::string_view kNoConsoleMessage = "Couldn't allocate console";
inline constexpr std::string_view kNoOutputMessage = "Couldn't allocate STDOUT";
// What screen readers call the console's pane, and what they say it is for.
inline constexpr std::string_view kConsolePaneName = "Console";
inline constexpr std::string_view kConsolePaneDescription =
    "The output of the lithrez runs; typing here answers them";
// Said in the console when the main window has gone while tools still run there.
inline constexpr std::string_view kOutlivedNote =
    "Morlett has closed; this window closes when its tools end.";

struct OpenedConsole {
  ConsoleHandle output = 0;  // 0 when there is none
  std::string_view problem;  // what to tell the user when there is none; empty otherwise
};

// Opens the console. Never fails the start: the tools can still run without a console.
OpenedConsole OpenConsole(Platform& platform);

// Marks the start of a tool run. A missing console makes this silently do nothing.
void WriteBanner(Platform& platform, ConsoleHandle console);

// Releases the console; nothing it reports can stop the window from closing.
void CloseConsole(Platform& platform, ConsoleHandle console);

}  // namespace morlett
