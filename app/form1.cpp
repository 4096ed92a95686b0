#include "app/form1.h"

#include <algorithm>
#include <iterator>

#include "app/layout.h"
#include "console/program_console.h"
#include "pickers/folder_picker.h"
#include "pickers/rez_file_dialogs.h"

namespace morlett {

struct Form1::ClickAction {
  Control source;
  void (*run)(Form1& form);
};

// clang-format off
const Form1::ClickAction Form1::kClickTable[] = {
  {Control::Command1,  [](Form1& f) { f.PickFolder("Select Directory to Rez", Control::Text2); }},
  {Control::Command2,  [](Form1& f) { f.PickRezFile(kCreateRezFile); }},
  {Control::Command3,  [](Form1& f) { f.PickRezFile(kExtractRezFile); }},
  {Control::Command4,  [](Form1& f) { f.LaunchTool(kCreateRow); }},
  {Control::Command5,  [](Form1& f) { f.PickFolder("Expand Rez to what Directory?", Control::Text5); }},
  {Control::Command6,  [](Form1& f) { f.LaunchTool(kExtractRow); }},
  {Control::Command7,  [](Form1& f) { f.PickRezFile(kViewRezFile); }},
  {Control::Command8,  [](Form1& f) { f.LaunchTool(kViewRow); }},
  {Control::Command9,  [](Form1& f) { f.LaunchTool(kBareRow); }},
  {Control::Command10, [](Form1& f) { f.Quit(); }},
};
// clang-format on

// The fields a tool row reads are the ones that hold paths.
bool TakesDrops(Control field) {
  for (const ToolRow* row : {&kCreateRow, &kExtractRow, &kViewRow}) {
    if (std::find(row->inputs.begin(), row->inputs.end(), field) != row->inputs.end()) return true;
  }
  return false;
}

std::optional<std::string> TextAfterDrop(Control field, const DroppedData& drop) {
  if (!TakesDrops(field)) return std::nullopt;
  if (drop.items.empty()) return drop.text;
  return drop.items.front();
}

void Form1::Load() {
  const OpenedConsole console = OpenConsole(platform_);
  consoleOutput_ = console.output;
  if (!console.problem.empty()) ShowAppMessage(console.problem);
}

void Form1::Unload() {
  CloseConsole(platform_, consoleOutput_);
}

void Form1::Click(Control source) {
  const auto action = std::find_if(std::begin(kClickTable), std::end(kClickTable),
                                   [source](const ClickAction& a) { return a.source == source; });
  if (action != std::end(kClickTable)) action->run(*this);
}

bool Form1::Drop(Control field, const DroppedData& drop) {
  const std::optional<std::string> text = TextAfterDrop(field, drop);
  if (text) platform_.SetText(field, *text);
  return text.has_value();
}

void Form1::PickFolder(std::string_view title, Control target) {
  chosenDirectory_ = morlett::PickFolder(platform_, title, target);
}

void Form1::LaunchTool(const ToolRow& row) {
  const auto problem = morlett::LaunchTool(platform_, consoleOutput_, row, writingRuns_);
  if (problem) ShowAppMessage(problem->text, problem->icon);
}

void Form1::PickRezFile(const RezFileKind& kind) {
  morlett::PickRezFile(platform_, kind);
}

void Form1::Quit() {
  platform_.EndProgram();
}

void Form1::ShowAppMessage(std::string_view text, MessageIcon icon) {
  platform_.ShowMessage({platform_.OwnerWindow(), std::string(kAppTitle), std::string(text), icon});
}

}  // namespace morlett
