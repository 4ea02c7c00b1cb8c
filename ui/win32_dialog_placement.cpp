#include "ui/win32_dialog_placement.h"

#include "ui/placement.h"

void PlaceCommonDialog(HWND dialog, HWND anchor) {
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  if (!GetMonitorInfoA(MonitorFromWindow(anchor, MONITOR_DEFAULTTOPRIMARY), &info)) return;
  RECT box;
  if (!GetWindowRect(dialog, &box)) return;
  // The work area, not the whole monitor: a dialog under the taskbar helps nobody.
  const ScreenPoint at =
      CommonDialogOrigin(ToRect(info.rcWork), box.right - box.left, box.bottom - box.top);
  SetWindowPos(dialog, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
