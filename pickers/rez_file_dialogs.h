// The three Rez buttons: a save dialog for the archive to create, open dialogs for the
// archives to extract and to view.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/controls.h"
#include "platform/platform.h"

namespace morlett {

struct RezFileKind {
  FileDialogKind dialog;
  std::string_view title;
  std::uint32_t flags;
  Control target;
};

namespace rez_flags {
using namespace dialog_flags;
inline constexpr std::uint32_t kSave = kOverwritePrompt | kHideReadOnly | kExplorer | kLongNames;
inline constexpr std::uint32_t kOpen = kCreatePrompt | kExplorer | kNoDereferenceLinks | kLongNames;
}  // namespace rez_flags

inline constexpr RezFileKind kCreateRezFile{FileDialogKind::Save, "Destination for Rez File",
                                            rez_flags::kSave, Control::Text1};
inline constexpr RezFileKind kExtractRezFile{FileDialogKind::Open, "Rez File to UnRez",
                                             rez_flags::kOpen, Control::Text4};
inline constexpr RezFileKind kViewRezFile{FileDialogKind::Open, "Rez File to View",
                                          rez_flags::kOpen, Control::Text7};

// Every dialog starts afresh from the same folder and proposed name; nothing carries over.
FileDialogRequest RezDialogRequest(const RezFileKind& kind, WindowHandle owner);

// What the dialog asks before it takes `path`, a name that does not exist yet, where the kind's
// flags ask for consent.
std::string CreatePromptQuestion(std::string_view path);

// Shows the kind's dialog; a confirmed path replaces the target field, a cancel keeps it.
void PickRezFile(Platform& platform, const RezFileKind& kind);

}  // namespace morlett
