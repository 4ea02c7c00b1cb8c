#include "ui/win32_window.h"

#include "ui/win32_application.h"

bool ProgramWindow::RegisterWindowClass(WNDCLASSEXA wc) {
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = ProgramWindowProc;
  return RegisterClassExA(&wc) != 0;
}

HWND ProgramWindow::CreateHandledWindow(DWORD exStyle, const char* className, const char* caption,
                                        DWORD style, int x, int y, int width, int height,
                                        HWND parent, HMENU menu, HINSTANCE instance) {
  handle_ = CreateWindowExA(exStyle, className, caption, style, x, y, width, height, parent, menu,
                            instance, this);
  return handle_;
}

LRESULT CALLBACK ProgramWindow::ProgramWindowProc(HWND window, UINT message, WPARAM wParam,
                                                  LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* object =
        static_cast<ProgramWindow*>(reinterpret_cast<const CREATESTRUCTA*>(lParam)->lpCreateParams);
    object->handle_ = window;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(object));
  }
  auto* object = reinterpret_cast<ProgramWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (object == nullptr) return DefWindowProcA(window, message, wParam, lParam);
  return GuardedMessage([&] { return object->HandleWindowMessage(message, wParam, lParam); });
}
