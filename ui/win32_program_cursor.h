// The program-wide cursor and hover tracking on Windows, and the two hooks through which the
// rest of the program takes part in them:
//   TrackHoverAtIdle()  call each time the program's message queue has run empty (the main
//                       loop and every modal loop); it sends mouse-enter/leave notices.
//   ProgramCursorOnSetCursor(window, wParam, lParam)  call first thing on WM_SETCURSOR in
//                       every window procedure of the program; when it returns true it has set
//                       the cursor: return TRUE without calling DefWindowProc.
#pragma once

#include <windows.h>

#include "ui/program_cursor.h"

// The one program-wide cursor (default at start).
ProgramCursor& TheProgramCursor();

// The image that shows for a cursor value: the program's own hand (cursor 32761 among the
// resources, else the system's hand) for crHandPoint, the standard arrow otherwise.
HCURSOR CursorImage(CursorValue value);

void TrackHoverAtIdle();
bool ProgramCursorOnSetCursor(HWND window, WPARAM wParam, LPARAM lParam);

// A label-like control drawn by its parent window, with no window of its own, that wants to
// hear when the pointer comes onto it or leaves it.
class WindowlessControl {
 public:
  virtual ~WindowlessControl() = default;
  virtual HWND Parent() const = 0;
  virtual RECT Bounds() const = 0;  // in the parent's client coordinates
  virtual bool HoldsCapture() const = 0;
  virtual void MouseEnter() = 0;
  virtual void MouseLeave() = 0;
};

// Controls registered later lie above those registered earlier.
void AddWindowlessControl(WindowlessControl& control);
void RemoveWindowlessControl(WindowlessControl& control);
