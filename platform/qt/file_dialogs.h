// The folder browser and the rez-file dialogs, as Qt's file dialogs. Each request is
// translated as it stands: its title, filter, start folder, proposed name, default
// extension and behaviour flags.
#pragma once

#include <optional>
#include <string>

#include "platform/platform.h"

class QWidget;

namespace morlett::qt {

std::optional<std::string> RunFolderDialog(QWidget* owner, const FolderRequest& request);
std::optional<std::string> RunFileDialog(QWidget* owner, const FileDialogRequest& request);

}  // namespace morlett::qt
