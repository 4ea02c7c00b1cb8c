#include "ui/placement.h"

#include <gtest/gtest.h>

TEST(CommonDialogPlacement, CentredWithAThirdOfTheFreeHeightAbove) {
  const ScreenPoint at = CommonDialogOrigin({0, 0, 1280, 1024}, 400, 301);
  EXPECT_EQ(at.x, 440);
  EXPECT_EQ(at.y, 241);  // (1024 - 301) / 3, truncated
}

TEST(CommonDialogPlacement, FollowsAMonitorAwayFromTheOrigin) {
  const ScreenPoint at = CommonDialogOrigin({1280, -200, 2560, 824}, 400, 304);
  EXPECT_EQ(at.x, 1720);
  EXPECT_EQ(at.y, 40);
}

TEST(CommonDialogPlacement, DialogLargerThanTheMonitorStartsAboveAndLeftOfIt) {
  const ScreenPoint at = CommonDialogOrigin({0, 0, 640, 480}, 800, 600);
  EXPECT_EQ(at.x, -80);
  EXPECT_EQ(at.y, -40);
}
