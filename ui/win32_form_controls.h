// The main window's parts as its layout builds them -- fonts, menu, driver list, status bar,
// centring -- for the window and for the start-up floor benchmark, which shows the same window
// without the program; and the measured text height every layout of the program scales by.
#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <vector>

#include "common/win32_handles.h"
#include "ui/menu_model.h"

// The height of "0" in font on the screen, or fallback where it cannot be measured.
int FontTextHeight(HFONT font, int fallback);

// The window's font as the layout names it, and the system's status bar font (empty where the
// system does not say).
UniqueHfont CreateFormFont();
UniqueHfont CreateStatusFont();

// The main menu: File (Save, Print, Exit), View (Refresh), Help (About), with their shortcuts;
// each item's click is the handler given in that order.
enum class FormMenuItem { Save, Print, Exit, Refresh, About, Count };
using FormMenuClicks = std::array<std::function<void(const MenuItem& sender)>,
                                  static_cast<std::size_t>(FormMenuItem::Count)>;
std::vector<MenuItem> FormMenu(const FormMenuClicks& clicks);

// The owner-data list view of the drivers, a child of form: report view, gridlines, one
// selected row, the driver columns with their captions and widths, scaled to textHeight.
HWND CreateDriverListView(HWND form, HINSTANCE instance, HFONT font, int textHeight);

// The status bar: two panels of the layout's width, the second showing the maker's web page.
// font may be null (the bar's own font).
HWND CreateStatusBar(HWND form, HINSTANCE instance, HFONT font, int textHeight);

// Moves window, by its outer size, to where the main window first shows: the primary screen's
// centre.
void CentreOnPrimaryScreen(HWND window);
