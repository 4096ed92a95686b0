#include "platform/win32/accessible_names.h"

// The identifiers the accessibility header names are defined here, as its few constants,
// rather than linked from the uuid library, which brings every identifier Windows has.
#include <initguid.h>
// After initguid.h, which it needs.
#include <oleacc.h>

#include <string>

namespace morlett::win32 {
namespace {

std::wstring Wide(std::string_view text) {
  std::wstring wide(text.size(), L'\0');
  wide.resize(static_cast<std::size_t>(
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                          static_cast<int>(wide.size()))));
  return wide;
}

}  // namespace

AccessibleNames::AccessibleNames(std::span<const NamedWindow> named) {
  IAccPropServices* services = nullptr;
  if (FAILED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IAccPropServices, reinterpret_cast<void**>(&services)))) {
    return;
  }
  services_.reset(services);
  for (const auto& [window, name] : named) {
    const std::wstring wide = Wide(name);
    if (SUCCEEDED(services_->SetHwndPropStr(window, OBJID_CLIENT, CHILDID_SELF, PROPID_ACC_NAME,
                                            wide.c_str()))) {
      named_.push_back(window);
    }
  }
}

AccessibleNames::~AccessibleNames() {
  MSAAPROPID name = PROPID_ACC_NAME;
  for (const HWND window : named_) {
    services_->ClearHwndProps(window, OBJID_CLIENT, CHILDID_SELF, &name, 1);
  }
}

}  // namespace morlett::win32
