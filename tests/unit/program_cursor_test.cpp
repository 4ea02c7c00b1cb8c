#include "ui/program_cursor.h"

#include <gtest/gtest.h>

#include "fake_cursor_seam.h"

TEST(ProgramCursorSetting, StartsAtTheDefaultWithNoChanges) {
  FakeCursorSeam seam;
  ProgramCursor cursor(seam);
  EXPECT_EQ(cursor.Value(), crDefault);
  EXPECT_EQ(cursor.Changes(), 0u);
  EXPECT_FALSE(cursor.Overrides());
}

TEST(ProgramCursorSetting, ANewValueIsShownAtOnceAndCounted) {
  FakeCursorSeam seam;
  ProgramCursor cursor(seam);
  cursor.Set(crHandPoint);
  EXPECT_EQ(cursor.Value(), crHandPoint);
  EXPECT_TRUE(cursor.Overrides());
  EXPECT_EQ(cursor.Changes(), 1u);
  EXPECT_EQ(seam.shown, std::vector<CursorValue>{crHandPoint});
  EXPECT_EQ(seam.windowAsks, 0);
}

TEST(ProgramCursorSetting, AnEqualValueOnlyCounts) {
  FakeCursorSeam seam;
  ProgramCursor cursor(seam);
  cursor.Set(crHandPoint);
  cursor.Set(crHandPoint);
  cursor.Set(crDefault);
  cursor.Set(crDefault);
  EXPECT_EQ(cursor.Changes(), 4u);
  EXPECT_EQ(seam.shown, std::vector<CursorValue>{crHandPoint});
  EXPECT_EQ(seam.windowAsks, 1);
}

TEST(ProgramCursorSetting, DefaultAsksTheWindowUnderThePointerInsteadOfShowingAnImage) {
  FakeCursorSeam seam;
  ProgramCursor cursor(seam);
  cursor.Set(crHandPoint);
  cursor.Set(crDefault);
  EXPECT_EQ(seam.windowAsks, 1);
  EXPECT_EQ(seam.shown, std::vector<CursorValue>{crHandPoint});
  EXPECT_EQ(cursor.Changes(), 2u);  // counted although the window set the image
}

TEST(ProgramCursorSetting, DefaultOverAForeignWindowShowsTheArrowItself) {
  FakeCursorSeam seam;
  ProgramCursor cursor(seam);
  cursor.Set(crHandPoint);
  seam.pointerOverOurWindow = false;
  cursor.Set(crDefault);
  EXPECT_EQ(seam.shown, (std::vector<CursorValue>{crHandPoint, crDefault}));
  EXPECT_FALSE(cursor.Overrides());
}

TEST(ProgramCursorSetting, AnyOtherValueIsShownEvenOverAForeignWindow) {
  FakeCursorSeam seam;
  seam.pointerOverOurWindow = false;
  ProgramCursor cursor(seam);
  cursor.Set(crArrow);
  cursor.Set(crHandPoint);
  EXPECT_EQ(seam.shown, (std::vector<CursorValue>{crArrow, crHandPoint}));
}

TEST(ProgramCursorSetting, TheCounterWrapsWithoutHarm) {
  FakeCursorSeam seam;
  ProgramCursor cursor(seam);
  for (int i = 0; i < 3; ++i) cursor.Set(crDefault);
  const ProgramCursor::ModalNote note = cursor.EnterModal();
  EXPECT_EQ(note.changes, 4u);
  cursor.LeaveModal(note);
  EXPECT_EQ(cursor.Value(), crDefault);
}

TEST(ModalCursorRestore, NotesTheValueAndResetsToTheDefault) {
  FakeCursorSeam seam;
  ProgramCursor cursor(seam);
  cursor.Set(crArrow);
  const ProgramCursor::ModalNote note = cursor.EnterModal();
  EXPECT_EQ(note.value, crArrow);
  EXPECT_EQ(note.changes, 2u);  // the counter after the reset
  EXPECT_EQ(cursor.Value(), crDefault);
}

TEST(ModalCursorRestore, UntouchedCounterGivesTheNotedValueBack) {
  FakeCursorSeam seam;
  ProgramCursor cursor(seam);
  cursor.Set(crArrow);
  const ProgramCursor::ModalNote note = cursor.EnterModal();
  cursor.LeaveModal(note);
  EXPECT_EQ(cursor.Value(), crArrow);
}

TEST(ModalCursorRestore, AVisitToTheLinkLeavesTheDefault) {
  FakeCursorSeam seam;
  ProgramCursor cursor(seam);
  cursor.Set(crArrow);
  const ProgramCursor::ModalNote note = cursor.EnterModal();
  cursor.Set(crHandPoint);  // pointer onto the link
  cursor.Set(crDefault);    // and off again
  cursor.LeaveModal(note);
  EXPECT_EQ(cursor.Value(), crDefault);
}

TEST(ModalCursorRestore, ClosingWithThePointerOnTheLinkLeavesTheDefault) {
  FakeCursorSeam seam;
  ProgramCursor cursor(seam);
  const ProgramCursor::ModalNote note = cursor.EnterModal();
  cursor.Set(crHandPoint);
  cursor.LeaveModal(note);
  EXPECT_EQ(cursor.Value(), crDefault);
  EXPECT_FALSE(cursor.Overrides());
}

TEST(ModalCursorRestore, SettingAnEqualValueMeanwhileStillCountsAsAChange) {
  FakeCursorSeam seam;
  ProgramCursor cursor(seam);
  cursor.Set(crArrow);
  const ProgramCursor::ModalNote note = cursor.EnterModal();
  cursor.Set(crDefault);  // same value, yet a change of the counter
  cursor.LeaveModal(note);
  EXPECT_EQ(cursor.Value(), crDefault);
}
