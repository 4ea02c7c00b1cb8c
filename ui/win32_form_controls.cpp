#include "ui/win32_form_controls.h"

#include <commctrl.h>

#include <string>

#include "inventory/driver_row.h"
#include "ui/layout.h"
#include "ui/maker.h"
#include "ui/placement.h"
#include "ui/win32_dialog_placement.h"

int FontTextHeight(HFONT font, int fallback) {
  const UniqueWindowDc screen(nullptr);
  if (!screen) return fallback;
  HGDIOBJ old = SelectObject(screen.Dc(), font);
  SIZE size{};
  const bool measured = GetTextExtentPoint32A(screen.Dc(), "0", 1, &size) && size.cy > 0;
  SelectObject(screen.Dc(), old);
  return measured ? size.cy : fallback;
}

UniqueHfont CreateFormFont() {
  const std::string face(Form1Layout::kFontFace);
  return UniqueHfont(CreateFontA(-Form1Layout::kFontHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                 DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                 DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face.c_str()));
}

UniqueHfont CreateStatusFont() {
  NONCLIENTMETRICSA metrics{};
  metrics.cbSize = sizeof(metrics);
  if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) return {};
  return UniqueHfont(CreateFontIndirectA(&metrics.lfStatusFont));
}

std::vector<MenuItem> FormMenu(const FormMenuClicks& clicks) {
  const auto click = [&clicks](FormMenuItem item) {
    return clicks[static_cast<std::size_t>(item)];
  };
  return {
      {"File1",
       "&File",
       {},
       true,
       nullptr,
       {{"Save1", "Save", {}, true, click(FormMenuItem::Save), {}},
        {"Print1", "Print", {'P', false, true, false}, true, click(FormMenuItem::Print), {}},
        {"N1", "-", {}, true, nullptr, {}},
        {"Exit1", "Exit", {kVkF10}, true, click(FormMenuItem::Exit), {}}}},
      {"View1",
       "&View",
       {},
       true,
       nullptr,
       {{"Refresh1", "Refresh", {kVkF5}, true, click(FormMenuItem::Refresh), {}}}},
      {"Help1",
       "&Help",
       {},
       true,
       nullptr,
       {{"About1", "About", {}, true, click(FormMenuItem::About), {}}}},
  };
}

HWND CreateDriverListView(HWND form, HINSTANCE instance, HFONT font, int textHeight) {
  const Rect bounds = ScaleBounds(Form1Layout::kListView1, textHeight);
  HWND listView = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, nullptr,
                                  WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS |
                                      LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL,
                                  bounds.left, bounds.top, bounds.Width(), bounds.Height(), form,
                                  nullptr, instance, nullptr);
  SendMessageA(listView, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  const DWORD extended = LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_FLATSB;
  SendMessageA(listView, LVM_SETEXTENDEDLISTVIEWSTYLE, extended, extended);
  for (std::size_t i = 0; i < kDriverColumns.size(); ++i) {
    std::string text(kDriverColumns[i].caption);
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    column.fmt = LVCFMT_LEFT;
    column.cx = kDriverColumns[i].width;
    column.pszText = text.data();
    SendMessageA(listView, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
  }
  return listView;
}

HWND CreateStatusBar(HWND form, HINSTANCE instance, HFONT font, int textHeight) {
  const Rect bounds = ScaleBounds(Form1Layout::kStatusBar1, textHeight);
  HWND statusBar = CreateWindowExA(
      0, STATUSCLASSNAMEA, nullptr,
      WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | CCS_NOPARENTALIGN | CCS_NORESIZE, bounds.left,
      bounds.top, bounds.Width(), bounds.Height(), form, nullptr, instance, nullptr);
  if (font != nullptr) SendMessageA(statusBar, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  SendMessageA(statusBar, SB_SETBKCOLOR, 0, static_cast<LPARAM>(GetSysColor(COLOR_ACTIVEBORDER)));
  const std::array<int, 2> parts{Form1Layout::kStatusPanelWidth,
                                 2 * Form1Layout::kStatusPanelWidth};
  SendMessageA(statusBar, SB_SETPARTS, parts.size(), reinterpret_cast<LPARAM>(parts.data()));
  SendMessageA(statusBar, SB_SETTEXTA, 1, reinterpret_cast<LPARAM>(kMakerWebPage));
  return statusBar;
}

void CentreOnPrimaryScreen(HWND window) {
  RECT bounds;
  GetWindowRect(window, &bounds);
  const ScreenPoint at =
      CentredOrigin(PrimaryScreen(), bounds.right - bounds.left, bounds.bottom - bounds.top);
  SetWindowPos(window, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
