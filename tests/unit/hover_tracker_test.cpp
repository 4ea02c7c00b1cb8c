#include "ui/hover_tracker.h"

#include <gtest/gtest.h>

#include <string>
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

TEST(HoverTracking, EnterWhenThePointerFirstComesOntoAControl) {
  HoverTracker tracker;
  RecordingSink sink;
  tracker.Idle(kLink, kNoControl, sink);
  EXPECT_EQ(sink.notices, Notices{"enter 7"});
  EXPECT_EQ(tracker.Current(), kLink);
}

TEST(HoverTracking, NothingWhileTheControlStaysTheSame) {
  HoverTracker tracker;
  RecordingSink sink;
  tracker.Idle(kLink, kNoControl, sink);
  tracker.Idle(kLink, kNoControl, sink);
  tracker.Idle(kLink, kNoControl, sink);
  EXPECT_EQ(sink.notices, Notices{"enter 7"});
}

TEST(HoverTracking, LeaveBeforeEnterWhenTheControlChanges) {
  HoverTracker tracker;
  RecordingSink sink;
  tracker.Idle(kLink, kNoControl, sink);
  tracker.Idle(kBox, kNoControl, sink);
  EXPECT_EQ(sink.notices, (Notices{"enter 7", "leave 7", "enter 3"}));
}

TEST(HoverTracking, OnlyLeaveWhenThePointerLeavesTheProgram) {
  HoverTracker tracker;
  RecordingSink sink;
  tracker.Idle(kLink, kNoControl, sink);
  tracker.Idle(kNoControl, kNoControl, sink);
  EXPECT_EQ(sink.notices, (Notices{"enter 7", "leave 7"}));
  EXPECT_EQ(tracker.Current(), kNoControl);
}

TEST(HoverTracking, OnlyTheCaptureHolderIsToldWhileItHoldsTheCapture) {
  HoverTracker tracker;
  RecordingSink sink;
  tracker.Idle(kLink, kNoControl, sink);
  // The button is pressed and holds the capture; the pointer wanders over the link.
  tracker.Idle(kButton, kButton, sink);
  tracker.Idle(kLink, kButton, sink);
  tracker.Idle(kBox, kButton, sink);
  EXPECT_EQ(sink.notices, (Notices{"enter 7", "enter 5", "leave 5"}));
}

TEST(HoverTracking, TheCaptureHolderHearsOfLeavingAndComingBack) {
  HoverTracker tracker;
  RecordingSink sink;
  tracker.Idle(kLink, kLink, sink);
  tracker.Idle(kBox, kLink, sink);
  tracker.Idle(kLink, kLink, sink);
  EXPECT_EQ(sink.notices, (Notices{"enter 7", "leave 7", "enter 7"}));
}

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
