#include "ui/hover_tracker.h"

namespace {

bool MayNotify(HoverId control, HoverId captureHolder) {
  return captureHolder == kNoControl ? control != kNoControl : control == captureHolder;
}

}  // namespace

void HoverTracker::Idle(HoverId underPointer, HoverId captureHolder, HoverSink& sink) {
  if (underPointer == current_) return;
  const HoverId left = current_;
  // The new control is current before any handler runs, so a handler that pumps messages
  // cannot make the same change be reported twice.
  current_ = underPointer;
  if (MayNotify(left, captureHolder)) sink.MouseLeave(left);
  if (MayNotify(underPointer, captureHolder)) sink.MouseEnter(underPointer);
}

void HoverTracker::Forget(HoverId control) {
  if (current_ == control) current_ = kNoControl;
}
