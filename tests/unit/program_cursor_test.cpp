#include "ui/program_cursor.h"

#include <gtest/gtest.h>

#include <initializer_list>

#include "fake_cursor_seam.h"

namespace {

// The cursor over a fake of the system's cursor calls, fresh for each case.
class CursorTest : public testing::Test {
 protected:
  // Sets each value in turn.
  void SetEach(std::initializer_list<CursorValue> values) {
    for (const CursorValue value : values) cursor.Set(value);
  }

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

TEST_F(ProgramCursorSetting, ANewValueIsShownAtOnceAndCounted) {
  cursor.Set(crHandPoint);
  EXPECT_EQ(cursor.Value(), crHandPoint);
  EXPECT_TRUE(cursor.Overrides());
  EXPECT_EQ(cursor.Changes(), 1u);
  EXPECT_EQ(seam.shown, std::vector<CursorValue>{crHandPoint});
  EXPECT_EQ(seam.windowAsks, 0);
}

TEST_F(ProgramCursorSetting, AnEqualValueOnlyCounts) {
  SetEach({crHandPoint, crHandPoint, crDefault, crDefault});
  EXPECT_EQ(cursor.Changes(), 4u);
  EXPECT_EQ(seam.shown, std::vector<CursorValue>{crHandPoint});
  EXPECT_EQ(seam.windowAsks, 1);
}

TEST_F(ProgramCursorSetting, DefaultAsksTheWindowUnderThePointerInsteadOfShowingAnImage) {
  SetEach({crHandPoint, crDefault});
  EXPECT_EQ(seam.windowAsks, 1);
  EXPECT_EQ(seam.shown, std::vector<CursorValue>{crHandPoint});
  EXPECT_EQ(cursor.Changes(), 2u);  // counted although the window set the image
}

TEST_F(ProgramCursorSetting, DefaultOverAForeignWindowShowsTheArrowItself) {
  cursor.Set(crHandPoint);
  seam.pointerOverOurWindow = false;
  cursor.Set(crDefault);
  EXPECT_EQ(seam.shown, (std::vector<CursorValue>{crHandPoint, crDefault}));
  EXPECT_FALSE(cursor.Overrides());
}

TEST_F(ProgramCursorSetting, AnyOtherValueIsShownEvenOverAForeignWindow) {
  seam.pointerOverOurWindow = false;
  SetEach({crArrow, crHandPoint});
  EXPECT_EQ(seam.shown, (std::vector<CursorValue>{crArrow, crHandPoint}));
}

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
