// The fonts of the window's controls: the system's message font for the window's screen,
// scaled as the window is, and smaller for a caption that would not fit its room otherwise.
#pragma once

#include <windows.h>

#include <array>
#include <map>
#include <string_view>
#include <utility>

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
  LONG FittingHeight(HDC dc, std::string_view caption, int room, LONG height);
  int CaptionWidthAt(HDC dc, LONG height, std::string_view caption);
  HFONT OfHeight(LONG height);

  LOGFONTW messageFont_{};
  std::map<LONG, UniqueFont> fonts_;  // made from messageFont_, by height
  // Each caption's drawn width in messageFont_ at a height: measured once, as drawing it is slow.
  std::map<std::pair<LONG, std::string_view>, int> captionWidths_;
};

}  // namespace morlett::win32
