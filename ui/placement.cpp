#include "ui/placement.h"

ScreenPoint CommonDialogOrigin(const Rect& monitor, int width, int height) {
  return {monitor.left + (monitor.Width() - width) / 2,
          monitor.top + (monitor.Height() - height) / 3};
}

ScreenPoint CentredOrigin(int screenWidth, int screenHeight, int width, int height) {
  return {(screenWidth - width) / 2, (screenHeight - height) / 2};
}
