// Faults at window creation for the tests of the program's windows: while a RefusedWindow
// lives, CreateWindowEx fails for every window of the named class, as it does when the system
// is out of resources (a CBT hook refuses it). ResourceUse counts what the process holds, the
// way the soak test's probe counts the program, so a test can show that a failed construction
// left nothing behind.
#pragma once

#include <windows.h>

#include <string>

#include "tests/gui/win32_resource_counts.h"

class RefusedWindow {
 public:
  explicit RefusedWindow(const char* className) {
    ClassName() = className;
    hook_ = SetWindowsHookExA(WH_CBT, Refuse, nullptr, GetCurrentThreadId());
  }
  ~RefusedWindow() {
    if (hook_ != nullptr) UnhookWindowsHookEx(hook_);
    ClassName().clear();
  }
  RefusedWindow(const RefusedWindow&) = delete;
  RefusedWindow& operator=(const RefusedWindow&) = delete;

  bool Active() const { return hook_ != nullptr; }

 private:
  static std::string& ClassName() {
    static std::string name;
    return name;
  }
  static LRESULT CALLBACK Refuse(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
      char name[256] = {};
      GetClassNameA(reinterpret_cast<HWND>(wParam), name, sizeof(name));
      if (ClassName() == name) return 1;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }

  HHOOK hook_ = nullptr;
};

// GDI objects and windows (USER objects) of this process.
struct ResourceUse {
  long long gdi = -1;
  long long user = -1;
  bool operator==(const ResourceUse&) const = default;
};

inline ResourceUse CurrentResourceUse() {
  const resource_counts::Figures figures = resource_counts::Measure(GetCurrentProcessId());
  return {figures.gdi.value, figures.user.value};
}
