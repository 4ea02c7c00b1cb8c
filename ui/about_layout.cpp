#include "ui/about_layout.h"

#include <algorithm>
#include <cstdint>

int AboutScale(int value, int measured, int designed) {
  const std::int64_t product = static_cast<std::int64_t>(value) * measured;
  const std::int64_t half = designed / 2;
  const std::int64_t scaled =
      product >= 0 ? (product + half) / designed : -((-product + half) / designed);
  return static_cast<int>(scaled);
}

AboutBounds AboutScaleBounds(const AboutBounds& bounds, int measured, int designed) {
  const int left = AboutScale(bounds.left, measured, designed);
  const int top = AboutScale(bounds.top, measured, designed);
  const int right = AboutScale(bounds.left + bounds.width, measured, designed);
  const int bottom = AboutScale(bounds.top + bounds.height, measured, designed);
  return {left, top, right - left, bottom - top};
}

ScreenPoint CentredOnPrimary(int screenWidth, int screenHeight, int width, int height) {
  return {std::max(0, (screenWidth - width) / 2), std::max(0, (screenHeight - height) / 2)};
}

ScreenPoint CentredOnMonitor(const ScreenRect& monitor, int width, int height) {
  return {monitor.left + (monitor.Width() - width) / 2,
          monitor.top + (monitor.Height() - height) / 2};
}

std::optional<ScreenPoint> FirstShowingPlacement::Place(PlacementScreens& screens, int width,
                                                        int height) {
  if (placed_) return std::nullopt;
  placed_ = true;
  const ScreenRect primary = screens.PrimaryScreen();
  const ScreenPoint centred = CentredOnPrimary(primary.Width(), primary.Height(), width, height);
  const ScreenRect box{centred.x, centred.y, centred.x + width, centred.y + height};
  if (const std::optional<ScreenRect> other = screens.ActiveMonitorIfOther(box)) {
    return CentredOnMonitor(*other, width, height);
  }
  return centred;
}
