// The logo picture, decoded from the program's resources by the system's own picture loader.
#pragma once

#include <windows.h>

#include <ocidl.h>

#include "platform/win32/win32_owners.h"

namespace morlett::win32 {

class LogoPicture {
 public:
  // Loads the JPEG resource `resourceId` of `module`; draws nothing when it cannot.
  LogoPicture(HMODULE module, int resourceId);

  // Stretches the whole picture to fill `box`.
  void Draw(HDC dc, const RECT& box) const;

 private:
  ComOwner<IPicture> picture_;
};

}  // namespace morlett::win32
