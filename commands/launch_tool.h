// The four tool buttons: each turns its panel's fields into one command line for the
// archive tool, shows it, marks the console and starts the tool without waiting.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "app/controls.h"
#include "platform/platform.h"

namespace morlett {

inline constexpr std::string_view kToolName = "lithrez";

struct ToolRow {
  std::string_view modeWord;              // empty for the bare run
  std::initializer_list<Control> inputs;  // the fields read, in argument order
  Control shownIn;                        // the field that shows the command line
};

// The rez file goes before the directory, whatever the panel's left-to-right order.
inline constexpr ToolRow kCreateRow{"cv", {Control::Text1, Control::Text2}, Control::Text3};
inline constexpr ToolRow kExtractRow{"xv", {Control::Text4, Control::Text5}, Control::Text6};
inline constexpr ToolRow kViewRow{"v", {Control::Text7}, Control::Text8};
inline constexpr ToolRow kBareRow{"", {}, Control::Text10};

// The tool's command line for `row`, built from the fields' current texts. Each field
// becomes exactly one argument of the tool.
std::string BuildCommandLine(Platform& platform, const ToolRow& row);

// Builds, shows, writes the banner and starts the tool. A start that fails is reported, and
// the fields the user filled in keep their text.
void LaunchTool(Platform& platform, ConsoleHandle console, const ToolRow& row);

}  // namespace morlett
