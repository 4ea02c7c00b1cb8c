// The one window skeleton: every window class of the program registers ProgramWindowProc, and
// every window is created with the object that handles its messages as CreateWindowEx's
// creation parameter. From WM_NCCREATE to WM_NCDESTROY each message goes to that object's own
// handler, guarded, so a C++ exception never unwinds into Windows; the system's other
// callbacks into the program take the same guard.
#pragma once

#include <windows.h>

#include <exception>
#include <functional>

#include "common/callback_guard.h"

// What the skeleton needs of the shell, registered by the application while it lives: where an
// error that escapes a handler is reported, and the WM_SETCURSOR step every window takes first
// (true when it set the cursor). Unset, an error is dropped and each window shows its own
// cursor.
struct WindowShell {
  std::function<void(std::exception_ptr error)> report;
  std::function<bool(HWND window, WPARAM cursorWindow, LPARAM hitTestAndMessage)> setCursor;
};
void SetWindowShell(WindowShell shell);

// Hands an error to the registered reporter.
void ReportWindowError(std::exception_ptr error);

// Every callback the system makes into the program goes through this: whatever escapes the
// handler is reported and the call answers fallback.
template <typename Result, typename Handler>
Result GuardedCall(Result fallback, Handler&& handler) noexcept {
  return GuardedCallback(fallback, ReportWindowError, handler);
}

// A window procedure's guard: the message is answered 0 after an error.
template <typename Handler>
LRESULT GuardedMessage(Handler&& handler) noexcept {
  return GuardedCall(LRESULT{0}, handler);
}

class ProgramWindow {
 public:
  HWND Handle() const { return handle_; }
  // Registers a window class of the program: wc as given, its procedure the skeleton's. A
  // class already registered by this module is kept: true.
  static bool RegisterWindowClass(WNDCLASSEXA wc);

 protected:
  ProgramWindow() = default;
  // A window still open goes with its object; its last messages are no longer the object's.
  ~ProgramWindow();
  ProgramWindow(const ProgramWindow&) = delete;
  ProgramWindow& operator=(const ProgramWindow&) = delete;

  // CreateWindowExA with this object as the creation parameter; also sets Handle().
  HWND CreateHandledWindow(DWORD exStyle, const char* className, const char* caption, DWORD style,
                           int x, int y, int width, int height, HWND parent, HMENU menu,
                           HINSTANCE instance);
  // Destroys the window now, its messages still going to the object; Handle() is null after.
  void DestroyHandledWindow();

  // Every message of the window from WM_NCCREATE (Handle() is set by then) to WM_NCDESTROY
  // (after which Handle() is null), WM_SETCURSOR once the shell has passed on it; what it
  // throws is reported by the application and the message answered 0.
  virtual LRESULT HandleWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;

  HWND handle_ = nullptr;

 private:
  static LRESULT CALLBACK ProgramWindowProc(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam);
};

// A control of the system whose messages the program takes a look at first, through the
// skeleton's guard: handler returns true when it answered the message (in *result); every
// other message, and every message after WM_NCDESTROY, goes to the control's own procedure.
using ControlHandler =
    std::function<bool(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)>;
bool SubclassControl(HWND control, ControlHandler handler);
