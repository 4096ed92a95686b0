// The fonts of the window's controls: the system's message font for the window's screen,
// scaled as the window is, and smaller for a caption that would not fit its room otherwise.
#pragma once

#include <windows.h>

#include <array>
#include <map>

#include "app/layout.h"
#include "platform/controls.h"
#include "platform/win32/win32_owners.h"

namespace morlett::win32 {

class ControlFonts {
 public:
  // Gives each control its font for `layout` on a screen of `dpi`. A font is deleted only
  // once no control uses it.
  void Apply(HWND window, const std::array<HWND, kControlCount>& controls,
             const ScaledLayout& layout, UINT dpi);

 private:
  LONG FittingHeight(HDC dc, const ControlEntry& entry, int width, LONG height, UINT dpi);
  HFONT OfHeight(LONG height);

  LOGFONTW messageFont_{};
  std::map<LONG, UniqueFont> fonts_;  // made from messageFont_, by height
};

}  // namespace morlett::win32
