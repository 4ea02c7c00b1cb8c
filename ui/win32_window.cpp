#include "ui/win32_window.h"

#include <commctrl.h>

#include <memory>
#include <utility>

namespace {

WindowShell& Shell() {
  static WindowShell shell;
  return shell;
}

void Detach(HWND window) { SetWindowLongPtrA(window, GWLP_USERDATA, 0); }

LRESULT CALLBACK ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                             DWORD_PTR data) {
  auto* handler = reinterpret_cast<ControlHandler*>(data);
  if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(window, ControlProc, id);
    delete handler;
    return DefSubclassProc(window, message, wParam, lParam);
  }
  LRESULT result = 0;
  if (GuardedCall(false, [&] { return (*handler)(message, wParam, lParam, &result); })) {
    return result;
  }
  return DefSubclassProc(window, message, wParam, lParam);
}

}  // namespace

void SetWindowShell(WindowShell shell) { Shell() = std::move(shell); }

void ReportWindowError(std::exception_ptr error) {
  if (Shell().report) Shell().report(std::move(error));
}

bool ProgramWindow::RegisterWindowClass(WNDCLASSEXA wc) {
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = ProgramWindowProc;
  WNDCLASSEXA known{};
  known.cbSize = sizeof(known);
  if (GetClassInfoExA(wc.hInstance, wc.lpszClassName, &known)) {
    return known.lpfnWndProc == ProgramWindowProc;
  }
  return RegisterClassExA(&wc) != 0;
}

ProgramWindow::~ProgramWindow() {
  if (handle_ == nullptr) return;
  Detach(handle_);
  DestroyWindow(std::exchange(handle_, nullptr));
}

HWND ProgramWindow::CreateHandledWindow(DWORD exStyle, const char* className, const char* caption,
                                        DWORD style, int x, int y, int width, int height,
                                        HWND parent, HMENU menu, HINSTANCE instance) {
  handle_ = CreateWindowExA(exStyle, className, caption, style, x, y, width, height, parent, menu,
                            instance, this);
  return handle_;
}

void ProgramWindow::DestroyHandledWindow() {
  if (handle_ != nullptr) DestroyWindow(handle_);
  handle_ = nullptr;
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
  if (message == WM_SETCURSOR && Shell().setCursor &&
      GuardedCall(false, [&] { return Shell().setCursor(window, wParam, lParam); })) {
    return TRUE;
  }
  const LRESULT result =
      GuardedMessage([&] { return object->HandleWindowMessage(message, wParam, lParam); });
  if (message == WM_NCDESTROY) {
    Detach(window);
    object->handle_ = nullptr;
  }
  return result;
}

bool SubclassControl(HWND control, ControlHandler handler) {
  auto owned = std::make_unique<ControlHandler>(std::move(handler));
  if (!SetWindowSubclass(control, ControlProc, 0, reinterpret_cast<DWORD_PTR>(owned.get()))) {
    return false;
  }
  owned.release();
  return true;
}
