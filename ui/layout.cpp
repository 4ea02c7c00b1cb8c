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

ControlBounds ScaleBounds(const ControlBounds& bounds, int measured, int designed) {
  const int left = ScaleValue(bounds.left, measured, designed);
  const int top = ScaleValue(bounds.top, measured, designed);
  const int right = ScaleValue(bounds.left + bounds.width, measured, designed);
  const int bottom = ScaleValue(bounds.top + bounds.height, measured, designed);
  return {left, top, right - left, bottom - top};
}
