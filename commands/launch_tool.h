// The four tool buttons: each turns its panel's fields into one command line for the
// archive tool, shows it, marks the console and starts the tool without waiting.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/controls.h"
#include "platform/platform.h"

namespace morlett {

inline constexpr std::string_view kToolName = "lithrez";

enum class Access { Reads, Writes };

struct ToolInput {
  Control field;
  Access access;  // what the tool does with the path the field holds
};

struct ToolRow {
  std::string_view modeWord;          // empty for the bare run
  std::span<const ToolInput> inputs;  // the fields read, in argument order
  Control shownIn;                    // the field that shows the command line
};

// The rez file goes before the directory, whatever the panel's left-to-right order.
inline constexpr ToolInput kCreateInputs[] = {{Control::Text1, Access::Writes},
                                              {Control::Text2, Access::Reads}};
inline constexpr ToolInput kExtractInputs[] = {{Control::Text4, Access::Reads},
                                               {Control::Text5, Access::Writes}};
inline constexpr ToolInput kViewInputs[] = {{Control::Text7, Access::Reads}};

inline constexpr ToolRow kCreateRow{"cv", kCreateInputs, Control::Text3};
inline constexpr ToolRow kExtractRow{"xv", kExtractInputs, Control::Text6};
inline constexpr ToolRow kViewRow{"v", kViewInputs, Control::Text8};
inline constexpr ToolRow kBareRow{"", {}, Control::Text10};

struct ToolCommand {
  std::vector<std::string> arguments;  // what the tool receives, its name first
  std::string commandLine;             // the same, as one line in the system's quoting
};

// The tool's command for `row`, built from the fields' current texts. Each field becomes
// exactly one argument of the tool.
ToolCommand BuildToolCommand(Platform& platform, const ToolRow& row);

// A path a run reads or writes, as the file system names it. A folder stands for everything
// in it.
struct PathUse {
  std::string path;
  Access access;
};

// Whether two runs touching these paths could spoil each other's work: one writes what the
// other reads or writes. Reading beside reading is safe.
bool UsesConflict(const PathUse& a, const PathUse& b, PathStyle style);

// The runs started and not yet ended: what each touches, and what to call it when it ends.
class ToolRuns {
 public:
  struct Run {
    RunId run = 0;
    std::string commandLine;
    std::string name;  // the tool, its mode word and archive
    std::vector<PathUse> uses;
  };

  // The running command that conflicts with `uses`, if any.
  const Run* ConflictWith(std::span<const PathUse> uses, PathStyle style) const;
  void Add(Run run);
  // Takes the run out, and gives it back; nothing for a run never added.
  std::optional<Run> Remove(RunId run);

 private:
  std::vector<Run> runs_;
};

// The line that tells how a run ended, without its line break.
std::string RunEndLine(std::string_view runName, const RunEnd& end);

// A run this long may have been left to itself, so its end asks for the user's attention.
inline constexpr double kAttentionSeconds = 10;

struct LaunchProblem {
  std::string text;
  MessageIcon icon;
};

// Builds, shows, writes the banner and starts the tool; or says why it did not. A start that
// fails leaves the fields the user filled in as they were.
std::optional<LaunchProblem> LaunchTool(Platform& platform, ConsoleHandle console,
                                        const ToolRow& row, ToolRuns& runs);

}  // namespace morlett
