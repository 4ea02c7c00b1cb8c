// Where the program's windows go on the screens: the system's Save and Print dialogs once they
// are set up, on the monitor of the window the user was working in; the screens as the
// placement rules (ui/placement.h) see them.
#pragma once

#include <windows.h>

#include "common/rect.h"

inline Rect ToRect(const RECT& rect) { return {rect.left, rect.top, rect.right, rect.bottom}; }

// The primary screen, whose top-left corner is the desktop's origin.
inline Rect PrimaryScreen() {
  return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

// anchor: the program's active window when the dialog was asked for, else the main window.
void PlaceCommonDialog(HWND dialog, HWND anchor);
