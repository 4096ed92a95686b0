// The logo picture, a bitmap in the program's resources.
#pragma once

#include <windows.h>

#include "platform/win32/win32_owners.h"

namespace morlett::win32 {

class LogoPicture {
 public:
  // Loads the bitmap resource `resourceId` of `module`; draws nothing when it cannot.
  LogoPicture(HMODULE module, int resourceId);

  // Stretches the whole picture to fill `box`.
  void Draw(HDC dc, const RECT& box) const;

 private:
  UniqueBitmap bitmap_;
  SIZE size_{};
};

}  // namespace morlett::win32
