#include "console/program_console.h"

#include "app/app_message.h"

namespace morlett {

ConsoleHandle OpenConsole(Platform& platform) {
  if (!platform.AllocateConsole()) {
    ShowAppMessage(platform, kNoConsoleMessage);
    return 0;
  }
  const ConsoleHandle output = platform.StandardOutput();
  if (output == 0) ShowAppMessage(platform, kNoOutputMessage);
  return output;
}

void WriteBanner(Platform& platform, ConsoleHandle console) {
  platform.WriteConsoleText(console, BannerLine);
}

void CloseConsole(Platform& platform, ConsoleHandle console) {
  platform.CloseConsoleHandle(console);
  platform.FreeConsole();
}

}  // namespace morlett
