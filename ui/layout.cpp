#include "ui/layout.h"

#include <cstdint>

int ScaleValue(int value, int measured, int designed) {
  if (designed == 0) return value;
  const std::int64_t product = static_cast<std::int64_t>(value) * measured;
  const std::int64_t half = (designed > 0 ? designed : -designed) / 2;
  const bool negative = (product < 0) != (designed < 0);
  const std::int64_t magnitude =
      ((product < 0 ? -product : product) + half) / (designed > 0 ? designed : -designed);
  return static_cast<int>(negative ? -magnitude : magnitude);
}

Rect ScaleBounds(const Rect& bounds, int measured, int designed) {
  return {ScaleValue(bounds.left, measured, designed), ScaleValue(bounds.top, measured, designed),
          ScaleValue(bounds.right, measured, designed),
          ScaleValue(bounds.bottom, measured, designed)};
}
