#include "ui/layout.h"
#include "ui/placement.h"

#include <gtest/gtest.h>

TEST(LayoutScaling, DesignHeightLeavesEverythingAsStored) {
  EXPECT_EQ(ScaleBounds(Form1Layout::kListView1, 14), Form1Layout::kListView1);
}

TEST(LayoutScaling, SmallerFontShrinksPositionsAndSizes) {
  // 57 * 13 / 14 = 52.93 -> 53; (57 + 366) * 13 / 14 = 392.79 -> 393.
  EXPECT_EQ(ScaleBounds(Form1Layout::kListView1, 13), (Rect{0, 53, 579, 393}));
}

TEST(LayoutScaling, RoundsToTheNearestWithHalvesAwayFromZero) {
  EXPECT_EQ(ScaleValue(1, 21), 2);    // 1.5
  EXPECT_EQ(ScaleValue(3, 7), 2);     // 1.5
  EXPECT_EQ(ScaleValue(-3, 7), -2);   // -1.5
  EXPECT_EQ(ScaleValue(10, 15), 11);  // 10.71
  EXPECT_EQ(ScaleValue(10, 13), 9);   // 9.29
}

TEST(LayoutScaling, SizeFollowsTheScaledEdgesNotTheScaledSize) {
  // left 1 -> 2 (1.5 rounds up), right 2 -> 3: the width is 1, although 1 * 1.5 would give 2.
  EXPECT_EQ(ScaleBounds({1, 1, 2, 2}, 21), (Rect{2, 2, 3, 3}));
}

TEST(LayoutScaling, NeighboursStayFlush) {
  const Rect a = ScaleBounds({0, 0, 81, 53}, 17);
  const Rect b = ScaleBounds({81, 0, 162, 53}, 17);
  EXPECT_EQ(a.right, b.left);
}

TEST(LayoutScaling, LargeValuesDoNotOverflow) {
  // The product 28'000'000'000 does not fit in 32 bits; the result does.
  EXPECT_EQ(ScaleValue(1'000'000'000, 28), 2'000'000'000);
}

TEST(Centring, HalvesTheFreeSpace) {
  const ScreenPoint at = CentredOrigin({0, 0, 1280, 1024}, 632, 496);
  EXPECT_EQ(at.x, 324);
  EXPECT_EQ(at.y, 264);
}

TEST(Centring, OddFreeSpaceTruncates) {
  const ScreenPoint at = CentredOrigin({0, 0, 1281, 1025}, 632, 496);
  EXPECT_EQ(at.x, 324);
  EXPECT_EQ(at.y, 264);
}

TEST(Centring, WindowLargerThanTheScreenTruncatesTowardZero) {
  const ScreenPoint at = CentredOrigin({0, 0, 600, 400}, 633, 497);
  EXPECT_EQ(at.x, -16);  // -33 / 2
  EXPECT_EQ(at.y, -48);  // -97 / 2
}
