// The true floor for the program's start-up: the main window as the program shows it, built
// from the same layout tables and resources (icon, toolbar images, band bitmap, manifest):
// menu bar, band bar, toolbar with its four images, list view with its nine columns, status
// bar with its two panels, centred and shown, but with no rows. No application object, no
// scan, no handlers: what the program takes beyond this window and the scan of the same
// records alone is the program's own cost.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "bench/bare_window_proc.h"
#include "ui/command_table.h"
#include "ui/layout.h"
#include "ui/win32_form_controls.h"
#include "ui/win32_menu_bar.h"
#include "ui/win32_tool_band.h"

namespace {

constexpr char kWindowClass[] = "TolvaneFloor";

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  INITCOMMONCONTROLSEX controls{sizeof(controls),
                                ICC_COOL_CLASSES | ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = QuitOnDestroyProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconA(instance, "MAINICON");
  windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  windowClass.lpszClassName = kWindowClass;
  RegisterClassA(&windowClass);

  const UniqueHfont font = CreateFormFont();
  const UniqueHfont statusFont = CreateStatusFont();
  const int textHeight = FontTextHeight(font.get(), kDesignTextHeight);
  // The program's menu, its items doing nothing here.
  const std::vector<MenuItem> menu = FormMenu({});
  CommandTable commands;
  UniqueHmenu menuBar = CreateMenuBar(menu, commands);
  const std::string caption(Form1Layout::kCaption);
  HWND window =
      CreateWindowExA(0, kWindowClass, caption.c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                      CW_USEDEFAULT, CW_USEDEFAULT, Form1Layout::kOuterWidth,
                      Form1Layout::kOuterHeight, nullptr, menuBar.get(), instance, nullptr);
  if (window == nullptr) return 1;
  menuBar.release();
  SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);

  const ToolBand band =
      CreateToolBand(window, instance, font.get(), textHeight, {101, 102, 103, 104});
  CreateDriverListView(window, instance, font.get(), textHeight);
  CreateStatusBar(window, instance, statusFont.get(), textHeight);

  CentreOnPrimaryScreen(window);
  ShowWindow(window, SW_SHOWNORMAL);
  SetForegroundWindow(window);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}
