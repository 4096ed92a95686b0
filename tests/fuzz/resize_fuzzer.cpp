// Any client size gives rectangles that neither overflow nor turn negative, each inside its
// container, and a finite, positive font scale.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "app/layout.h"

namespace {

int IntAt(const std::uint8_t* data, std::size_t index) {
  std::int32_t value = 0;
  std::memcpy(&value, data + 4 * index, sizeof value);
  return value;
}

bool Inside(const morlett::Rect& inner, const morlett::Rect& outer) {
  return inner.width >= 0 && inner.height >= 0 && inner.left >= 0 && inner.top >= 0 &&
         inner.left + inner.width <= outer.width && inner.top + inner.height <= outer.height;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 16) return 0;
  const morlett::Size client{IntAt(data, 0), IntAt(data, 1)};
  const morlett::Size design{IntAt(data, 2), IntAt(data, 3)};
  const morlett::ScaledLayout layout = morlett::ScaleLayout(client, design);
  for (const morlett::ControlEntry& entry : morlett::ControlTable()) {
    if (!Inside(layout[entry.id], layout[entry.container])) std::abort();
  }
  if (!std::isfinite(layout.fontScale) || layout.fontScale <= 0) std::abort();
  return 0;
}
