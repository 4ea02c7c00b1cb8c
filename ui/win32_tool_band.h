// The band at the top of the main window: the toolbar's pictures in an image list, the toolbar
// with the layout's buttons (kToolButtons) in one fixed band of a rebar, and the band's
// background, which the program paints itself: not every comctl32 paints a band's bitmap
// (Wine's leaves it out).
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <array>

#include "common/win32_handles.h"
#include "ui/layout.h"

// The windows are the form's children; the pictures are the band's own and must outlive them.
struct ToolBand {
  HWND coolBar = nullptr;
  HWND toolBar = nullptr;
  UniqueHimagelist images;
  UniqueHbitmap background;  // the BAND bitmap, tiled from the band's origin
};

// Creates the band as a child of form, scaled to textHeight. The buttons report to form, not
// to the rebar that holds them; button i sends command id commands[i].
ToolBand CreateToolBand(HWND form, HINSTANCE instance, HFONT font, int textHeight,
                        const std::array<unsigned, kToolButtons.size()>& commands);
