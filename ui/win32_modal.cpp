#include "ui/win32_modal.h"

#include <algorithm>

namespace {

BOOL CALLBACK CollectInputWindow(HWND window, LPARAM list) {
  if (IsWindowVisible(window) && IsWindowEnabled(window)) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  }
  return TRUE;
}

}  // namespace

std::vector<HWND> DisableTaskWindows(HWND keep) {
  std::vector<HWND> windows;
  EnumThreadWindows(GetCurrentThreadId(), CollectInputWindow, reinterpret_cast<LPARAM>(&windows));
  std::erase(windows, keep);
  for (HWND window : windows) EnableWindow(window, FALSE);
  return windows;
}

void EnableTaskWindows(const std::vector<HWND>& windows) {
  for (HWND window : windows) {
    if (IsWindow(window)) EnableWindow(window, TRUE);
  }
}
