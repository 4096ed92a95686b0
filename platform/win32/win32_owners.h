// Tiny owners for the things the Windows backend must give back, so that nothing leaks on
// any path.
#pragma once

#include <windows.h>

#include <objbase.h>
#include <shlobj.h>

#include <memory>
#include <type_traits>

namespace morlett::win32 {

struct HandleCloser {
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

// A wait the system's thread pool makes for the program; letting it go waits for its callback
// to have finished, so nothing it points to goes before.
struct WaitUnregisterer {
  void operator()(HANDLE wait) const { UnregisterWaitEx(wait, INVALID_HANDLE_VALUE); }
};
using UniqueWait = std::unique_ptr<void, WaitUnregisterer>;

struct TaskMemFreer {
  void operator()(void* memory) const { CoTaskMemFree(memory); }
};
using ItemIdList = std::unique_ptr<std::remove_pointer_t<PIDLIST_ABSOLUTE>, TaskMemFreer>;

struct GdiObjectDeleter {
  void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
using UniqueFont = std::unique_ptr<std::remove_pointer_t<HFONT>, GdiObjectDeleter>;
using UniqueBitmap = std::unique_ptr<std::remove_pointer_t<HBITMAP>, GdiObjectDeleter>;

struct ComReleaser {
  void operator()(IUnknown* object) const { object->Release(); }
};
template <class Interface>
using ComPtr = std::unique_ptr<Interface, ComReleaser>;

struct DcDeleter {
  void operator()(HDC dc) const { DeleteDC(dc); }
};
using UniqueDc = std::unique_ptr<std::remove_pointer_t<HDC>, DcDeleter>;

// COM for the UI thread, from its first use to the program's end: one apartment, which the
// dialogs and the accessibility names share. It is entered only when first needed, so that a
// start without either loads no COM at all.
class ComApartment {
 public:
  ComApartment() = default;
  ~ComApartment() {
    if (entered_) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

  void Enter() {
    entered_ = entered_ || SUCCEEDED(CoInitializeEx(
                               nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
  }

 private:
  bool entered_ = false;
};

}  // namespace morlett::win32
