#include "ui/win32_unit1.h"

#include <algorithm>
#include <array>

#include "common/exception.h"
#include "inventory/driver_scan.h"
#include "inventory/win32_registry_api.h"
#include "ui/layout.h"
#include "ui/maker.h"
#include "ui/win32_dialog_placement.h"
#include "ui/win32_unit2.h"

TForm1* Form1 = nullptr;

namespace {

constexpr char kWindowClass[] = "TForm1";
constexpr UINT kFirstMenuCommand = 100;
constexpr int kFirstToolButton = 1;
constexpr COLORREF kImageTransparent = RGB(255, 0, 255);
constexpr std::array<const char*, 4> kToolImages{"REFRESH", "SAVE", "PRINT", "EXIT"};
// Posted when a print job lets go of the rows, to run the commands it held back.
constexpr UINT kWmHeldCommands = WM_APP + 1;

int MeasureTextHeight(HFONT font) {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font);
  SIZE size{};
  GetTextExtentPoint32A(dc, "0", 1, &size);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return size.cy;
}

}  // namespace

TForm1::TForm1(TApplication& application)
    : application_(application),
      printHold_([this] { PostMessageA(handle_, kWmHeldCommands, 0, 0); }) {
  Form1 = this;
  HINSTANCE instance = application_.Instance();
  WNDCLASSA wc{};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.hIcon = application_.Icon();
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  wc.lpszClassName = kWindowClass;
  if (!RegisterClassA(&wc)) throw Exception("Cannot register the main window");

  const std::string face(Form1Layout::kFontFace);
  font_ = CreateFontA(-Form1Layout::kFontHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                      DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                      DEFAULT_PITCH | FF_DONTCARE, face.c_str());
  textHeight_ = MeasureTextHeight(font_);
  if (textHeight_ <= 0) textHeight_ = kDesignTextHeight;
  NONCLIENTMETRICSA metrics{};
  metrics.cbSize = sizeof(metrics);
  if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
    statusFont_ = CreateFontIndirectA(&metrics.lfStatusFont);
  }

  BuildMenu();
  const std::string caption(Form1Layout::kCaption);
  handle_ =
      CreateWindowExA(0, kWindowClass, caption.c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                      CW_USEDEFAULT, CW_USEDEFAULT, Form1Layout::kOuterWidth,
                      Form1Layout::kOuterHeight, application_.Handle(), MainMenu1, instance, this);
  if (handle_ == nullptr) throw Exception("Cannot create the main window");
  SendMessageA(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  CreateComponents();
  ArrangeComponents();

  application_.SetMainForm({handle_, [this] { FormShow(this); },
                            [this](const ShortCut& key) { return IsShortCut(menu_, key); }});
}

TForm1::~TForm1() {
  if (IsWindow(handle_)) DestroyWindow(handle_);
  if (ImageList2 != nullptr) ImageList_Destroy(ImageList2);
  if (bandBitmap_ != nullptr) DeleteObject(bandBitmap_);
  if (statusFont_ != nullptr) DeleteObject(statusFont_);
  if (font_ != nullptr) DeleteObject(font_);
  Form1 = nullptr;
}

void TForm1::BuildMenu() {
  const auto handler = [this](void (TForm1::*method)(TSender)) {
    return [this, method](const MenuItem& sender) { (this->*method)(&sender); };
  };
  menu_ = {
      {"File1",
       "&File",
       {},
       true,
       nullptr,
       {{"Save1", "Save", {}, true, handler(&TForm1::Save1Click), {}},
        {"Print1", "Print", {'P', false, true, false}, true, handler(&TForm1::Print1Click), {}},
        {"N1", "-", {}, true, nullptr, {}},
        {"Exit1", "Exit", {kVkF10}, true, handler(&TForm1::Exit1Click), {}}}},
      {"View1",
       "&View",
       {},
       true,
       nullptr,
       {{"Refresh1", "Refresh", {kVkF5}, true, handler(&TForm1::Refresh1Click), {}}}},
      {"Help1",
       "&Help",
       {},
       true,
       nullptr,
       {{"About1", "About", {}, true, handler(&TForm1::About1Click), {}}}},
  };

  MainMenu1 = CreateMenu();
  std::vector<std::string> topCaptions;
  for (const MenuItem& top : menu_) topCaptions.push_back(top.caption);
  topCaptions = AssignAccessKeys(topCaptions);
  for (std::size_t t = 0; t < menu_.size(); ++t) {
    HMENU popup = CreatePopupMenu();
    std::vector<std::string> captions;
    for (const MenuItem& item : menu_[t].items) captions.push_back(item.caption);
    captions = AssignAccessKeys(captions);
    for (std::size_t i = 0; i < menu_[t].items.size(); ++i) {
      const MenuItem& item = menu_[t].items[i];
      if (item.IsSeparator()) {
        AppendMenuA(popup, MF_SEPARATOR, 0, nullptr);
        continue;
      }
      const UINT id = kFirstMenuCommand + static_cast<UINT>(commands_.size());
      commands_.push_back(&item);
      AppendMenuA(popup, MF_STRING, id, MenuItemText(captions[i], item.shortCut).c_str());
    }
    AppendMenuA(MainMenu1, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), topCaptions[t].c_str());
  }
}

void TForm1::CreateComponents() {
  HINSTANCE instance = application_.Instance();
  const WPARAM font = reinterpret_cast<WPARAM>(font_);

  ImageList2 = ImageList_Create(Form1Layout::kImageSize, Form1Layout::kImageSize,
                                ILC_COLOR24 | ILC_MASK, static_cast<int>(kToolImages.size()), 32);
  for (const char* name : kToolImages) {
    auto bitmap = static_cast<HBITMAP>(LoadImageA(instance, name, IMAGE_BITMAP, 0, 0, 0));
    if (bitmap == nullptr) continue;
    ImageList_AddMasked(ImageList2, bitmap, kImageTransparent);
    DeleteObject(bitmap);
  }
  bandBitmap_ = static_cast<HBITMAP>(LoadImageA(instance, "BAND", IMAGE_BITMAP, 0, 0, 0));

  const ControlBounds coolBar = ScaleBounds(Form1Layout::kCoolBar1, textHeight_);
  CoolBar1 = CreateWindowExA(0, REBARCLASSNAMEA, nullptr,
                             WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN |
                                 CCS_NODIVIDER | CCS_NOPARENTALIGN | CCS_NORESIZE | RBS_FIXEDORDER,
                             coolBar.left, coolBar.top, coolBar.width, coolBar.height, handle_,
                             nullptr, instance, nullptr);
  SendMessageA(CoolBar1, WM_SETFONT, font, FALSE);
  SendMessageA(CoolBar1, RB_SETBKCOLOR, 0, static_cast<LPARAM>(RGB(255, 255, 255)));

  const ControlBounds toolBar = ScaleBounds(Form1Layout::kToolBar1, textHeight_);
  ToolBar1 =
      CreateWindowExA(0, TOOLBARCLASSNAMEA, nullptr,
                      WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | TBSTYLE_FLAT | TBSTYLE_TRANSPARENT |
                          CCS_NODIVIDER | CCS_NOPARENTALIGN | CCS_NORESIZE,
                      toolBar.left, toolBar.top, toolBar.width, toolBar.height, CoolBar1, nullptr,
                      instance, nullptr);
  // The buttons report to the form, not to the band bar that holds them.
  SendMessageA(ToolBar1, TB_SETPARENT, reinterpret_cast<WPARAM>(handle_), 0);
  SendMessageA(ToolBar1, WM_SETFONT, font, FALSE);
  SendMessageA(ToolBar1, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  SendMessageA(ToolBar1, TB_SETBITMAPSIZE, 0,
               MAKELPARAM(Form1Layout::kImageSize, Form1Layout::kImageSize));
  SendMessageA(ToolBar1, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(ImageList2));
  std::array<std::string, kToolButtons.size()> captions;
  std::array<TBBUTTON, kToolButtons.size()> buttons{};
  for (std::size_t i = 0; i < kToolButtons.size(); ++i) {
    captions[i] = std::string(kToolButtons[i].caption);
    buttons[i].iBitmap = kToolButtons[i].image;
    buttons[i].idCommand = kFirstToolButton + static_cast<int>(i);
    buttons[i].fsState = TBSTATE_ENABLED;
    buttons[i].fsStyle = BTNS_BUTTON;
    buttons[i].iString = reinterpret_cast<INT_PTR>(captions[i].c_str());
  }
  SendMessageA(ToolBar1, TB_ADDBUTTONSA, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
  SendMessageA(ToolBar1, TB_SETBUTTONWIDTH, 0,
               MAKELPARAM(Form1Layout::kButtonWidth, Form1Layout::kButtonWidth));
  SendMessageA(ToolBar1, TB_SETBUTTONSIZE, 0,
               MAKELPARAM(Form1Layout::kButtonWidth, Form1Layout::kButtonHeight));

  REBARBANDINFOA band{};
  band.cbSize = sizeof(band);
  band.fMask = RBBIM_STYLE | RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_SIZE | RBBIM_BACKGROUND;
  band.fStyle = RBBS_FIXEDSIZE | RBBS_FIXEDBMP | RBBS_NOGRIPPER;
  band.hwndChild = ToolBar1;
  band.hbmBack = bandBitmap_;
  band.cxMinChild = toolBar.width;
  band.cyMinChild = ScaleValue(Form1Layout::kBandMinHeight, textHeight_);
  band.cx = ScaleValue(Form1Layout::kBandWidth, textHeight_);
  SendMessageA(CoolBar1, RB_INSERTBANDA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&band));
  // Not every comctl32 paints a band's bitmap (Wine's leaves it out), so the band bar's
  // background is painted here, as Windows' own would paint it: tiled from the band's origin.
  SetWindowSubclass(CoolBar1, CoolBarProc, 0, reinterpret_cast<DWORD_PTR>(this));

  const ControlBounds listView = ScaleBounds(Form1Layout::kListView1, textHeight_);
  ListView1 = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, nullptr,
                              WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS | LVS_REPORT |
                                  LVS_OWNERDATA | LVS_SINGLESEL,
                              listView.left, listView.top, listView.width, listView.height, handle_,
                              nullptr, instance, nullptr);
  SendMessageA(ListView1, WM_SETFONT, font, FALSE);
  const DWORD extended = LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_FLATSB;
  SendMessageA(ListView1, LVM_SETEXTENDEDLISTVIEWSTYLE, extended, extended);
  for (std::size_t i = 0; i < kDriverColumns.size(); ++i) {
    std::string text(kDriverColumns[i].caption);
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    column.fmt = LVCFMT_LEFT;
    column.cx = kDriverColumns[i].width;
    column.pszText = text.data();
    SendMessageA(ListView1, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
  }

  const ControlBounds statusBar = ScaleBounds(Form1Layout::kStatusBar1, textHeight_);
  StatusBar1 = CreateWindowExA(
      0, STATUSCLASSNAMEA, nullptr,
      WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | CCS_NOPARENTALIGN | CCS_NORESIZE, statusBar.left,
      statusBar.top, statusBar.width, statusBar.height, handle_, nullptr, instance, nullptr);
  if (statusFont_ != nullptr) {
    SendMessageA(StatusBar1, WM_SETFONT, reinterpret_cast<WPARAM>(statusFont_), FALSE);
  }
  SendMessageA(StatusBar1, SB_SETBKCOLOR, 0, static_cast<LPARAM>(GetSysColor(COLOR_ACTIVEBORDER)));
  const std::array<int, 2> parts{Form1Layout::kStatusPanelWidth,
                                 2 * Form1Layout::kStatusPanelWidth};
  SendMessageA(StatusBar1, SB_SETPARTS, parts.size(), reinterpret_cast<LPARAM>(parts.data()));
  SetStatusText(1, kMakerWebPage);
}

void TForm1::ArrangeComponents() {
  RECT client;
  GetClientRect(handle_, &client);
  const int width = client.right;
  const int height = client.bottom;
  const int coolBarHeight = ScaleBounds(Form1Layout::kCoolBar1, textHeight_).height;
  const int statusHeight = ScaleBounds(Form1Layout::kStatusBar1, textHeight_).height;
  const int listHeight = std::max(0, height - coolBarHeight - statusHeight);
  MoveWindow(CoolBar1, 0, 0, width, coolBarHeight, TRUE);
  MoveWindow(ListView1, 0, coolBarHeight, width, listHeight, TRUE);
  MoveWindow(StatusBar1, 0, height - statusHeight, width, statusHeight, TRUE);
}

const MenuItem& TForm1::Item(std::string_view name) const {
  for (const MenuItem* item : commands_) {
    if (item->name == name) return *item;
  }
  throw Exception("Menu item not found: " + std::string(name));
}

std::vector<ReportColumn> TForm1::ColumnsOf(HWND listView) {
  std::vector<ReportColumn> columns;
  HWND header = reinterpret_cast<HWND>(SendMessageA(listView, LVM_GETHEADER, 0, 0));
  const int count = static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    std::array<char, 256> text{};
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = text.data();
    column.cchTextMax = static_cast<int>(text.size());
    if (!SendMessageA(listView, LVM_GETCOLUMNA, i, reinterpret_cast<LPARAM>(&column))) break;
    columns.push_back({column.pszText, column.cx});
  }
  return columns;
}

std::string TForm1::StatusText(int panel) const {
  const auto length =
      LOWORD(static_cast<DWORD>(SendMessageA(StatusBar1, SB_GETTEXTLENGTHA, panel, 0)));
  std::string text(length + 1u, '\0');
  SendMessageA(StatusBar1, SB_GETTEXTA, panel, reinterpret_cast<LPARAM>(text.data()));
  text.resize(length);
  return text;
}

void TForm1::SetStatusText(int panel, const std::string& text) {
  SendMessageA(StatusBar1, SB_SETTEXTA, panel, reinterpret_cast<LPARAM>(text.c_str()));
}

void TForm1::SyncListCount() {
  SendMessageA(ListView1, LVM_SETITEMCOUNT, rows_.Count(), 0);
  InvalidateRect(ListView1, nullptr, TRUE);
}

std::string TForm1::CellText(int row, int column) const {
  if (row < 0 || static_cast<std::size_t>(row) >= rows_.Count() || column < 0) return {};
  const DriverRow& driver = rows_.Row(static_cast<std::size_t>(row));
  if (column == 0) return driver.caption;
  const auto sub = static_cast<std::size_t>(column - 1);
  return sub < driver.subItems.size() ? driver.subItems[sub] : std::string();
}

void TForm1::PaintBandBackground(HDC dc) const {
  RECT client;
  GetClientRect(CoolBar1, &client);
  FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  RECT band;
  BITMAP info;
  if (bandBitmap_ == nullptr ||
      !SendMessageA(CoolBar1, RB_GETRECT, 0, reinterpret_cast<LPARAM>(&band)) ||
      !GetObjectA(bandBitmap_, sizeof(info), &info) || info.bmWidth <= 0 || info.bmHeight <= 0) {
    return;
  }
  HDC source = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(source, bandBitmap_);
  for (LONG y = band.top; y < band.bottom; y += info.bmHeight) {
    for (LONG x = band.left; x < band.right; x += info.bmWidth) {
      BitBlt(dc, x, y, std::min<LONG>(info.bmWidth, band.right - x),
             std::min<LONG>(info.bmHeight, band.bottom - y), source, 0, 0, SRCCOPY);
    }
  }
  SelectObject(source, old);
  DeleteDC(source);
}

// Handlers.

void TForm1::ToolButton4Click(TSender) { PostMessageA(handle_, WM_CLOSE, 0, 0); }

void TForm1::Exit1Click(TSender) { PostMessageA(handle_, WM_CLOSE, 0, 0); }

void TForm1::Refresh1Click(TSender) {
  if (printHold_.HoldBack()) {
    refreshHeld_ = true;  // runs once the job has ended: a report never mixes two scans
    return;
  }
  SendMessageA(ListView1, WM_SETREDRAW, FALSE, 0);
  SendMessageA(ListView1, LVM_SETITEMCOUNT, 0, 0);
  SendMessageA(ListView1, WM_SETREDRAW, TRUE, 0);
  // The list shows what the store holds when the scan ends, also when an error ends it.
  struct CountSync {
    TForm1& form;
    ~CountSync() { form.SyncListCount(); }
  } sync{*this};
  Win32RegistryApi registry;
  const std::string status = ScanDrivers(registry, rows_);
  SetStatusText(0, status);
}

void TForm1::ToolButton1Click(TSender) { Click(Item("Refresh1")); }

void TForm1::FormShow(TSender) { Click(Item("Refresh1")); }

void TForm1::About1Click(TSender) { AboutBox->ShowModal(); }

void TForm1::Print1Click(TSender) { PrintListView(ListView1); }

void TForm1::PrintListView(HWND listView) {
  if (printer_ == nullptr) {
    printerApi_ = std::make_unique<Win32PrinterApi>(
        handle_, [this] { application_.ProcessMessages(); }, PlaceCommonDialog);
    printer_ = std::make_unique<TPrinter>(*printerApi_);
  }
  // Captions and widths as they are now: a column the user resized prints at its new share.
  ::PrintListView(*printer_, ColumnsOf(listView), rows_, printHold_);
}

void TForm1::RunHeldCommands() {
  if (closeHeld_) {
    closeHeld_ = false;
    refreshHeld_ = false;
    PostMessageA(handle_, WM_CLOSE, 0, 0);
    return;
  }
  if (refreshHeld_) {
    refreshHeld_ = false;
    Click(Item("Refresh1"));
  }
}

void TForm1::ToolButton3Click(TSender) { Click(Item("Print1")); }

void TForm1::Save1Click(TSender) {
  HWND active = GetActiveWindow();
  if (!SaveDialog1.Execute(application_.Handle(), active != nullptr ? active : handle_)) return;
  SaveRows(files_, rows_, SaveDialog1.FileName(), ioResult_);
}

void TForm1::ToolButton2Click(TSender) { Click(Item("Save1")); }

// Messages.

LRESULT CALLBACK TForm1::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* form = reinterpret_cast<TForm1*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (form == nullptr || form->handle_ != window) {
    return DefWindowProcA(window, message, wParam, lParam);
  }
  return GuardedMessage([&] { return form->HandleMessage(message, wParam, lParam); });
}

LRESULT CALLBACK TForm1::CoolBarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                     UINT_PTR, DWORD_PTR form) {
  if (message == WM_ERASEBKGND) {
    return GuardedMessage([&]() -> LRESULT {
      reinterpret_cast<const TForm1*>(form)->PaintBandBackground(reinterpret_cast<HDC>(wParam));
      return 1;
    });
  }
  if (message == WM_NCDESTROY) RemoveWindowSubclass(window, CoolBarProc, 0);
  return DefSubclassProc(window, message, wParam, lParam);
}

LRESULT TForm1::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
      ArrangeComponents();
      return 0;
    case WM_SETFOCUS:
      SetFocus(ListView1);
      return 0;
    case WM_COMMAND:
      HandleCommand(wParam, lParam);
      return 0;
    case WM_NOTIFY:
      return HandleNotify(*reinterpret_cast<const NMHDR*>(lParam));
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_MINIMIZE) {
        // Minimising the main window minimises the program to its one taskbar entry.
        application_.Minimize();
        return 0;
      }
      break;
    case WM_SETCURSOR:
      if (ApplySetCursorHook(handle_, wParam, lParam)) return TRUE;
      break;
    case WM_CLOSE:
      if (printHold_.HoldBack()) {
        closeHeld_ = true;  // the job finishes first: what the user printed comes out whole
        return 0;
      }
      DestroyWindow(handle_);
      return 0;
    case kWmHeldCommands:
      RunHeldCommands();
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcA(handle_, message, wParam, lParam);
}

void TForm1::HandleCommand(WPARAM wParam, LPARAM lParam) {
  const UINT id = LOWORD(wParam);
  if (lParam == 0 && HIWORD(wParam) == 0) {
    if (id >= kFirstMenuCommand && id - kFirstMenuCommand < commands_.size()) {
      Click(*commands_[id - kFirstMenuCommand]);
    }
    return;
  }
  if (reinterpret_cast<HWND>(lParam) != ToolBar1) return;
  switch (static_cast<int>(id) - kFirstToolButton) {
    case 0:
      ToolButton1Click(&kToolButtons[0]);
      break;
    case 1:
      ToolButton2Click(&kToolButtons[1]);
      break;
    case 2:
      ToolButton3Click(&kToolButtons[2]);
      break;
    case 3:
      ToolButton4Click(&kToolButtons[3]);
      break;
    default:
      break;
  }
}

LRESULT TForm1::HandleNotify(const NMHDR& header) {
  if (header.hwndFrom != ListView1) return 0;
  switch (header.code) {
    case LVN_GETDISPINFOA: {
      LVITEMA& item = reinterpret_cast<NMLVDISPINFOA*>(const_cast<NMHDR*>(&header))->item;
      if ((item.mask & LVIF_TEXT) && item.pszText != nullptr && item.cchTextMax > 0) {
        cellBuffer_ = CellText(item.iItem, item.iSubItem);
        lstrcpynA(item.pszText, cellBuffer_.c_str(), item.cchTextMax);
      }
      return 0;
    }
    case LVN_GETDISPINFOW: {
      LVITEMW& item = reinterpret_cast<NMLVDISPINFOW*>(const_cast<NMHDR*>(&header))->item;
      if ((item.mask & LVIF_TEXT) && item.pszText != nullptr && item.cchTextMax > 0) {
        cellBuffer_ = CellText(item.iItem, item.iSubItem);
        const int written =
            MultiByteToWideChar(CP_ACP, 0, cellBuffer_.c_str(), -1, item.pszText, item.cchTextMax);
        if (written == 0) item.pszText[item.cchTextMax - 1] = L'\0';
      }
      return 0;
    }
    default:
      // Header clicks (LVN_COLUMNCLICK) do nothing: the rows are never sorted.
      return 0;
  }
}
