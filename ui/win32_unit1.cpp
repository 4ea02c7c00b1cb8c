#include "ui/win32_unit1.h"

#include <commctrl.h>

#include <algorithm>
#include <array>

#include "common/exception.h"
#include "common/unique_handle.h"
#include "inventory/driver_scan.h"
#include "inventory/win32_registry_api.h"
#include "output/text_export.h"
#include "output/win32_printer.h"
#include "ui/app_text.h"
#include "ui/layout.h"
#include "ui/win32_application.h"
#include "ui/win32_dialog_placement.h"
#include "ui/win32_form_controls.h"
#include "ui/win32_menu_bar.h"
#include "ui/win32_unit2.h"

TForm1* Form1 = nullptr;

namespace {

constexpr char kWindowClass[] = "TForm1";
// The toolbar buttons' handlers, in the order of kToolButtons.
constexpr std::array<void (TForm1::*)(TSender), kToolButtons.size()> kToolButtonClicks{
    &TForm1::ToolButton1Click, &TForm1::ToolButton2Click, &TForm1::ToolButton3Click,
    &TForm1::ToolButton4Click};
// Posted when a print job lets go of the rows, to run the commands it held back.
constexpr UINT kWmHeldCommands = WM_APP + 1;

// A negative index (none the list asks for) wraps to a cell the store does not have.
std::string ListCellText(const RowStore& rows, int row, int column) {
  return rows.CellText(static_cast<std::size_t>(row), static_cast<std::size_t>(column));
}

}  // namespace

TForm1::TForm1(TApplication& application)
    : application_(application),
      printHold_([this] { PostMessageA(handle_, kWmHeldCommands, 0, 0); }) {
  HINSTANCE instance = application_.Instance();
  WNDCLASSEXA wc{};
  wc.hInstance = instance;
  wc.hIcon = application_.Icon();
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  wc.lpszClassName = kWindowClass;
  if (!RegisterWindowClass(wc)) throw Exception("Cannot register the main window");

  font_ = CreateFormFont();
  textHeight_ = FontTextHeight(font_.get(), kDesignTextHeight);
  statusFont_ = CreateStatusFont();

  UniqueHmenu menuBar = BuildMenu();
  MainMenu1 = menuBar.get();
  const std::string caption(Form1Layout::kCaption);
  CreateHandledWindow(0, kWindowClass, caption.c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                      CW_USEDEFAULT, CW_USEDEFAULT, Form1Layout::kOuterWidth,
                      Form1Layout::kOuterHeight, application_.Handle(), MainMenu1, instance);
  if (handle_ == nullptr) throw Exception("Cannot create the main window");
  menuBar.release();  // the window's now: it goes with the window
  // Should a part fail, the window goes before the fonts and pictures it shows.
  ScopeExit undo([this] { DestroyHandledWindow(); });
  SendMessageA(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  CreateComponents();
  ArrangeComponents();

  application_.SetMainForm({handle_, [this] { FormShow(this); },
                            [this](const ShortCut& key) { return IsShortCut(menu_, key); }});
  undo.Dismiss();
  Form1 = this;
}

TForm1::~TForm1() {
  DestroyHandledWindow();
  if (Form1 == this) Form1 = nullptr;
}

UniqueHmenu TForm1::BuildMenu() {
  const auto handler = [this](void (TForm1::*method)(TSender)) {
    return [this, method](const MenuItem& sender) { (this->*method)(&sender); };
  };
  menu_ = FormMenu({handler(&TForm1::Save1Click), handler(&TForm1::Print1Click),
                    handler(&TForm1::Exit1Click), handler(&TForm1::Refresh1Click),
                    handler(&TForm1::About1Click)});
  Save1 = &menu_[0].items[0];
  Print1 = &menu_[0].items[1];
  Refresh1 = &menu_[1].items[0];
  return CreateMenuBar(menu_, commands_);
}

void TForm1::CreateComponents() {
  HINSTANCE instance = application_.Instance();

  std::array<unsigned, kToolButtons.size()> buttonCommands{};
  for (std::size_t i = 0; i < kToolButtons.size(); ++i) {
    buttonCommands[i] =
        commands_.Add([this, i] { (this->*kToolButtonClicks[i])(&kToolButtons[i]); });
  }
  toolBand_ = CreateToolBand(handle_, instance, font_.get(), textHeight_, buttonCommands);
  CoolBar1 = toolBand_.coolBar;
  ToolBar1 = toolBand_.toolBar;
  ImageList2 = toolBand_.images.get();

  ListView1 = CreateDriverListView(handle_, instance, font_.get(), textHeight_);
  StatusBar1 = CreateStatusBar(handle_, instance, statusFont_.get(), textHeight_);
}

void TForm1::ArrangeComponents() {
  RECT client;
  GetClientRect(handle_, &client);
  const int width = client.right;
  const int height = client.bottom;
  const int coolBarHeight = ScaleBounds(Form1Layout::kCoolBar1, textHeight_).Height();
  const int statusHeight = ScaleBounds(Form1Layout::kStatusBar1, textHeight_).Height();
  const int listHeight = std::max(0, height - coolBarHeight - statusHeight);
  MoveWindow(CoolBar1, 0, 0, width, coolBarHeight, TRUE);
  MoveWindow(ListView1, 0, coolBarHeight, width, listHeight, TRUE);
  MoveWindow(StatusBar1, 0, height - statusHeight, width, statusHeight, TRUE);
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
  const ScopeExit sync([this] { SyncListCount(); });
  Win32RegistryApi registry;
  SetStatusText(0, CountStatusText(ScanDrivers(registry, rows_)));
}

void TForm1::ToolButton1Click(TSender) { Click(*Refresh1); }

void TForm1::FormShow(TSender) { Click(*Refresh1); }

void TForm1::About1Click(TSender) { AboutBox->ShowModal(); }

void TForm1::Print1Click(TSender) { PrintListView(ListView1); }

void TForm1::PrintListView(HWND listView) {
  if (printer_ == nullptr) {
    printerApi_ = std::make_unique<Win32PrinterApi>(
        handle_, [this] { application_.ProcessMessages(); }, PlaceCommonDialog, ReportWindowError);
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
    Click(*Refresh1);
  }
}

void TForm1::ToolButton3Click(TSender) { Click(*Print1); }

void TForm1::Save1Click(TSender) {
  HWND active = GetActiveWindow();
  if (!SaveDialog1.Execute(application_.Handle(), active != nullptr ? active : handle_)) return;
  SaveRows(files_, rows_, SaveDialog1.FileName(), ioResult_);
}

void TForm1::ToolButton2Click(TSender) { Click(*Save1); }

// Messages.

LRESULT TForm1::HandleWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) {
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
  // Menu items send no window and notification 0; toolbar buttons come from ToolBar1.
  if ((lParam == 0 && HIWORD(wParam) == 0) || reinterpret_cast<HWND>(lParam) == ToolBar1) {
    commands_.Run(LOWORD(wParam));
  }
}

LRESULT TForm1::HandleNotify(const NMHDR& header) {
  if (header.hwndFrom != ListView1) return 0;
  switch (header.code) {
    case LVN_GETDISPINFOA: {
      LVITEMA& item = reinterpret_cast<NMLVDISPINFOA*>(const_cast<NMHDR*>(&header))->item;
      if ((item.mask & LVIF_TEXT) && item.pszText != nullptr && item.cchTextMax > 0) {
        cellBuffer_ = ListCellText(rows_, item.iItem, item.iSubItem);
        lstrcpynA(item.pszText, cellBuffer_.c_str(), item.cchTextMax);
      }
      return 0;
    }
    case LVN_GETDISPINFOW: {
      LVITEMW& item = reinterpret_cast<NMLVDISPINFOW*>(const_cast<NMHDR*>(&header))->item;
      if ((item.mask & LVIF_TEXT) && item.pszText != nullptr && item.cchTextMax > 0) {
        cellBuffer_ = ListCellText(rows_, item.iItem, item.iSubItem);
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
