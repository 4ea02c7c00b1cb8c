#include "ui/win32_modal.h"

#include <algorithm>

#include "ui/win32_window.h"

namespace {

// Out of memory, the enumeration stops: the windows found so far are disabled.
BOOL CALLBACK CollectInputWindow(HWND window, LPARAM list) {
  return GuardedCall(FALSE, [&] {
    if (IsWindowVisible(window) && IsWindowEnabled(window)) {
      reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    }
    return TRUE;
  });
}

}  // namespace

ModalBoxScope::ModalBoxScope(HWND box) : active_(GetActiveWindow()), focus_(GetFocus()) {
  EnumThreadWindows(GetCurrentThreadId(), CollectInputWindow, reinterpret_cast<LPARAM>(&disabled_));
  std::erase(disabled_, box);
  for (HWND window : disabled_) EnableWindow(window, FALSE);
}

ModalBoxScope::~ModalBoxScope() {
  EnableWindows();
  if (active_ != nullptr && IsWindow(active_)) SetActiveWindow(active_);
  if (focus_ != nullptr && IsWindow(focus_)) SetFocus(focus_);
}

void ModalBoxScope::EnableWindows() {
  for (HWND window : disabled_) {
    if (IsWindow(window)) EnableWindow(window, TRUE);
  }
  disabled_.clear();
}
