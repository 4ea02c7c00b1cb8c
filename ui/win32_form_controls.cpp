#include "ui/win32_form_controls.h"

#include <commctrl.h>

#include <string>

#include "inventory/driver_row.h"
#include "ui/layout.h"

int FormTextHeight(HFONT font) {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font);
  SIZE size{};
  GetTextExtentPoint32A(dc, "0", 1, &size);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return size.cy > 0 ? size.cy : kDesignTextHeight;
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
