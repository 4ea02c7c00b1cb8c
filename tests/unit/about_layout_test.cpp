#include "ui/about_layout.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

class FakeScreens : public PlacementScreens {
 public:
  Rect primary{0, 0, 1280, 1024};
  std::optional<Rect> activeMonitor;  // set: the active window is on this monitor
  int queries = 0;
  Rect askedAbout{};

  Rect PrimaryScreen() override {
    ++queries;
    return primary;
  }
  std::optional<Rect> ActiveMonitorIfOther(const Rect& box) override {
    askedAbout = box;
    return activeMonitor;
  }
};

}  // namespace

TEST(AboutBoxScaling, DesignHeightLeavesTheLayoutAlone) {
  EXPECT_EQ(AboutScaleBounds(AboutBoxLayout::kOKButton, 13), AboutBoxLayout::kOKButton);
  EXPECT_EQ(AboutScale(AboutBoxLayout::kClientWidth, 13), 298);
}

TEST(AboutBoxScaling, LargerTextGrowsPositionsAndSizes) {
  EXPECT_EQ(AboutScaleBounds({111, 228, 186, 253}, 16), (Rect{137, 281, 229, 311}));  // 92 x 30
  EXPECT_EQ(AboutScale(298, 16), 367);                                                // 366.77
  EXPECT_EQ(AboutScale(265, 16), 326);                                                // 326.15
}

TEST(AboutBoxScaling, HalvesRoundAwayFromZero) {
  EXPECT_EQ(AboutScale(13, 1, 26), 1);    // 0.5
  EXPECT_EQ(AboutScale(-13, 1, 26), -1);  // -0.5
  EXPECT_EQ(AboutScale(12, 1, 26), 0);
}

TEST(AboutBoxScaling, NeighboursStayFlushBecauseEdgesAreScaled) {
  const Rect shape{0, 0, 298, 65};
  const Rect bevel = AboutBoxLayout::kBevel1;
  const Rect s = AboutScaleBounds(shape, 15);
  const Rect b = AboutScaleBounds(bevel, 15);
  EXPECT_EQ(s.bottom, b.top);
}

TEST(AboutBoxPlacement, FirstShowingCentresOnThePrimaryScreen) {
  FakeScreens screens;
  FirstShowingPlacement placement;
  const std::optional<ScreenPoint> at = placement.Place(screens, 304, 291);
  ASSERT_TRUE(at.has_value());
  EXPECT_EQ(at->x, 488);
  EXPECT_EQ(at->y, 366);  // (1024 - 291) / 2 = 366.5, truncated
}

TEST(AboutBoxPlacement, ABoxLargerThanTheScreenStartsAtZero) {
  FakeScreens screens;
  screens.primary = {0, 0, 640, 200};
  FirstShowingPlacement placement;
  const std::optional<ScreenPoint> at = placement.Place(screens, 304, 291);
  ASSERT_TRUE(at.has_value());
  EXPECT_EQ(at->x, 168);
  EXPECT_EQ(at->y, 0);
}

TEST(AboutBoxPlacement, AskedAboutTheBoxWhereTheFirstStepPutsIt) {
  FakeScreens screens;
  FirstShowingPlacement placement;
  placement.Place(screens, 300, 200);
  EXPECT_EQ(screens.askedAbout.left, 490);
  EXPECT_EQ(screens.askedAbout.top, 412);
  EXPECT_EQ(screens.askedAbout.right, 790);
  EXPECT_EQ(screens.askedAbout.bottom, 612);
}

TEST(AboutBoxPlacement, ActiveWindowOnAnotherMonitorCentresThere) {
  FakeScreens screens;
  screens.activeMonitor = Rect{1280, 0, 3200, 1080};
  FirstShowingPlacement placement;
  const std::optional<ScreenPoint> at = placement.Place(screens, 304, 291);
  ASSERT_TRUE(at.has_value());
  EXPECT_EQ(at->x, 1280 + (1920 - 304) / 2);
  EXPECT_EQ(at->y, (1080 - 291) / 2);
}

TEST(AboutBoxPlacement, MonitorLeftOfThePrimaryKeepsItsNegativeCoordinates) {
  FakeScreens screens;
  screens.activeMonitor = Rect{-1024, -100, 0, 668};
  FirstShowingPlacement placement;
  const std::optional<ScreenPoint> at = placement.Place(screens, 305, 291);
  ASSERT_TRUE(at.has_value());
  EXPECT_EQ(at->x, -1024 + 359);  // (1024 - 305) / 2 = 359.5, truncated
  EXPECT_EQ(at->y, -100 + 238);   // (768 - 291) / 2 = 238.5, truncated
}

TEST(AboutBoxPlacement, LaterShowingsAreNeverPlacedAgain) {
  FakeScreens screens;
  FirstShowingPlacement placement;
  EXPECT_FALSE(placement.Placed());
  ASSERT_TRUE(placement.Place(screens, 304, 291).has_value());
  EXPECT_TRUE(placement.Placed());
  screens.activeMonitor = Rect{1280, 0, 3200, 1080};
  EXPECT_FALSE(placement.Place(screens, 304, 291).has_value());
  EXPECT_FALSE(placement.Place(screens, 304, 291).has_value());
  EXPECT_EQ(screens.queries, 1);
}

namespace {

// Every character 7 pixels wide.
int FixedWidth(std::string_view text) { return static_cast<int>(text.size()) * 7; }

using Lines = std::vector<std::string>;

}  // namespace

TEST(LabelWrapping, TextThatFitsStaysOnOneLine) {
  EXPECT_EQ(WrapAtSpaces("Version 1.07 beta", 166, FixedWidth), Lines{"Version 1.07 beta"});
}

TEST(LabelWrapping, BreaksAtTheLastSpaceThatFits) {
  // 23 characters fit in 166 pixels.
  EXPECT_EQ(WrapAtSpaces("the maker of drivers lists and more", 166, FixedWidth),
            (Lines{"the maker of drivers", "lists and more"}));
}

TEST(LabelWrapping, AWebAddressWiderThanTheLineIsNeverCut) {
  EXPECT_EQ(WrapAtSpaces("https://tolvane.example.org/", 166, FixedWidth),
            Lines{"https://tolvane.example.org/"});
}

TEST(LabelWrapping, ALongWordAfterOthersMovesToItsOwnLine) {
  EXPECT_EQ(WrapAtSpaces("see https://tolvane.example.org/ now", 166, FixedWidth),
            (Lines{"see", "https://tolvane.example.org/", "now"}));
}

TEST(LabelWrapping, SpacesAtTheBreakAreDropped) {
  EXPECT_EQ(WrapAtSpaces("aaaaaaaaaaaaaaaaaaaa     bbbb", 166, FixedWidth),
            (Lines{"aaaaaaaaaaaaaaaaaaaa", "bbbb"}));
}

TEST(LabelWrapping, EmptyTextHasNoLines) { EXPECT_TRUE(WrapAtSpaces("", 166, FixedWidth).empty()); }

TEST(LabelWrapping, ZeroWidthPutsEveryWordOnItsOwnLine) {
  EXPECT_EQ(WrapAtSpaces("a b", 0, FixedWidth), (Lines{"a", "b"}));
}
