// The true floor for the program's start-up: the main window as the program shows it, built
// from the same layout tables and resources (icon, toolbar images, band bitmap, manifest):
// menu bar, band bar, toolbar with its four images, list view with its nine columns, status
// bar with its two panels, centred and shown, but with no rows. No application object, no
// scan, no handlers: what the program takes beyond this window and the scan of the same
// records alone is the program's own cost.
#include <windows.h>
#include <commctrl.h>

#include <array>
#include <string>

#include "ui/layout.h"
#include "ui/maker.h"
#include "ui/win32_form_controls.h"
#include "ui/win32_tool_band.h"

namespace {

constexpr char kWindowClass[] = "TolvaneFloor";

LRESULT CALLBACK FloorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

HMENU Menu() {
  struct Popup {
    const char* caption;
    std::array<const char*, 4> items;  // nullptr ends the list, "-" is a separator
  };
  constexpr std::array<Popup, 3> kPopups{{
      {"&File", {"&Save", "&Print\tCtrl+P", "-", "&Exit\tF10"}},
      {"&View", {"&Refresh\tF5", nullptr, nullptr, nullptr}},
      {"&Help", {"&About", nullptr, nullptr, nullptr}},
  }};
  HMENU bar = CreateMenu();
  UINT id = 100;
  for (const Popup& popup : kPopups) {
    HMENU sub = CreatePopupMenu();
    for (const char* item : popup.items) {
      if (item == nullptr) break;
      if (std::string(item) == "-") {
        AppendMenuA(sub, MF_SEPARATOR, 0, nullptr);
      } else {
        AppendMenuA(sub, MF_STRING, id++, item);
      }
    }
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), popup.caption);
  }
  return bar;
}

HWND Child(const char* className, DWORD exStyle, DWORD style, const Rect& bounds, HWND parent,
           HINSTANCE instance, HFONT font) {
  HWND child = CreateWindowExA(exStyle, className, nullptr, WS_CHILD | WS_VISIBLE | style,
                               bounds.left, bounds.top, bounds.Width(), bounds.Height(), parent,
                               nullptr, instance, nullptr);
  SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return child;
}

void AddStatusBar(HWND window, HINSTANCE instance, int textHeight) {
  NONCLIENTMETRICSA metrics{};
  metrics.cbSize = sizeof(metrics);
  SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
  HWND statusBar = Child(STATUSCLASSNAMEA, 0, WS_CLIPSIBLINGS | CCS_NOPARENTALIGN | CCS_NORESIZE,
                         ScaleBounds(Form1Layout::kStatusBar1, textHeight), window, instance,
                         CreateFontIndirectA(&metrics.lfStatusFont));
  SendMessageA(statusBar, SB_SETBKCOLOR, 0, static_cast<LPARAM>(GetSysColor(COLOR_ACTIVEBORDER)));
  const std::array<int, 2> parts{Form1Layout::kStatusPanelWidth,
                                 2 * Form1Layout::kStatusPanelWidth};
  SendMessageA(statusBar, SB_SETPARTS, parts.size(), reinterpret_cast<LPARAM>(parts.data()));
  SendMessageA(statusBar, SB_SETTEXTA, 1, reinterpret_cast<LPARAM>(kMakerWebPage));
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  INITCOMMONCONTROLSEX controls{sizeof(controls),
                                ICC_COOL_CLASSES | ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = FloorProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconA(instance, "MAINICON");
  windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  windowClass.lpszClassName = kWindowClass;
  RegisterClassA(&windowClass);

  const std::string face(Form1Layout::kFontFace);
  HFONT font = CreateFontA(-Form1Layout::kFontHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                           DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                           DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face.c_str());
  const int textHeight = FormTextHeight(font);
  const std::string caption(Form1Layout::kCaption);
  HWND window =
      CreateWindowExA(0, kWindowClass, caption.c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                      CW_USEDEFAULT, CW_USEDEFAULT, Form1Layout::kOuterWidth,
                      Form1Layout::kOuterHeight, nullptr, Menu(), instance, nullptr);
  SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);

  CreateToolBand(window, instance, font, textHeight, {101, 102, 103, 104});
  CreateDriverListView(window, instance, font, textHeight);
  AddStatusBar(window, instance, textHeight);

  SetWindowPos(window, nullptr, (GetSystemMetrics(SM_CXSCREEN) - Form1Layout::kOuterWidth) / 2,
               (GetSystemMetrics(SM_CYSCREEN) - Form1Layout::kOuterHeight) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ShowWindow(window, SW_SHOWNORMAL);
  SetForegroundWindow(window);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}
