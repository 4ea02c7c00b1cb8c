#include "ui/win32_unit2.h"

#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <string_view>
#include <utility>
#include <vector>

#include "common/win32_system_function.h"
#include "ui/maker.h"
#include "ui/placement.h"
#include "ui/win32_application.h"
#include "ui/win32_dialog_placement.h"
#include "ui/win32_form_controls.h"
#include "ui/win32_modal.h"

namespace {

constexpr char kClassName[] = "TAboutBox";
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_DLGFRAME | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
constexpr COLORREF kNavy = RGB(0, 0, 128);
constexpr UINT kLabelFormat = DT_LEFT | DT_TOP | DT_EXPANDTABS | DT_NOPREFIX;

UniqueHfont CreateAboutFont(const AboutFont& font, BYTE charset) {
  const std::string face(font.face);
  return UniqueHfont(CreateFontA(-font.height, 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL, FALSE,
                                 font.underline ? TRUE : FALSE, FALSE, charset, OUT_DEFAULT_PRECIS,
                                 CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                                 face.c_str()));
}

void RegisterAboutClass() {
  WNDCLASSEXA windowClass{};
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kClassName;
  ProgramWindow::RegisterWindowClass(windowClass);
}

class Win32PlacementScreens : public PlacementScreens {
 public:
  explicit Win32PlacementScreens(HWND active) : active_(active) {}

  Rect PrimaryScreen() override { return ::PrimaryScreen(); }

  std::optional<Rect> ActiveMonitorIfOther(const Rect& box) override {
    if (active_ == nullptr) return std::nullopt;
    HMONITOR activeMonitor = MonitorFromWindow(active_, MONITOR_DEFAULTTONULL);
    const RECT boxRect{box.left, box.top, box.right, box.bottom};
    if (activeMonitor == nullptr ||
        activeMonitor == MonitorFromRect(&boxRect, MONITOR_DEFAULTTONEAREST)) {
      return std::nullopt;
    }
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (!GetMonitorInfoA(activeMonitor, &info)) return std::nullopt;
    return ToRect(info.rcMonitor);
  }

 private:
  HWND active_;
};

}  // namespace

void TLabel::MouseEnter() {
  if (onMouseEnter != nullptr) (owner->*onMouseEnter)(this);
}

void TLabel::MouseLeave() {
  if (onMouseLeave != nullptr) (owner->*onMouseLeave)(this);
}

TAboutBox* AboutBox = nullptr;

TAboutBox::TAboutBox(HWND owner) {
  RegisterAboutClass();
  using L = AboutBoxLayout;
  CreateHandledWindow(kExStyle, kClassName, std::string(L::kCaption).c_str(), kStyle, CW_USEDEFAULT,
                      CW_USEDEFAULT, L::kClientWidth, L::kClientHeight, owner, nullptr,
                      GetModuleHandleA(nullptr));
  if (handle_ == nullptr) return;

  // A fixed dialog: the system menu offers only Move and Close.
  if (HMENU menu = GetSystemMenu(handle_, FALSE)) {
    for (UINT command : {SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE, SC_RESTORE}) {
      DeleteMenu(menu, command, MF_BYCOMMAND);
    }
  }

  windowFont_ = CreateAboutFont(L::kWindowFont, DEFAULT_CHARSET);
  productNameFont_ = CreateAboutFont(L::kProductNameFont, ANSI_CHARSET);
  commentsFont_ = CreateAboutFont(L::kCommentsFont, DEFAULT_CHARSET);
  versionFont_ = CreateAboutFont(L::kVersionFont, DEFAULT_CHARSET);
  label1Font_ = CreateAboutFont(L::kLabel1Font, ANSI_CHARSET);
  textHeight_ = FontTextHeight(windowFont_.get(), kAboutDesignTextHeight);

  RECT frame{0, 0, Scale(L::kClientWidth), Scale(L::kClientHeight)};
  AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
  SetWindowPos(handle_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

  const int width = Scale(L::kClientWidth);
  Shape1 = {0, 0, width, Scale(L::kShape1Height)};
  const Rect bevel = AboutScaleBounds(L::kBevel1, textHeight_);
  Bevel1 = {0, bevel.top, width, bevel.bottom};

  const COLORREF text = GetSysColor(COLOR_WINDOWTEXT);
  ProductName.transparent = true;
  SetUpLabel(ProductName, L::kProductName, productNameFont_.get(), std::string(L::kProductNameText),
             text);
  Comments.wrapWidth = Scale(L::kComments.Width());
  SetUpLabel(Comments, L::kComments, commentsFont_.get(), kMakerWebPage, kNavy);
  Comments.onMouseEnter = &TAboutBox::CommentsMouseEnter;
  Comments.onMouseLeave = &TAboutBox::CommentsMouseLeave;
  SetUpLabel(Version, L::kVersion, versionFont_.get(), std::string(L::kVersionText), text);
  SetUpLabel(Label1, L::kLabel1, label1Font_.get(), std::string(L::kEmailPrefix) + kMakerEmail,
             text);
  AddWindowlessControl(ProductName);
  AddWindowlessControl(Comments);
  AddWindowlessControl(Version);
  AddWindowlessControl(Label1);

  const Rect ok = AboutScaleBounds(L::kOKButton, textHeight_);
  OKButton = CreateWindowExA(0, "BUTTON", std::string(L::kOKButtonText).c_str(),
                             WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, ok.left, ok.top,
                             ok.Width(), ok.Height(), handle_,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDOK)),
                             GetModuleHandleA(nullptr), nullptr);
  SendMessageA(OKButton, WM_SETFONT, reinterpret_cast<WPARAM>(windowFont_.get()), FALSE);
}

TAboutBox::~TAboutBox() {
  RemoveWindowlessControl(ProductName);
  RemoveWindowlessControl(Comments);
  RemoveWindowlessControl(Version);
  RemoveWindowlessControl(Label1);
  // The window goes before the fonts it shows.
  DestroyHandledWindow();
}

void TAboutBox::SetUpLabel(TLabel& label, const Rect& design, HFONT font, std::string caption,
                           COLORREF color) {
  label.caption = std::move(caption);
  label.font = font;
  label.color = color;
  label.parent = handle_;
  label.owner = this;
  // Sized to the text: wrapped at its width when it wraps, else one line.
  const UniqueWindowDc window(handle_);
  HDC dc = window.Dc();
  HGDIOBJ old = SelectObject(dc, label.font);
  const auto measure = [dc](std::string_view text) {
    SIZE size{};
    GetTextExtentPoint32A(dc, text.data(), static_cast<int>(text.size()), &size);
    return static_cast<int>(size.cx);
  };
  label.lines = label.wrapWidth > 0 ? WrapAtSpaces(label.caption, label.wrapWidth, measure)
                                    : std::vector<std::string>{label.caption};
  TEXTMETRICA metrics{};
  GetTextMetricsA(dc, &metrics);
  label.lineHeight = metrics.tmHeight;
  int width = 0;
  for (const std::string& line : label.lines) width = std::max(width, measure(line));
  SelectObject(dc, old);
  const int left = Scale(design.left);
  const int top = Scale(design.top);
  label.bounds = {left, top, left + width,
                  top + static_cast<int>(label.lines.size()) * label.lineHeight};
}

LRESULT TAboutBox::HandleWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      Paint();
      return 0;
    case WM_SETFOCUS:
      // The button is the only control that takes the focus.
      if (OKButton != nullptr) SetFocus(OKButton);
      return 0;
    case DM_GETDEFID:
      return MAKELRESULT(IDOK, DC_HASDEFID);
    case WM_COMMAND:
      // IDCANCEL (Escape) is ignored: the box has no cancel button.
      if (LOWORD(wParam) == IDOK) modalResult_ = AboutBoxLayout::kOKModalResult;
      return 0;
    case WM_CLOSE:
      modalResult_ = AboutBoxLayout::kCancelModalResult;
      return 0;
    case WM_LBUTTONDOWN: {
      const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      if (PtInRect(&Comments.bounds, at)) {
        SetCapture(handle_);
        Comments.captured = true;
      }
      return 0;
    }
    case WM_LBUTTONUP: {
      if (!Comments.captured) return 0;
      Comments.captured = false;
      ReleaseCapture();
      const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      if (PtInRect(&Comments.bounds, at)) CommentsClick(&Comments);
      return 0;
    }
    case WM_CAPTURECHANGED:
      Comments.captured = false;
      return 0;
    default:
      break;
  }
  return DefWindowProcA(handle_, message, wParam, lParam);
}

void TAboutBox::Paint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(handle_, &ps);
  FillRect(dc, &Shape1, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  // Bevel1: one etched line along its top edge.
  RECT shadow{Bevel1.left, Bevel1.top, Bevel1.right, Bevel1.top + 1};
  RECT highlight{Bevel1.left, Bevel1.top + 1, Bevel1.right, Bevel1.top + 2};
  FillRect(dc, &shadow, GetSysColorBrush(COLOR_BTNSHADOW));
  FillRect(dc, &highlight, GetSysColorBrush(COLOR_BTNHILIGHT));

  SetBkMode(dc, TRANSPARENT);
  HGDIOBJ old = SelectObject(dc, windowFont_.get());
  for (TLabel* label : {&ProductName, &Comments, &Version, &Label1}) {
    if (!label->transparent) FillRect(dc, &label->bounds, GetSysColorBrush(COLOR_BTNFACE));
    SelectObject(dc, label->font);
    SetTextColor(dc, label->color);
    RECT line = label->bounds;
    for (const std::string& text : label->lines) {
      line.bottom = line.top + label->lineHeight;
      DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &line,
                kLabelFormat | DT_SINGLELINE);
      line.top = line.bottom;
    }
  }
  SelectObject(dc, old);
  EndPaint(handle_, &ps);
}

int TAboutBox::ShowModal() {
  if (handle_ == nullptr || showing_) return AboutBoxLayout::kCancelModalResult;
  showing_ = true;
  const ProgramCursor::ModalNote cursorNote = TheProgramCursor().EnterModal();
  int result = 0;
  {
    ModalBoxScope modal(handle_);
    RECT frame;
    GetWindowRect(handle_, &frame);
    Win32PlacementScreens screens(modal.Active());
    if (const std::optional<ScreenPoint> at =
            placement_.Place(screens, frame.right - frame.left, frame.bottom - frame.top)) {
      SetWindowPos(handle_, nullptr, at->x, at->y, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ShowWindow(handle_, SW_SHOW);
    SetActiveWindow(handle_);
    SetFocus(OKButton);

    modalResult_ = 0;
    // The program is ending: close with Cancel and leave the request to the caller's loop.
    if (!Application->RunModal(handle_, [this] { return modalResult_ != 0; })) {
      modalResult_ = AboutBoxLayout::kCancelModalResult;
    }
    result = modalResult_;

    if (GetActiveWindow() != handle_) modal.KeepActivation();
    // Enabled before the box hides: hiding the active window hands the activation to the next
    // window that can take it, and with all of ours disabled that would be another program's,
    // leaving the main window behind it.
    modal.EnableWindows();
    ShowWindow(handle_, SW_HIDE);
  }
  TheProgramCursor().LeaveModal(cursorNote);
  showing_ = false;
  return result;
}

void TAboutBox::CommentsClick(TLabel*) {
  // A failure (no program for web addresses) is not reported: the click just does nothing.
  const auto shellExecute =
      SystemFunction<decltype(&ShellExecuteA)>("shell32.dll", "ShellExecuteA");
  if (shellExecute != nullptr) {
    shellExecute(nullptr, "open", kMakerWebPage, nullptr, nullptr, SW_SHOWNORMAL);
  }
}

void TAboutBox::CommentsMouseEnter(TLabel*) { TheProgramCursor().Set(crHandPoint); }

void TAboutBox::CommentsMouseLeave(TLabel*) { TheProgramCursor().Set(crDefault); }
