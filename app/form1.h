// The one window's state and the table that maps each of its events to an action.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "commands/launch_tool.h"
#include "platform/controls.h"
#include "platform/platform.h"

namespace morlett {

struct RezFileKind;

// Whether `field` takes drops at all: the path fields do.
bool TakesDrops(Control field);

// How a drag over `field` may end: as a copy, or else a link, never as a move, which would
// have the source delete what it dragged. Refused where the field would not take it.
DropAction DropActionFor(Control field, const DroppedData& drop);

// What `field` holds after `drop`, or nothing when the field refuses it. The path fields take
// the first item's local path, or the text, in place of what they held, but only a name the
// field holds exactly: never one from another machine, empty, or not one line of UTF-8.
std::optional<std::string> TextAfterDrop(Control field, const DroppedData& drop);

class Form1 {
 public:
  explicit Form1(Platform& platform) : platform_(platform) {}

  // Runs before the window is first shown: opens the console.
  void Load();
  // Runs when the window closes; it releases the console and never refuses the close.
  void Unload();
  // Runs the button's action. Clicks on anything else are not handled.
  void Click(Control source);
  // Puts a drop into the field, and says how it was taken; the field is unchanged when refused.
  DropAction Drop(Control field, const DroppedData& drop);
  // Tells, in the console, that a started run has ended and how.
  void RunEnded(const RunEnd& end);

  ConsoleHandle ConsoleOutput() const { return consoleOutput_; }
  const std::string& ChosenDirectory() const { return chosenDirectory_; }

 private:
  void PickFolder(std::string_view title, Control target);
  void LaunchTool(const ToolRow& row);
  void PickRezFile(const RezFileKind& kind);
  void Quit();
  void ShowAppMessage(std::string_view text, MessageIcon icon = MessageIcon::None);

  struct ClickAction;
  static const ClickAction kClickTable[];

  Platform& platform_;
  ConsoleHandle consoleOutput_ = 0;
  std::string chosenDirectory_;
  ToolRuns runs_;
};

}  // namespace morlett
