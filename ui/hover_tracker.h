// Hover tracking: at idle the program looks at the control under the mouse pointer and, when
// it has changed, tells the old one the pointer left and the new one it entered. The About
// box's link turns the pointer into a hand this way.
#pragma once

#include <cstdint>

// Identifies a control, windowed or not; 0 is no control of the program.
using HoverId = std::uintptr_t;
inline constexpr HoverId kNoControl = 0;

class HoverSink {
 public:
  virtual ~HoverSink() = default;
  virtual void MouseEnter(HoverId control) = 0;
  virtual void MouseLeave(HoverId control) = 0;
};

class HoverTracker {
 public:
  // Called each time the message queue has run empty. While a control holds the mouse
  // capture, only that control receives notices.
  void Idle(HoverId underPointer, HoverId captureHolder, HoverSink& sink);
  HoverId Current() const { return current_; }
  // A control that goes away is dropped without a notice.
  void Forget(HoverId control);

 private:
  HoverId current_ = kNoControl;
};
