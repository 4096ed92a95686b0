// Text crosses into Qt here: the program's strings are UTF-8 throughout.
#pragma once

#include <QString>
#include <string_view>

namespace morlett::qt {

inline QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace morlett::qt
