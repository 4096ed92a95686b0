#include "console/program_console.h"

namespace morlett {

OpenedConsole OpenConsole(Platform& platform) {
  if (!platform.AllocateConsole()) return {0, kNoConsoleMessage};
  const ConsoleHandle output = platform.StandardOutput();
  return {output, output == 0 ? kNoOutputMessage : std::string_view()};
}

void WriteBanner(Platform& platform, ConsoleHandle console) {
  platform.WriteConsoleText(console, BannerLine);
}

void CloseConsole(Platform& platform, ConsoleHandle console) {
  platform.CloseConsoleHandle(console);
  platform.FreeConsole();
}

}  // namespace morlett
