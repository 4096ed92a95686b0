#include "commands/launch_tool.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>

#include "commands/command_line.h"
#include "commands/tool_search.h"
#include "console/program_console.h"

namespace morlett {
namespace {

// Beyond this many, a list of folders would make a message taller than the screen.
constexpr std::size_t kFoldersListed = 10;

std::string Listed(const std::vector<std::string>& folders) {
  std::string list;
  const std::size_t shown = std::min(folders.size(), kFoldersListed);
  for (std::size_t i = 0; i < shown; ++i) list.append(i == 0 ? "" : ", ").append(folders[i]);
  if (folders.size() > shown) list += ", and " + std::to_string(folders.size() - shown) + " more";
  return list;
}

LaunchProblem StartFailure(std::string_view reason) {
  return {"Couldn't start " + std::string(kToolName) + "\n\n" + std::string(reason),
          MessageIcon::Error};
}

LaunchProblem NotFound(const ToolSearch& search) {
  const std::string where = search.looked.empty() ? " in no folder: PATH holds no absolute folder."
                                                  : " in: " + Listed(search.looked);
  return StartFailure("The program was not found.\nMorlett looked for " + std::string(kToolName) +
                      where);
}

LaunchProblem StillRunning(std::string_view commandLine) {
  return {std::string(kToolName) + " is still running this command:\n\n" + std::string(commandLine),
          MessageIcon::None};
}

// How a name's character compares: Windows ignores case, and takes "/" for "\\".
char Folded(char c, PathStyle style) {
  if (style == PathStyle::Posix) return c;
  return c == '/' ? '\\' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

// Whether `inner` is `outer` or lies inside it: a folder's run touches all it holds.
bool SameOrInside(std::string_view inner, std::string_view outer, PathStyle style) {
  while (outer.size() > 1 && IsPathSeparator(outer.back(), style)) outer.remove_suffix(1);
  if (inner.size() < outer.size()) return false;
  for (std::size_t i = 0; i < outer.size(); ++i) {
    if (Folded(inner[i], style) != Folded(outer[i], style)) return false;
  }
  return inner.size() == outer.size() || IsPathSeparator(outer.back(), style) ||
         IsPathSeparator(inner[outer.size()], style);
}

// The tool and its mode word, and the archive it works on, if any.
std::string RunName(const ToolRow& row, const ToolCommand& command) {
  std::string name(kToolName);
  if (!row.modeWord.empty()) name.append(" ").append(row.modeWord);
  if (command.arguments.size() > 2 && !command.arguments[2].empty()) {
    name.append(" ").append(command.arguments[2]);
  }
  return name;
}

std::vector<PathUse> PathUses(Platform& platform, const ToolRow& row, const ToolCommand& command) {
  std::vector<PathUse> uses;
  const std::size_t firstPath = command.arguments.size() - row.inputs.size();
  for (std::size_t i = 0; i < row.inputs.size(); ++i) {
    const std::string& path = command.arguments[firstPath + i];
    // An empty field names no file; the tool refuses it.
    if (!path.empty()) uses.push_back({platform.CanonicalPath(path), row.inputs[i].access});
  }
  return uses;
}

// In tenths, by integers: the standard library's floating-point formatting would weigh a
// hundred kilobytes in a statically linked program.
std::string Seconds(double seconds) {
  const long long tenths = std::llround(std::clamp(seconds, 0.0, 1e15) * 10);
  return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " s";
}

std::string UpperHex(std::uint64_t value) {
  std::array<char, 2 * sizeof value> digits{};
  const auto written = std::to_chars(digits.data(), digits.data() + digits.size(), value, 16);
  std::string hex(digits.data(), written.ptr);
  for (char& digit : hex)
    digit = static_cast<char>(std::toupper(static_cast<unsigned char>(digit)));
  return hex;
}

std::string HowItEnded(const RunEnd& end) {
  switch (end.kind) {
    case EndKind::Signalled:
      return "ended by signal SIG" + end.signalName + " (" + std::to_string(end.code) + ")";
    case EndKind::Interrupted:
      return "interrupted";
    case EndKind::Exited:
      break;
  }
  std::string how = "ended with exit code " + std::to_string(end.code);
  // Codes this large are the system's status values, which are known by their hex spelling.
  if (end.code > 0xFFFF) how += " (0x" + UpperHex(static_cast<std::uint64_t>(end.code)) + ")";
  return how;
}

}  // namespace

ToolCommand BuildToolCommand(Platform& platform, const ToolRow& row) {
  const PathStyle style = platform.SystemPathStyle();
  ToolCommand command{{std::string(kToolName)}, {}};
  if (!row.modeWord.empty()) command.arguments.emplace_back(row.modeWord);
  for (const ToolInput& input : row.inputs) {
    command.arguments.emplace_back(UnwrapPastedQuotes(platform.GetText(input.field), style));
  }
  command.commandLine = JoinCommandLine(kToolName, std::span(command.arguments).subspan(1), style);
  return command;
}

bool UsesConflict(const PathUse& a, const PathUse& b, PathStyle style) {
  if (a.access == Access::Reads && b.access == Access::Reads) return false;
  return SameOrInside(a.path, b.path, style) || SameOrInside(b.path, a.path, style);
}

const ToolRuns::Run* ToolRuns::ConflictWith(std::span<const PathUse> uses, PathStyle style) const {
  for (const Run& run : runs_) {
    for (const PathUse& theirs : run.uses) {
      for (const PathUse& ours : uses) {
        if (UsesConflict(ours, theirs, style)) return &run;
      }
    }
  }
  return nullptr;
}

void ToolRuns::Add(Run run) {
  runs_.push_back(std::move(run));
}

std::optional<ToolRuns::Run> ToolRuns::Remove(RunId run) {
  const auto found =
      std::find_if(runs_.begin(), runs_.end(), [run](const Run& held) { return held.run == run; });
  if (found == runs_.end()) return std::nullopt;
  Run removed = std::move(*found);
  runs_.erase(found);
  return removed;
}

std::string RunEndLine(std::string_view runName, const RunEnd& end) {
  return std::string(runName) + ": " + HowItEnded(end) + " after " + Seconds(end.seconds);
}

std::optional<LaunchProblem> LaunchTool(Platform& platform, ConsoleHandle console,
                                        const ToolRow& row, ToolRuns& runs) {
  ToolCommand command = BuildToolCommand(platform, row);
  std::vector<PathUse> uses = PathUses(platform, row, command);
  if (const ToolRuns::Run* running = runs.ConflictWith(uses, platform.SystemPathStyle())) {
    return StillRunning(running->commandLine);
  }
  platform.SetText(row.shownIn, command.commandLine);
  WriteBanner(platform, console);
  const ToolSearch search = FindTool(platform, kToolName);
  if (!search.program) return NotFound(search);
  std::string name = RunName(row, command);
  const StartResult result =
      platform.StartProgram({*search.program, std::move(command.arguments), command.commandLine,
                             ShowState::MinimizedActive});
  if (result.outcome == StartOutcome::CommandLineTooLong) {
    return StartFailure("The command line is too long for this system.");
  }
  if (!result.Started()) return StartFailure(result.failureReason);
  runs.Add({result.run, std::move(command.commandLine), std::move(name), std::move(uses)});
  return std::nullopt;
}

}  // namespace morlett
