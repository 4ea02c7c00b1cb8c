// Window placement rules shared by the program's dialogs and windows: pure arithmetic on
// screen rectangles, so the rules are tested without a screen.
#pragma once

#include "common/rect.h"

struct ScreenPoint {
  int x = 0;
  int y = 0;
};

// Where a common dialog (Save, Print) goes on a monitor: centred horizontally, with one
// third of the free height above it.
ScreenPoint CommonDialogOrigin(const Rect& monitor, int width, int height);

// Where a window goes when it is centred on a screen of the given size: the free width and
// height halved, truncated toward zero (a window larger than the screen starts above/left).
ScreenPoint CentredOrigin(int screenWidth, int screenHeight, int width, int height);
