// The program-wide cursor: one value that, while it is not the default, the client area of
// every window of the program shows instead of its own cursor, and a counter of how often it
// was set. The About box's link uses it for the pointing hand.
#pragma once

#include <cstdint>

// Cursor values are 16-bit signed numbers, as the program's cursor table numbers them.
using CursorValue = std::int16_t;
inline constexpr CursorValue crDefault = 0;
inline constexpr CursorValue crArrow = -2;
inline constexpr CursorValue crHandPoint = -21;

// What setting the cursor needs of the windowing system.
class CursorSeam {
 public:
  virtual ~CursorSeam() = default;
  // If the window under the pointer belongs to the program's GUI thread, asks it to set its
  // own cursor now (hit test, then the set-cursor message) and returns true; else false.
  virtual bool AskWindowUnderPointer() = 0;
  // Shows the image of the value at once (crDefault shows the standard arrow).
  virtual void ShowImage(CursorValue value) = 0;
};

class ProgramCursor {
 public:
  explicit ProgramCursor(CursorSeam& seam) : seam_(seam) {}

  CursorValue Value() const { return value_; }
  unsigned Changes() const { return changes_; }
  // True while windows must show the program-wide cursor instead of their own.
  bool Overrides() const { return value_ != crDefault; }

  void Set(CursorValue value);

  // What a modal box notes when it opens, to give the cursor back when it closes.
  struct ModalNote {
    CursorValue value = crDefault;
    unsigned changes = 0;
  };
  // Notes the value, sets the default and notes the counter after that.
  ModalNote EnterModal();
  // The noted value comes back only if nobody set the cursor meanwhile; otherwise the default.
  void LeaveModal(const ModalNote& note);

 private:
  CursorSeam& seam_;
  CursorValue value_ = crDefault;
  unsigned changes_ = 0;
};
