#include "ui/hover_tracker.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace {

class RecordingSink : public HoverSink {
 public:
  std::vector<std::string> notices;
  void MouseEnter(HoverId control) override {
    notices.push_back("enter " + std::to_string(control));
  }
  void MouseLeave(HoverId control) override {
    notices.push_back("leave " + std::to_string(control));
  }
};

using Notices = std::vector<std::string>;
constexpr HoverId kLink = 7;
constexpr HoverId kBox = 3;
constexpr HoverId kButton = 5;

}  // namespace

// A pointer's path: at each idle time, the control under it and the one holding the capture;
// then the notices the sink heard and, where given, the control the tracker is on.
struct HoverPath {
  const char* name;
  std::vector<std::pair<HoverId, HoverId>> idles;
  Notices notices;
  std::optional<HoverId> current = std::nullopt;
};

void PrintTo(const HoverPath& path, std::ostream* out) { *out << path.name; }

class HoverTrackingPath : public testing::TestWithParam<HoverPath> {};

TEST_P(HoverTrackingPath, NoticesFollowThePointer) {
  HoverTracker tracker;
  RecordingSink sink;
  for (const auto& [under, capture] : GetParam().idles) tracker.Idle(under, capture, sink);
  EXPECT_EQ(sink.notices, GetParam().notices);
  if (GetParam().current) {
    EXPECT_EQ(tracker.Current(), *GetParam().current);
  }
}

INSTANTIATE_TEST_SUITE_P(
    HoverTracking, HoverTrackingPath,
    testing::Values(
        HoverPath{
            "EnterWhenThePointerFirstComesOntoAControl", {{kLink, kNoControl}}, {"enter 7"}, kLink},
        HoverPath{"NothingWhileTheControlStaysTheSame",
                  {{kLink, kNoControl}, {kLink, kNoControl}, {kLink, kNoControl}},
                  {"enter 7"}},
        HoverPath{"LeaveBeforeEnterWhenTheControlChanges",
                  {{kLink, kNoControl}, {kBox, kNoControl}},
                  {"enter 7", "leave 7", "enter 3"}},
        HoverPath{"OnlyLeaveWhenThePointerLeavesTheProgram",
                  {{kLink, kNoControl}, {kNoControl, kNoControl}},
                  {"enter 7", "leave 7"},
                  kNoControl},
        // The button is pressed and holds the capture; the pointer wanders over the link.
        HoverPath{"OnlyTheCaptureHolderIsToldWhileItHoldsTheCapture",
                  {{kLink, kNoControl}, {kButton, kButton}, {kLink, kButton}, {kBox, kButton}},
                  {"enter 7", "enter 5", "leave 5"}},
        HoverPath{"TheCaptureHolderHearsOfLeavingAndComingBack",
                  {{kLink, kLink}, {kBox, kLink}, {kLink, kLink}},
                  {"enter 7", "leave 7", "enter 7"}}),
    [](const testing::TestParamInfo<HoverPath>& info) { return std::string(info.param.name); });

TEST(HoverTracking, AForgottenControlGetsNoLeaveNotice) {
  HoverTracker tracker;
  RecordingSink sink;
  tracker.Idle(kLink, kNoControl, sink);
  tracker.Forget(kLink);
  tracker.Idle(kBox, kNoControl, sink);
  EXPECT_EQ(sink.notices, (Notices{"enter 7", "enter 3"}));
}

TEST(HoverTracking, ForgettingAnotherControlKeepsTheCurrentOne) {
  HoverTracker tracker;
  RecordingSink sink;
  tracker.Idle(kLink, kNoControl, sink);
  tracker.Forget(kBox);
  EXPECT_EQ(tracker.Current(), kLink);
}
