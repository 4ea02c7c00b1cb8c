// Form1's stored layout and the arithmetic that adapts it to the font in use: the layout is
// drawn for a window font whose "0" is 14 pixels high; other fonts scale every control.
#pragma once

#include <array>
#include <string_view>

#include "common/rect.h"

inline constexpr int kDesignTextHeight = 14;

// value * measured / designed, rounded to the nearest integer, halves away from zero.
int ScaleValue(int value, int measured, int designed = kDesignTextHeight);

// Scales a control's four edges; width and height follow from the edges, so neighbouring
// controls stay flush.
Rect ScaleBounds(const Rect& bounds, int measured, int designed = kDesignTextHeight);

// Form1 at design size (96 pixels per inch, "0" 14 pixels high).
struct Form1Layout {
  static constexpr std::string_view kCaption = "Tolvane";
  static constexpr std::string_view kFontFace = "MS";
  static constexpr int kFontHeight = 11;  // character height in pixels (8 points)
  static constexpr int kOuterWidth = 632;
  static constexpr int kOuterHeight = 496;
  static constexpr int kClientWidth = 624;
  static constexpr int kClientHeight = 442;

  static constexpr Rect kCoolBar1{0, 0, 624, 57};
  static constexpr int kBandWidth = 620;
  static constexpr int kBandMinHeight = 57;
  static constexpr Rect kToolBar1{0, 0, 616, 57};
  static constexpr int kButtonWidth = 81;
  static constexpr int kButtonHeight = 53;
  static constexpr int kImageSize = 32;
  static constexpr Rect kListView1{0, 57, 624, 423};
  static constexpr Rect kStatusBar1{0, 423, 624, 442};
  static constexpr int kStatusPanelWidth = 150;
};

struct ToolButtonLayout {
  std::string_view name;
  std::string_view caption;
  int image;
};

inline constexpr std::array<ToolButtonLayout, 4> kToolButtons{{
    {"ToolButton1", "Get Devices F5", 0},
    {"ToolButton2", "Save", 1},
    {"ToolButton3", "Print", 2},
    {"ToolButton4", "Exit F10", 3},
}};
