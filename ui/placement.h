// Window placement rules shared by the program's dialogs and windows: pure arithmetic on
// screen rectangles, so the rules are tested without a screen.
#pragma once

#include "common/rect.h"

struct ScreenPoint {
  int x = 0;
  int y = 0;
};

// The one centring rule: where a window of width x height goes in area. The free width is
// halved; the free height is divided by heightShare and that much goes above the window (2:
// centred). Truncated toward zero, so a window larger than the area starts above/left of it.
ScreenPoint CentredOrigin(const Rect& area, int width, int height, int heightShare = 2);

// Where a common dialog (Save, Print) goes on a monitor: centred horizontally, with one
// third of the free height above it.
inline ScreenPoint CommonDialogOrigin(const Rect& monitor, int width, int height) {
  return CentredOrigin(monitor, width, height, 3);
}
