#include "ui/program_cursor.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "fake_cursor_seam.h"

namespace {

// The cursor over a fake of the system's cursor calls, fresh for each case.
class CursorTest : public testing::Test {
 protected:
  FakeCursorSeam seam;
  ProgramCursor cursor{seam};
};
class ProgramCursorSetting : public CursorTest {};
class ModalCursorRestore : public CursorTest {};

}  // namespace

TEST_F(ProgramCursorSetting, StartsAtTheDefaultWithNoChanges) {
  EXPECT_EQ(cursor.Value(), crDefault);
  EXPECT_EQ(cursor.Changes(), 0u);
  EXPECT_FALSE(cursor.Overrides());
}

namespace {

// One value set, with whether the pointer is over one of the program's windows at the time.
struct CursorStep {
  CursorValue value;
  bool overOurWindow = true;
};

// Values set one after another, and what must follow; a rule checks only what it names.
struct CursorSequence {
  const char* name;
  std::vector<CursorStep> steps;
  std::vector<CursorValue> shown;
  std::optional<unsigned> changes = std::nullopt;
  std::optional<int> windowAsks = std::nullopt;
  std::optional<bool> overrides = std::nullopt;
  std::optional<CursorValue> value = std::nullopt;
};

void PrintTo(const CursorSequence& rule, std::ostream* out) { *out << rule.name; }

class ProgramCursorSequence : public CursorTest,
                              public testing::WithParamInterface<CursorSequence> {};

}  // namespace

TEST_P(ProgramCursorSequence, ShowsAndCountsAsTheRuleSays) {
  const CursorSequence& rule = GetParam();
  for (const CursorStep& step : rule.steps) {
    seam.pointerOverOurWindow = step.overOurWindow;
    cursor.Set(step.value);
  }
  EXPECT_EQ(seam.shown, rule.shown);
  if (rule.changes) {
    EXPECT_EQ(cursor.Changes(), *rule.changes);
  }
  if (rule.windowAsks) {
    EXPECT_EQ(seam.windowAsks, *rule.windowAsks);
  }
  if (rule.overrides) {
    EXPECT_EQ(cursor.Overrides(), *rule.overrides);
  }
  if (rule.value) {
    EXPECT_EQ(cursor.Value(), *rule.value);
  }
}

INSTANTIATE_TEST_SUITE_P(
    ProgramCursorSetting, ProgramCursorSequence,
    testing::Values(CursorSequence{"ANewValueIsShownAtOnceAndCounted",
                                   {{crHandPoint}},
                                   {crHandPoint},
                                   1u,
                                   0,
                                   true,
                                   crHandPoint},
                    CursorSequence{"AnEqualValueOnlyCounts",
                                   {{crHandPoint}, {crHandPoint}, {crDefault}, {crDefault}},
                                   {crHandPoint},
                                   4u,
                                   1},
                    // Counted although the window set the image.
                    CursorSequence{"DefaultAsksTheWindowUnderThePointerInsteadOfShowingAnImage",
                                   {{crHandPoint}, {crDefault}},
                                   {crHandPoint},
                                   2u,
                                   1},
                    CursorSequence{"DefaultOverAForeignWindowShowsTheArrowItself",
                                   {{crHandPoint}, {crDefault, false}},
                                   {crHandPoint, crDefault},
                                   {},
                                   {},
                                   false},
                    CursorSequence{"AnyOtherValueIsShownEvenOverAForeignWindow",
                                   {{crArrow, false}, {crHandPoint, false}},
                                   {crArrow, crHandPoint}}),
    [](const testing::TestParamInfo<CursorSequence>& info) {
      return std::string(info.param.name);
    });

TEST_F(ProgramCursorSetting, TheCounterWrapsWithoutHarm) {
  for (int i = 0; i < 3; ++i) cursor.Set(crDefault);
  const ProgramCursor::ModalNote note = cursor.EnterModal();
  EXPECT_EQ(note.changes, 4u);
  cursor.LeaveModal(note);
  EXPECT_EQ(cursor.Value(), crDefault);
}

TEST_F(ModalCursorRestore, NotesTheValueAndResetsToTheDefault) {
  cursor.Set(crArrow);
  const ProgramCursor::ModalNote note = cursor.EnterModal();
  EXPECT_EQ(note.value, crArrow);
  EXPECT_EQ(note.changes, 2u);  // the counter after the reset
  EXPECT_EQ(cursor.Value(), crDefault);
}

TEST_F(ModalCursorRestore, UntouchedCounterGivesTheNotedValueBack) {
  cursor.Set(crArrow);
  const ProgramCursor::ModalNote note = cursor.EnterModal();
  cursor.LeaveModal(note);
  EXPECT_EQ(cursor.Value(), crArrow);
}

TEST_F(ModalCursorRestore, AVisitToTheLinkLeavesTheDefault) {
  cursor.Set(crArrow);
  const ProgramCursor::ModalNote note = cursor.EnterModal();
  cursor.Set(crHandPoint);  // pointer onto the link
  cursor.Set(crDefault);    // and off again
  cursor.LeaveModal(note);
  EXPECT_EQ(cursor.Value(), crDefault);
}

TEST_F(ModalCursorRestore, ClosingWithThePointerOnTheLinkLeavesTheDefault) {
  const ProgramCursor::ModalNote note = cursor.EnterModal();
  cursor.Set(crHandPoint);
  cursor.LeaveModal(note);
  EXPECT_EQ(cursor.Value(), crDefault);
  EXPECT_FALSE(cursor.Overrides());
}

TEST_F(ModalCursorRestore, SettingAnEqualValueMeanwhileStillCountsAsAChange) {
  cursor.Set(crArrow);
  const ProgramCursor::ModalNote note = cursor.EnterModal();
  cursor.Set(crDefault);  // same value, yet a change of the counter
  cursor.LeaveModal(note);
  EXPECT_EQ(cursor.Value(), crDefault);
}
