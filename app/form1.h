// The one window's state and the table that maps each of its events to an action.
#pragma once

#include <string>
#include <string_view>

#include "app/controls.h"
#include "platform/platform.h"

namespace morlett {

struct ToolRow;
struct RezFileKind;

class Form1 {
 public:
  explicit Form1(Platform& platform) : platform_(platform) {}

  // Runs before the window is first shown: opens the console.
  void Load();
  // Runs when the window closes; it releases the console and never refuses the close.
  void Unload();
  // Runs the button's action. Clicks on anything else are not handled.
  void Click(Control source);

  ConsoleHandle ConsoleOutput() const { return consoleOutput_; }
  const std::string& ChosenDirectory() const { return chosenDirectory_; }

 private:
  void PickFolder(std::string_view title, Control target);
  void LaunchTool(const ToolRow& row);
  void PickRezFile(const RezFileKind& kind);
  void Quit();

  struct ClickAction;
  static const ClickAction kClickTable[];

  Platform& platform_;
  ConsoleHandle consoleOutput_ = 0;
  std::string chosenDirectory_;
};

}  // namespace morlett
