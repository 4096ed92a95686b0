// The program's own messages: modal to the window, under the application's title.
#pragma once

#include <string>
#include <string_view>

#include "app/layout.h"
#include "platform/platform.h"

namespace morlett {

inline void ShowAppMessage(Platform& platform, std::string_view text) {
  platform.ShowMessage({platform.OwnerWindow(), std::string(kAppTitle), std::string(text)});
}

}  // namespace morlett
