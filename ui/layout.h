// Form1's stored layout and the arithmetic that adapts it to the font in use: the layout is
// drawn for a window font whose "0" is 14 pixels high; other fonts scale every control.
#pragma once

#include <array>
#include <string_view>

inline constexpr int kDesignTextHeight = 14;

struct ControlBounds {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;

  bool operator==(const ControlBounds&) const = default;
};

// value * measured / designed, rounded to the nearest integer, halves away from zero.
int ScaleValue(int value, int measured, int designed = kDesignTextHeight);

// Scales a control's left and top and its right and bottom edges; width and height follow
// from the edges, so neighbouring controls stay flush.
ControlBounds ScaleBounds(const ControlBounds& bounds, int measured,
                          int designed = kDesignTextHeight);

// Form1 at design size (96 pixels per inch, "0" 14 pixels high).
struct Form1Layout {
  static constexpr std::string_view kCaption = "Tolvane";
  static constexpr std::string_view kFontFace = "MS";
  static constexpr int kFontHeight = 11;  // character height in pixels (8 points)
  static constexpr int kOuterWidth = 632;
  static constexpr int kOuterHeight = 496;
  static constexpr int kClientWidth = 624;
  static constexpr int kClientHeight = 442;

  static constexpr ControlBounds kCoolBar1{0, 0, 624, 57};
  static constexpr int kBandWidth = 620;
  static constexpr int kBandMinHeight = 57;
  static constexpr ControlBounds kToolBar1{0, 0, 616, 57};
  static constexpr int kButtonWidth = 81;
  static constexpr int kButtonHeight = 53;
  static constexpr int kImageSize = 32;
  static constexpr ControlBounds kListView1{0, 57, 624, 366};
  static constexpr ControlBounds kStatusBar1{0, 423, 624, 19};
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
