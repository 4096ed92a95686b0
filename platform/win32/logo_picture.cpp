#include "platform/win32/logo_picture.h"

#include <olectl.h>
#include <shlwapi.h>

namespace morlett::win32 {
namespace {

// RT_RCDATA, spelled for the 8-bit resource functions whatever the build's character set.
const LPCSTR kRawData = MAKEINTRESOURCEA(10);

ComOwner<IPicture> LoadPicture(HMODULE module, int resourceId) {
  const HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(resourceId), kRawData);
  const HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
  const auto* bytes = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
  if (!bytes) return nullptr;
  const DWORD size = SizeofResource(module, resource);
  const ComOwner<IStream> stream(SHCreateMemStream(bytes, size));
  if (!stream) return nullptr;
  IPicture* picture = nullptr;
  if (FAILED(OleLoadPicture(stream.get(), static_cast<LONG>(size), FALSE, IID_IPicture,
                            reinterpret_cast<void**>(&picture)))) {
    return nullptr;
  }
  return ComOwner<IPicture>(picture);
}

}  // namespace

LogoPicture::LogoPicture(HMODULE module, int resourceId)
    : picture_(LoadPicture(module, resourceId)) {}

void LogoPicture::Draw(HDC dc, const RECT& box) const {
  if (!picture_) return;
  OLE_XSIZE_HIMETRIC width = 0;
  OLE_YSIZE_HIMETRIC height = 0;
  picture_->get_Width(&width);
  picture_->get_Height(&height);
  // Smooth stretching rather than dropped or doubled rows of pixels.
  SetStretchBltMode(dc, HALFTONE);
  SetBrushOrgEx(dc, 0, 0, nullptr);
  // The picture's own coordinates run upwards, so its source rectangle starts at the bottom.
  picture_->Render(dc, box.left, box.top, box.right - box.left, box.bottom - box.top, 0, height,
                   width, -height, nullptr);
}

}  // namespace morlett::win32
