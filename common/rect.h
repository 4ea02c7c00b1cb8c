// The program's one rectangle: edges as Windows' RECT holds them (right and bottom just past
// the last pixel), in screen, client or device units. Portable, so placement, layout and
// report rules are tested without a screen or a printer.
#pragma once

struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool operator==(const Rect&) const = default;
};
