#include "ui/win32_application.h"

#include <utility>

#include "common/exception.h"
#include "common/message_text.h"
#include "ui/app_text.h"
#include "ui/placement.h"
#include "ui/win32_dialog_placement.h"
#include "ui/win32_form_controls.h"
#include "ui/win32_modal.h"
#include "ui/win32_window.h"

TApplication* Application = nullptr;

namespace {

constexpr char kWindowClass[] = "TolvaneApplication";

std::string ModulePath() {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  OemToCharA(path.c_str(), path.data());
  return path;
}

char LowerAnsi(char c) {
  // CharLowerA takes a single character when the high word of its argument is zero.
  const auto lowered = reinterpret_cast<UINT_PTR>(
      CharLowerA(reinterpret_cast<LPSTR>(static_cast<UINT_PTR>(static_cast<unsigned char>(c)))));
  return static_cast<char>(lowered & 0xFF);
}

std::string MessageOf(std::exception_ptr error) {
  try {
    std::rethrow_exception(std::move(error));
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "Unknown error";
  }
}

}  // namespace

TApplication::TApplication(HINSTANCE instance)
    : instance_(instance), title_(ApplicationTitle(ModulePath(), LowerAnsi)) {
  icon_ = LoadIconA(instance_, "MAINICON");
  WNDCLASSEXA wc{};
  wc.hInstance = instance_;
  wc.hIcon = icon_;
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.lpszClassName = kWindowClass;
  if (!RegisterWindowClass(wc)) throw Exception("Cannot register the application window");
  // Shown later with no size at the screen's centre: invisible, yet the taskbar lists it, and
  // the windows it owns get no entries of their own.
  const ScreenPoint centre = CentredOrigin(PrimaryScreen(), 0, 0);
  CreateHandledWindow(0, kWindowClass, title_.c_str(),
                      WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                      centre.x, centre.y, 0, 0, nullptr, nullptr, instance_);
  if (handle_ == nullptr) throw Exception("Cannot create the application window");
  HMENU systemMenu = GetSystemMenu(handle_, FALSE);
  for (const UINT command : {SC_MAXIMIZE, SC_SIZE, SC_MOVE}) {
    DeleteMenu(systemMenu, command, MF_BYCOMMAND);
  }
  // Only an application that was made whole becomes the program's and its windows' shell.
  Application = this;
  SetWindowShell({[this](std::exception_ptr error) { HandleException(std::move(error)); },
                  [this](HWND window, WPARAM wParam, LPARAM lParam) {
                    return setCursorHook && setCursorHook(window, wParam, lParam);
                  }});
}

TApplication::~TApplication() {
  DestroyHandledWindow();
  if (Application != this) return;
  SetWindowShell({});
  Application = nullptr;
}

void TApplication::SetMainForm(MainForm form) {
  if (mainForm_.window == nullptr) mainForm_ = std::move(form);
}

void TApplication::AddIdleHandler(std::function<void()> handler) {
  idleHandlers_.push_back(std::move(handler));
}

void TApplication::Run() {
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  GetStartupInfoA(&startup);
  const WORD show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWNORMAL;
  startMaximised_ = show == SW_SHOWMAXIMIZED;
  if (show == SW_SHOWMINNOACTIVE) {
    // Nothing is read until the user restores the program: Restore() shows the main window.
    ShowWindow(handle_, SW_SHOWMINNOACTIVE);
  } else {
    ShowWindow(handle_, SW_SHOWNOACTIVATE);
    ShowMainForm(startMaximised_);
  }
  while (!terminated_) HandleMessage();
}

void TApplication::ShowMainForm(bool maximised) {
  HWND window = mainForm_.window;
  if (window == nullptr) return;
  if (!mainFormShown_) {
    mainFormShown_ = true;
    try {
      if (mainForm_.onShow) mainForm_.onShow();
    } catch (...) {
      HandleException(std::current_exception());
    }
    CentreOnPrimaryScreen(window);
  }
  ShowWindow(window, maximised ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
  SetForegroundWindow(window);
}

void TApplication::Minimize() {
  if (mainForm_.window != nullptr && IsWindowVisible(mainForm_.window)) {
    ShowWindow(mainForm_.window, SW_HIDE);
  }
  ShowWindow(handle_, SW_MINIMIZE);
}

void TApplication::Restore() {
  ShowWindow(handle_, SW_RESTORE);
  if (mainForm_.window == nullptr) return;
  if (!mainFormShown_) {
    ShowMainForm(startMaximised_);
  } else {
    ShowWindow(mainForm_.window, IsZoomed(mainForm_.window) ? SW_SHOWMAXIMIZED : SW_SHOW);
    SetForegroundWindow(mainForm_.window);
  }
}

bool TApplication::HandleMessage(Step step) {
  MSG msg;
  if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (step == Step::kWait) {
      RunIdleHandlers();
      WaitMessage();
    }
    return false;
  }
  if (msg.message == WM_QUIT) {
    if (modalBox_ != nullptr) {
      // The box closes first; the loop beneath takes the request.
      modalQuit_ = true;
      PostQuitMessage(static_cast<int>(msg.wParam));
    } else {
      terminated_ = true;
    }
    return true;
  }
  try {
    if (!IsShortCutMessage(msg) && (modalBox_ == nullptr || !IsDialogMessageA(modalBox_, &msg))) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  } catch (...) {
    HandleException(std::current_exception());
  }
  return true;
}

bool TApplication::RunModal(HWND box, const std::function<bool()>& ended) {
  const HWND outerBox = std::exchange(modalBox_, box);
  modalQuit_ = false;
  while (!modalQuit_ && !ended()) HandleMessage();
  const bool quit = std::exchange(modalQuit_, false);
  modalBox_ = outerBox;
  return !quit;
}

void TApplication::ProcessMessages() {
  while (!terminated_ && HandleMessage(Step::kPoll)) {
  }
}

void TApplication::RunIdleHandlers() {
  for (const auto& handler : idleHandlers_) {
    try {
      handler();
    } catch (...) {
      HandleException(std::current_exception());
    }
  }
}

bool TApplication::IsShortCutMessage(const MSG& msg) {
  if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return false;
  HWND main = mainForm_.window;
  if (main == nullptr || !mainForm_.isShortCut || !IsWindowEnabled(main)) return false;
  ShortCut key;
  key.key = static_cast<std::uint16_t>(msg.wParam);
  key.shift = GetKeyState(VK_SHIFT) < 0;
  key.ctrl = GetKeyState(VK_CONTROL) < 0;
  key.alt = (msg.lParam & (1 << 29)) != 0;
  return mainForm_.isShortCut(key);
}

void TApplication::HandleException(std::exception_ptr error) {
  ShowErrorText(MessageOf(std::move(error)));
}

void TApplication::ShowErrorText(const std::string& message) {
  if (HWND capture = GetCapture()) SendMessageA(capture, WM_CANCELMODE, 0, 0);
  const std::string text = ErrorBoxText(message);
  const ModalBoxScope modal(handle_);
  // The box follows its owner's monitor: move the (sizeless) owner to the active window's.
  if (HWND active = modal.Active()) {
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (GetMonitorInfoA(MonitorFromWindow(active, MONITOR_DEFAULTTOPRIMARY), &info)) {
      const ScreenPoint centre = CentredOrigin(ToRect(info.rcMonitor), 0, 0);
      SetWindowPos(handle_, nullptr, centre.x, centre.y, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
  MessageBoxA(handle_, text.c_str(), title_.c_str(), MB_OK | MB_ICONERROR);
}

LRESULT TApplication::HandleWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  HWND main = mainForm_.window;
  switch (message) {
    case WM_SYSCOMMAND:
      switch (wParam & 0xFFF0) {
        case SC_MINIMIZE:
          Minimize();
          return 0;
        case SC_RESTORE:
          Restore();
          return 0;
        case SC_CLOSE:
          if (main != nullptr) PostMessageA(main, WM_CLOSE, 0, 0);
          return 0;
        default:
          break;
      }
      break;
    case WM_CLOSE:
      if (main != nullptr) PostMessageA(main, WM_CLOSE, 0, 0);
      return 0;
    case WM_SETFOCUS:
      // The sizeless window never keeps the focus: it passes it on to the main window.
      if (main != nullptr && IsWindowVisible(main) && IsWindowEnabled(main)) SetFocus(main);
      return 0;
    default:
      break;
  }
  return DefWindowProcA(handle_, message, wParam, lParam);
}
