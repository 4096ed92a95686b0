#include "pickers/folder_picker.h"

namespace morlett {

std::string PickFolder(Platform& platform, std::string_view title, Control target) {
  const FolderRequest request{platform.OwnerWindow(), std::string(title), true};
  const std::optional<std::string> folder = platform.BrowseForFolder(request);
  if (!folder) return {};
  platform.SetText(target, *folder);
  return *folder;
}

}  // namespace morlett
