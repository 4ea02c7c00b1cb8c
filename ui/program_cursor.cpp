#include "ui/program_cursor.h"

void ProgramCursor::Set(CursorValue value) {
  if (value != value_) {
    value_ = value;
    // The default hands the pointer back to whichever window is under it; only when that is
    // not one of ours is the arrow shown directly.
    if (value != crDefault || !seam_.AskWindowUnderPointer()) seam_.ShowImage(value);
  }
  ++changes_;  // counted even when nothing changed: the modal box relies on it
}

ProgramCursor::ModalNote ProgramCursor::EnterModal() {
  ModalNote note;
  note.value = value_;
  Set(crDefault);
  note.changes = changes_;
  return note;
}

void ProgramCursor::LeaveModal(const ModalNote& note) {
  Set(changes_ == note.changes ? note.value : crDefault);
}
