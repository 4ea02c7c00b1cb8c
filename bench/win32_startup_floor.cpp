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

#include "inventory/driver_row.h"
#include "ui/layout.h"
#include "ui/maker.h"

namespace {

constexpr char kWindowClass[] = "TolvaneFloor";
constexpr COLORREF kImageTransparent = RGB(255, 0, 255);
constexpr std::array<const char*, 4> kToolImages{"REFRESH", "SAVE", "PRINT", "EXIT"};

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

int TextHeight(HFONT font) {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font);
  SIZE size{};
  GetTextExtentPoint32A(dc, "0", 1, &size);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return size.cy > 0 ? size.cy : kDesignTextHeight;
}

HWND Child(const char* className, DWORD exStyle, DWORD style, const ControlBounds& bounds,
           HWND parent, HINSTANCE instance, HFONT font) {
  HWND child =
      CreateWindowExA(exStyle, className, nullptr, WS_CHILD | WS_VISIBLE | style, bounds.left,
                      bounds.top, bounds.width, bounds.height, parent, nullptr, instance, nullptr);
  SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return child;
}

void AddToolBar(HWND window, HWND coolBar, HINSTANCE instance, HFONT font, int textHeight) {
  HIMAGELIST images = ImageList_Create(Form1Layout::kImageSize, Form1Layout::kImageSize,
                                       ILC_COLOR24 | ILC_MASK, 4, 32);
  for (const char* name : kToolImages) {
    auto bitmap = static_cast<HBITMAP>(LoadImageA(instance, name, IMAGE_BITMAP, 0, 0, 0));
    ImageList_AddMasked(images, bitmap, kImageTransparent);
    DeleteObject(bitmap);
  }
  const ControlBounds bounds = ScaleBounds(Form1Layout::kToolBar1, textHeight);
  HWND toolBar = Child(TOOLBARCLASSNAMEA, 0,
                       WS_CLIPSIBLINGS | TBSTYLE_FLAT | TBSTYLE_TRANSPARENT | CCS_NODIVIDER |
                           CCS_NOPARENTALIGN | CCS_NORESIZE,
                       bounds, coolBar, instance, font);
  SendMessageA(toolBar, TB_SETPARENT, reinterpret_cast<WPARAM>(window), 0);
  SendMessageA(toolBar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  SendMessageA(toolBar, TB_SETBITMAPSIZE, 0,
               MAKELPARAM(Form1Layout::kImageSize, Form1Layout::kImageSize));
  SendMessageA(toolBar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
  std::array<std::string, kToolButtons.size()> captions;
  std::array<TBBUTTON, kToolButtons.size()> buttons{};
  for (std::size_t i = 0; i < kToolButtons.size(); ++i) {
    captions[i] = std::string(kToolButtons[i].caption);
    buttons[i].iBitmap = kToolButtons[i].image;
    buttons[i].idCommand = static_cast<int>(i) + 1;
    buttons[i].fsState = TBSTATE_ENABLED;
    buttons[i].fsStyle = BTNS_BUTTON;
    buttons[i].iString = reinterpret_cast<INT_PTR>(captions[i].c_str());
  }
  SendMessageA(toolBar, TB_ADDBUTTONSA, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
  SendMessageA(toolBar, TB_SETBUTTONWIDTH, 0,
               MAKELPARAM(Form1Layout::kButtonWidth, Form1Layout::kButtonWidth));
  SendMessageA(toolBar, TB_SETBUTTONSIZE, 0,
               MAKELPARAM(Form1Layout::kButtonWidth, Form1Layout::kButtonHeight));

  REBARBANDINFOA band{};
  band.cbSize = sizeof(band);
  band.fMask = RBBIM_STYLE | RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_SIZE | RBBIM_BACKGROUND;
  band.fStyle = RBBS_FIXEDSIZE | RBBS_FIXEDBMP | RBBS_NOGRIPPER;
  band.hwndChild = toolBar;
  band.hbmBack = static_cast<HBITMAP>(LoadImageA(instance, "BAND", IMAGE_BITMAP, 0, 0, 0));
  band.cxMinChild = bounds.width;
  band.cyMinChild = ScaleValue(Form1Layout::kBandMinHeight, textHeight);
  band.cx = ScaleValue(Form1Layout::kBandWidth, textHeight);
  SendMessageA(coolBar, RB_INSERTBANDA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&band));
}

void AddListView(HWND window, HINSTANCE instance, HFONT font, int textHeight) {
  HWND listView = Child(WC_LISTVIEWA, WS_EX_CLIENTEDGE,
                        WS_TABSTOP | WS_CLIPSIBLINGS | LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL,
                        ScaleBounds(Form1Layout::kListView1, textHeight), window, instance, font);
  const DWORD extended = LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_FLATSB;
  SendMessageA(listView, LVM_SETEXTENDEDLISTVIEWSTYLE, extended, extended);
  for (std::size_t i = 0; i < kDriverColumns.size(); ++i) {
    std::string text(kDriverColumns[i].caption);
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    column.fmt = LVCFMT_LEFT;
    column.cx = kDriverColumns[i].width;
    column.pszText = text.data();
    SendMessageA(listView, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
  }
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
  const int textHeight = TextHeight(font);
  const std::string caption(Form1Layout::kCaption);
  HWND window =
      CreateWindowExA(0, kWindowClass, caption.c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                      CW_USEDEFAULT, CW_USEDEFAULT, Form1Layout::kOuterWidth,
                      Form1Layout::kOuterHeight, nullptr, Menu(), instance, nullptr);
  SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);

  const ControlBounds coolBarBounds = ScaleBounds(Form1Layout::kCoolBar1, textHeight);
  HWND coolBar = Child(REBARCLASSNAMEA, 0,
                       WS_CLIPSIBLINGS | WS_CLIPCHILDREN | CCS_NODIVIDER | CCS_NOPARENTALIGN |
                           CCS_NORESIZE | RBS_FIXEDORDER,
                       coolBarBounds, window, instance, font);
  SendMessageA(coolBar, RB_SETBKCOLOR, 0, static_cast<LPARAM>(RGB(255, 255, 255)));
  AddToolBar(window, coolBar, instance, font, textHeight);
  AddListView(window, instance, font, textHeight);
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
