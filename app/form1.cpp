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

namespace {

bool IsValidUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const int length = lead < 0x80                   ? 1
                       : lead >= 0xC2 && lead < 0xE0 ? 2
                       : lead >= 0xE0 && lead < 0xF0 ? 3
                       : lead >= 0xF0 && lead < 0xF5 ? 4
                                                     : 0;
    if (length == 0 || i + static_cast<std::size_t>(length) > text.size()) return false;
    char32_t point = length == 1 ? lead : lead & (0x7F >> length);
    for (int k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
      if ((next & 0xC0) != 0x80) return false;
      point = (point << 6) | (next & 0x3F);
    }
    constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (point < kLeast[length] || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF))
      return false;
    i += static_cast<std::size_t>(length);
  }
  return true;
}

// A name the field shows and passes on exactly as it is.
std::optional<std::string> HeldExactly(std::string_view name) {
  if (name.empty() || OneLine(name).size() != name.size() || !IsValidUtf8(name))
    return std::nullopt;
  return std::string(name);
}

// A file of this machine: another host's would be a different file under the same path.
std::optional<std::string> LocalPath(const DroppedItem& item) {
  const bool local = item.scheme == "file" && (item.host.empty() || item.host == "localhost");
  return local ? HeldExactly(item.path) : std::nullopt;
}

// Dropped text is often a selected line, which takes its line break along.
std::optional<std::string> DroppedText(std::string_view text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
  return HeldExactly(text);
}

}  // namespace

// The fields a tool row reads are the ones that hold paths.
bool TakesDrops(Control field) {
  for (const ToolRow* row : {&kCreateRow, &kExtractRow, &kViewRow}) {
    if (std::ranges::any_of(row->inputs,
                            [field](const ToolInput& in) { return in.field == field; })) {
      return true;
    }
  }
  return false;
}

namespace {

// Never a move, which would have the source delete what it dragged.
DropAction OfferedAction(const DroppedData& drop) {
  if (drop.offersCopy) return DropAction::Copy;
  return drop.offersLink ? DropAction::Link : DropAction::Refuse;
}

}  // namespace

DropAction DropActionFor(Control field, const DroppedData& drop) {
  return TextAfterDrop(field, drop) ? OfferedAction(drop) : DropAction::Refuse;
}

std::optional<std::string> TextAfterDrop(Control field, const DroppedData& drop) {
  if (!TakesDrops(field) || OfferedAction(drop) == DropAction::Refuse) return std::nullopt;
  if (!drop.items.empty()) return LocalPath(drop.items.front());
  return drop.text ? DroppedText(*drop.text) : std::nullopt;
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

DropAction Form1::Drop(Control field, const DroppedData& drop) {
  const std::optional<std::string> text = TextAfterDrop(field, drop);
  if (!text) return DropAction::Refuse;
  platform_.SetText(field, *text);
  return OfferedAction(drop);
}

void Form1::RunEnded(const RunEnd& end) {
  const std::optional<ToolRuns::Run> run = runs_.Remove(end.run);
  if (!run) return;
  platform_.WriteRunEnd(end.run, RunEndLine(run->name, end) + "\r\n");
  if (end.seconds >= kAttentionSeconds) platform_.AskForAttention();
}

void Form1::PickFolder(std::string_view title, Control target) {
  chosenDirectory_ = morlett::PickFolder(platform_, title, target);
}

void Form1::LaunchTool(const ToolRow& row) {
  const auto problem = morlett::LaunchTool(platform_, consoleOutput_, row, runs_);
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
