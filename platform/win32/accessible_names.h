// The names screen readers read for the controls: each control's description, given to the
// system's accessibility proxies as an annotation.
#pragma once

#include <windows.h>

#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/win32/win32_owners.h"

struct IAccPropServices;

namespace morlett::win32 {

class AccessibleNames {
 public:
  using NamedWindow = std::pair<HWND, std::string_view>;

  // Gives each window its name, in the COM apartment the caller has entered. COM and the
  // accessibility library are loaded here, so this is done when an accessibility client first
  // asks, not at every start.
  explicit AccessibleNames(std::span<const NamedWindow> named);
  // Takes the names off again, as must be done before the windows go.
  ~AccessibleNames();
  AccessibleNames(const AccessibleNames&) = delete;
  AccessibleNames& operator=(const AccessibleNames&) = delete;

 private:
  ComPtr<IAccPropServices> services_;
  std::vector<HWND> named_;
};

}  // namespace morlett::win32
