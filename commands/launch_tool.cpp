#include "commands/launch_tool.h"

#include <algorithm>

#include "commands/command_line.h"
#include "commands/tool_search.h"
#include "console/program_console.h"

namespace morlett {
namespace {

std::string Listed(const std::vector<std::string>& folders) {
  std::string list;
  for (const std::string& folder : folders) list.append(list.empty() ? "" : ", ").append(folder);
  return list;
}

LaunchProblem StartFailure(std::string_view reason) {
  return {"Couldn't start " + std::string(kToolName) + "\n\n" + std::string(reason),
          MessageIcon::Error};
}

LaunchProblem NotFound(const ToolSearch& search) {
  return StartFailure("The program was not found.\nMorlett looked for " + std::string(kToolName) +
                      " in: " + Listed(search.looked));
}

LaunchProblem StillRunning(std::string_view commandLine) {
  return {std::string(kToolName) + " is still running this command:\n\n" + std::string(commandLine),
          MessageIcon::None};
}

}  // namespace

ToolCommand BuildToolCommand(Platform& platform, const ToolRow& row) {
  ToolCommand command{{std::string(kToolName)}, {}};
  if (!row.modeWord.empty()) command.arguments.emplace_back(row.modeWord);
  for (const Control field : row.inputs) {
    command.arguments.emplace_back(UnwrapPastedQuotes(platform.GetText(field)));
  }
  command.commandLine = JoinCommandLine(kToolName, std::span(command.arguments).subspan(1));
  return command;
}

bool WritingRuns::IsRunning(Platform& platform, std::string_view commandLine) {
  std::erase_if(runs_, [&](const Run& run) { return !platform.IsRunning(run.run); });
  return std::any_of(runs_.begin(), runs_.end(),
                     [&](const Run& run) { return run.commandLine == commandLine; });
}

void WritingRuns::Add(std::string commandLine, RunId run) {
  runs_.push_back({std::move(commandLine), run});
}

std::optional<LaunchProblem> LaunchTool(Platform& platform, ConsoleHandle console,
                                        const ToolRow& row, WritingRuns& writing) {
  ToolCommand command = BuildToolCommand(platform, row);
  if (row.writesArchive && writing.IsRunning(platform, command.commandLine)) {
    return StillRunning(command.commandLine);
  }
  platform.SetText(row.shownIn, command.commandLine);
  WriteBanner(platform, console);
  const ToolSearch search = FindTool(platform, kToolName);
  if (!search.program) return NotFound(search);
  const StartResult result =
      platform.StartProgram({*search.program, std::move(command.arguments), command.commandLine,
                             ShowState::MinimizedActive});
  if (result.outcome == StartOutcome::CommandLineTooLong) {
    return StartFailure("The command line is too long for this system.");
  }
  if (!result.Started()) return StartFailure(result.failureReason);
  if (row.writesArchive) writing.Add(std::move(command.commandLine), result.run);
  return std::nullopt;
}

}  // namespace morlett
