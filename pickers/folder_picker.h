// The two Directory buttons: a folder browser whose answer goes into the panel's field.
#pragma once

#include <string>
#include <string_view>

#include "platform/controls.h"
#include "platform/platform.h"

namespace morlett {

// Shows the browser and returns the chosen folder, or "" when there is none. The target
// field takes a chosen folder and keeps its text on cancel, so an earlier choice survives.
std::string PickFolder(Platform& platform, std::string_view title, Control target);

}  // namespace morlett
