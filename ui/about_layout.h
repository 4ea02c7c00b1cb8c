// The About box's stored layout, the arithmetic that adapts it to the font in use, and where
// the box opens: centred on the screen on its first showing, where the user left it after.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/version.h"
#include "ui/layout.h"
#include "ui/placement.h"

// The layout is drawn for 96 pixels per inch and a window text height ("0") of 13 pixels.
inline constexpr int kAboutDesignTextHeight = 13;

struct AboutFont {
  std::string_view face;
  int height;  // character height in pixels
  bool bold;
  bool underline;
};

struct AboutBoxLayout {
  static constexpr std::string_view kCaption = "About";
  static constexpr int kClientWidth = 298;
  static constexpr int kClientHeight = 265;
  static constexpr AboutFont kWindowFont{"MS Sans Serif", 11, false, false};

  static constexpr int kShape1Height = 65;
  static constexpr Rect kBevel1{0, 65, kClientWidth, 74};
  static constexpr Rect kProductName{8, 16, 130, 45};
  static constexpr AboutFont kProductNameFont{"Georgia", 24, false, false};
  static constexpr Rect kComments{64, 176, 230, 192};  // wraps at its width
  static constexpr AboutFont kCommentsFont{"MS Sans Serif", 13, true, true};
  static constexpr Rect kVersion{8, 72, 109, 85};
  static constexpr AboutFont kVersionFont{"MS Sans Serif", 11, true, false};
  static constexpr Rect kLabel1{64, 200, 230, 216};
  static constexpr AboutFont kLabel1Font{"Georgia", 13, false, false};
  static constexpr Rect kOKButton{111, 228, 186, 253};

  static constexpr std::string_view kProductNameText = "Tolvane";
  static constexpr std::string_view kVersionText = "Version " TOLVANE_VERSION_TEXT;
  static constexpr std::string_view kEmailPrefix = "Email: ";
  static constexpr std::string_view kOKButtonText = "OK";
  static constexpr int kOKModalResult = 1;
  static constexpr int kCancelModalResult = 2;
};

// The main window's scaling rules, against the About box's design text height.
inline int AboutScale(int value, int measured, int designed = kAboutDesignTextHeight) {
  return ScaleValue(value, measured, designed);
}
inline Rect AboutScaleBounds(const Rect& bounds, int measured,
                             int designed = kAboutDesignTextHeight) {
  return ScaleBounds(bounds, measured, designed);
}

// A wrapping label's lines: broken at spaces only, each as long as fits in maxWidth; a word
// wider than that stands on a line of its own, whole, and the label grows to hold it (a web
// address is never cut in two). The spaces at a break are dropped.
std::vector<std::string> WrapAtSpaces(std::string_view text, int maxWidth,
                                      const std::function<int(std::string_view)>& measure);

// What the first showing needs to know of the screens.
class PlacementScreens {
 public:
  virtual ~PlacementScreens() = default;
  virtual Rect PrimaryScreen() = 0;
  // The monitor of the program's active window, when a box at `box` would lie on another one.
  virtual std::optional<Rect> ActiveMonitorIfOther(const Rect& box) = 0;
};

// The box is placed on its first showing only; later showings keep where it was. It is centred
// on the primary screen, where a box larger than the screen starts at the top-left corner
// rather than off it, unless the active window is on another monitor: then it is centred
// there (that monitor's coordinates may be negative).
class FirstShowingPlacement {
 public:
  std::optional<ScreenPoint> Place(PlacementScreens& screens, int width, int height);
  bool Placed() const { return placed_; }

 private:
  bool placed_ = false;
};
