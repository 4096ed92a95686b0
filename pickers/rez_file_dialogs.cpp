#include "pickers/rez_file_dialogs.h"

namespace morlett {

FileDialogRequest RezDialogRequest(const RezFileKind& kind, WindowHandle owner) {
  return {
      .kind = kind.dialog,
      .owner = owner,
      .title = std::string(kind.title),
      .filterName = "Lithrez File Format",
      .filterPattern = "*.rez",
      .initialDirectory = "c:\\",
      .proposedName = "Untitled.rez",
      .defaultExtension = "rez",
      .flags = kind.flags,
  };
}

void PickRezFile(Platform& platform, const RezFileKind& kind) {
  const auto path = platform.ShowFileDialog(RezDialogRequest(kind, platform.OwnerWindow()));
  if (path) platform.SetText(kind.target, *path);
}

std::string CreatePromptQuestion(std::string_view path) {
  return std::string(path) + "\nThis file does not exist.\nDo you want to create it?";
}

}  // namespace morlett
