// The main window's list of drivers as the layout builds it, and the measured text height
// every control of that layout is scaled by.
#pragma once

#include <windows.h>

// The height of "0" in font, or the design height where it cannot be measured.
int FormTextHeight(HFONT font);

// The owner-data list view of the drivers, a child of form: report view, gridlines, one
// selected row, the driver columns with their captions and widths, scaled to textHeight.
HWND CreateDriverListView(HWND form, HINSTANCE instance, HFONT font, int textHeight);
