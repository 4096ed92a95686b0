#include "platform/win32/logo_picture.h"

namespace morlett::win32 {

LogoPicture::LogoPicture(HMODULE module, int resourceId)
    : bitmap_(static_cast<HBITMAP>(LoadImageA(module, MAKEINTRESOURCEA(resourceId), IMAGE_BITMAP, 0,
                                              0, LR_CREATEDIBSECTION))) {
  BITMAP info{};
  if (bitmap_ && GetObjectA(bitmap_.get(), sizeof(info), &info)) {
    size_ = {info.bmWidth, info.bmHeight};
  }
}

void LogoPicture::Draw(HDC dc, const RECT& box) const {
  if (!bitmap_) return;
  const UniqueDc source(CreateCompatibleDC(dc));
  const HGDIOBJ previous = SelectObject(source.get(), bitmap_.get());
  // Smooth stretching rather than dropped or doubled rows of pixels.
  SetStretchBltMode(dc, HALFTONE);
  SetBrushOrgEx(dc, 0, 0, nullptr);
  StretchBlt(dc, box.left, box.top, box.right - box.left, box.bottom - box.top, source.get(), 0, 0,
             size_.cx, size_.cy, SRCCOPY);
  SelectObject(source.get(), previous);
}

}  // namespace morlett::win32
