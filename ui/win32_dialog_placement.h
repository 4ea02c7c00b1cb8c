// Places the system's Save and Print dialogs once they are set up, on the monitor of the
// window the user was working in.
#pragma once

#include <windows.h>

// anchor: the program's active window when the dialog was asked for, else the main window.
void PlaceCommonDialog(HWND dialog, HWND anchor);
