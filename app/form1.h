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

// What the user dropped on a field.
struct DroppedData {
  std::vector<std::optional<std::string>> items;  // each item's local path; none if remote
  std::optional<std::string> text;                // plain text, for a drop with no items
};

// Whether `field` takes drops at all: the path fields do.
bool TakesDrops(Control field);

// What `field` holds after `drop`, or nothing when the field refuses it. The path fields take
// the first item's path, or the text, in place of what they held; the others take nothing.
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
  // Puts a drop into the field; false when the field refuses it.
  bool Drop(Control field, const DroppedData& drop);

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
  WritingRuns writingRuns_;
};

}  // namespace morlett
