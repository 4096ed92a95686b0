// The four tool buttons: each turns its panel's fields into one command line for the
// archive tool, shows it, marks the console and starts the tool without waiting.
#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/controls.h"
#include "platform/platform.h"

namespace morlett {

inline constexpr std::string_view kToolName = "lithrez";

struct ToolRow {
  std::string_view modeWord;              // empty for the bare run
  std::initializer_list<Control> inputs;  // the fields read, in argument order
  Control shownIn;                        // the field that shows the command line
  bool writesArchive;                     // two runs of one such line would corrupt the archive
};

// The rez file goes before the directory, whatever the panel's left-to-right order.
inline constexpr ToolRow kCreateRow{"cv", {Control::Text1, Control::Text2}, Control::Text3, true};
inline constexpr ToolRow kExtractRow{"xv", {Control::Text4, Control::Text5}, Control::Text6, true};
inline constexpr ToolRow kViewRow{"v", {Control::Text7}, Control::Text8, false};
inline constexpr ToolRow kBareRow{"", {}, Control::Text10, false};

struct ToolCommand {
  std::vector<std::string> arguments;  // what the tool receives, its name first
  std::string commandLine;             // the same, as one line
};

// The tool's command for `row`, built from the fields' current texts. Each field becomes
// exactly one argument of the tool.
ToolCommand BuildToolCommand(Platform& platform, const ToolRow& row);

// The runs of archive-writing command lines that may still be going.
class WritingRuns {
 public:
  bool IsRunning(Platform& platform, std::string_view commandLine);
  void Add(std::string commandLine, RunId run);

 private:
  struct Run {
    std::string commandLine;
    RunId run;
  };
  std::vector<Run> runs_;
};

struct LaunchProblem {
  std::string text;
  MessageIcon icon;
};

// Builds, shows, writes the banner and starts the tool; or says why it did not. A start that
// fails leaves the fields the user filled in as they were.
std::optional<LaunchProblem> LaunchTool(Platform& platform, ConsoleHandle console,
                                        const ToolRow& row, WritingRuns& writing);

}  // namespace morlett
