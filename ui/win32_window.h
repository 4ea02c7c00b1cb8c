// The one window skeleton: every window class of the program registers ProgramWindowProc, and
// every window is created with the object that handles its messages as CreateWindowEx's
// creation parameter. From WM_NCCREATE on, each message goes to that object's own handler,
// guarded, so a C++ exception never unwinds into Windows.
#pragma once

#include <windows.h>

class ProgramWindow {
 public:
  HWND Handle() const { return handle_; }
  // Registers a window class of the program: wc as given, its procedure the skeleton's.
  static bool RegisterWindowClass(WNDCLASSEXA wc);

 protected:
  ProgramWindow() = default;
  ~ProgramWindow() = default;
  ProgramWindow(const ProgramWindow&) = delete;
  ProgramWindow& operator=(const ProgramWindow&) = delete;

  // CreateWindowExA with this object as the creation parameter; also sets Handle().
  HWND CreateHandledWindow(DWORD exStyle, const char* className, const char* caption, DWORD style,
                           int x, int y, int width, int height, HWND parent, HMENU menu,
                           HINSTANCE instance);

  // Every message of the window from WM_NCCREATE on (Handle() is set by then); what it throws
  // is reported by the application and the message answered 0.
  virtual LRESULT HandleWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;

  HWND handle_ = nullptr;

 private:
  static LRESULT CALLBACK ProgramWindowProc(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam);
};
