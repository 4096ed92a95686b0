#include "commands/launch_tool.h"

#include <vector>

#include "app/app_message.h"
#include "commands/command_line.h"
#include "console/program_console.h"

namespace morlett {
namespace {

std::string StartFailureMessage(const StartResult& result) {
  const std::string reason = result.outcome == StartOutcome::CommandLineTooLong
                                 ? "The command line is too long for this system."
                                 : result.failureReason;
  return "Couldn't start " + std::string(kToolName) + "\n\n" + reason;
}

}  // namespace

std::string BuildCommandLine(Platform& platform, const ToolRow& row) {
  std::vector<std::string> arguments;
  if (!row.modeWord.empty()) arguments.emplace_back(row.modeWord);
  for (const Control field : row.inputs) {
    arguments.emplace_back(UnwrapPastedQuotes(platform.GetText(field)));
  }
  return JoinCommandLine(kToolName, arguments);
}

void LaunchTool(Platform& platform, ConsoleHandle console, const ToolRow& row) {
  const std::string commandLine = BuildCommandLine(platform, row);
  platform.SetText(row.shownIn, commandLine);
  WriteBanner(platform, console);
  const StartResult result = platform.StartProgram(commandLine, ShowState::MinimizedActive);
  if (!result.Started()) ShowAppMessage(platform, StartFailureMessage(result));
}

}  // namespace morlett
