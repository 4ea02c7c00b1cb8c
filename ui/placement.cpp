#include "ui/placement.h"

ScreenPoint CentredOrigin(const Rect& area, int width, int height, int heightShare) {
  return {area.left + (area.Width() - width) / 2,
          area.top + (area.Height() - height) / heightShare};
}
