#include "common/unique_handle.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <utility>
#include <vector>

namespace {

// Every handle closed, in order; -1 is the null value, as for a POSIX descriptor.
std::vector<int> closed;
void CloseFake(int handle) { closed.push_back(handle); }
using UniqueFake = UniqueHandle<int, CloseFake, -1>;

class UniqueHandleOwnership : public testing::Test {
 protected:
  void SetUp() override { closed.clear(); }
};

}  // namespace

TEST_F(UniqueHandleOwnership, ClosesOnceOnEveryWayOutAndNeverTheNullValue) {
  {
    UniqueFake held(3);
    UniqueFake empty;
    EXPECT_TRUE(held);
    EXPECT_FALSE(empty);
    UniqueFake moved(std::move(held));
    EXPECT_FALSE(held);
    EXPECT_EQ(moved.get(), 3);
  }
  EXPECT_EQ(closed, std::vector<int>{3});
  try {
    const UniqueFake held(4);
    throw std::runtime_error("unwinding");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(closed, (std::vector<int>{3, 4}));
}

TEST_F(UniqueHandleOwnership, ResetAndAssignmentCloseTheOldHandleButNotTheSameOne) {
  UniqueFake held(5);
  held.reset(5);
  EXPECT_TRUE(closed.empty());
  held.reset(6);
  EXPECT_EQ(closed, std::vector<int>{5});
  held = UniqueFake(7);
  EXPECT_EQ(closed, (std::vector<int>{5, 6}));
  EXPECT_EQ(held.release(), 7);
  EXPECT_FALSE(held);
  held.reset();
  EXPECT_EQ(closed, (std::vector<int>{5, 6}));  // released: the caller's now
}

TEST_F(UniqueHandleOwnership, ScopeExitRunsOnUnwindingUnlessDismissed) {
  try {
    const ScopeExit guard([] { CloseFake(8); });
    throw std::runtime_error("unwinding");
  } catch (const std::runtime_error&) {
  }
  {
    ScopeExit guard([] { CloseFake(9); });
    guard.Dismiss();
  }
  EXPECT_EQ(closed, std::vector<int>{8});
}
