#include "ui/win32_tool_band.h"

#include <algorithm>
#include <string>

#include "ui/win32_window.h"

namespace {

constexpr COLORREF kImageTransparent = RGB(255, 0, 255);
constexpr std::array<const char*, 4> kToolImages{"REFRESH", "SAVE", "PRINT", "EXIT"};

void PaintBandBackground(HWND coolBar, HBITMAP background, HDC dc) {
  RECT client;
  GetClientRect(coolBar, &client);
  FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  RECT band;
  BITMAP info;
  if (background == nullptr ||
      !SendMessageA(coolBar, RB_GETRECT, 0, reinterpret_cast<LPARAM>(&band)) ||
      !GetObjectA(background, sizeof(info), &info) || info.bmWidth <= 0 || info.bmHeight <= 0) {
    return;
  }
  const UniqueHdc memory(CreateCompatibleDC(dc));
  if (!memory) return;
  HDC source = memory.get();
  HGDIOBJ old = SelectObject(source, background);
  for (LONG y = band.top; y < band.bottom; y += info.bmHeight) {
    for (LONG x = band.left; x < band.right; x += info.bmWidth) {
      BitBlt(dc, x, y, std::min<LONG>(info.bmWidth, band.right - x),
             std::min<LONG>(info.bmHeight, band.bottom - y), source, 0, 0, SRCCOPY);
    }
  }
  SelectObject(source, old);
}

}  // namespace

ToolBand CreateToolBand(HWND form, HINSTANCE instance, HFONT font, int textHeight,
                        const std::array<unsigned, kToolButtons.size()>& commands) {
  ToolBand parts;
  parts.images.reset(ImageList_Create(Form1Layout::kImageSize, Form1Layout::kImageSize,
                                      ILC_COLOR24 | ILC_MASK, static_cast<int>(kToolImages.size()),
                                      32));
  for (const char* name : kToolImages) {
    const UniqueHbitmap bitmap(
        static_cast<HBITMAP>(LoadImageA(instance, name, IMAGE_BITMAP, 0, 0, 0)));
    if (bitmap) ImageList_AddMasked(parts.images.get(), bitmap.get(), kImageTransparent);
  }
  parts.background.reset(static_cast<HBITMAP>(LoadImageA(instance, "BAND", IMAGE_BITMAP, 0, 0, 0)));
  const WPARAM fontParam = reinterpret_cast<WPARAM>(font);

  const Rect coolBar = ScaleBounds(Form1Layout::kCoolBar1, textHeight);
  parts.coolBar =
      CreateWindowExA(0, REBARCLASSNAMEA, nullptr,
                      WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | CCS_NODIVIDER |
                          CCS_NOPARENTALIGN | CCS_NORESIZE | RBS_FIXEDORDER,
                      coolBar.left, coolBar.top, coolBar.Width(), coolBar.Height(), form, nullptr,
                      instance, nullptr);
  SendMessageA(parts.coolBar, WM_SETFONT, fontParam, FALSE);
  SendMessageA(parts.coolBar, RB_SETBKCOLOR, 0, static_cast<LPARAM>(RGB(255, 255, 255)));

  const Rect toolBar = ScaleBounds(Form1Layout::kToolBar1, textHeight);
  HWND tools =
      CreateWindowExA(0, TOOLBARCLASSNAMEA, nullptr,
                      WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | TBSTYLE_FLAT | TBSTYLE_TRANSPARENT |
                          CCS_NODIVIDER | CCS_NOPARENTALIGN | CCS_NORESIZE,
                      toolBar.left, toolBar.top, toolBar.Width(), toolBar.Height(), parts.coolBar,
                      nullptr, instance, nullptr);
  parts.toolBar = tools;
  SendMessageA(tools, TB_SETPARENT, reinterpret_cast<WPARAM>(form), 0);
  SendMessageA(tools, WM_SETFONT, fontParam, FALSE);
  SendMessageA(tools, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  SendMessageA(tools, TB_SETBITMAPSIZE, 0,
               MAKELPARAM(Form1Layout::kImageSize, Form1Layout::kImageSize));
  SendMessageA(tools, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(parts.images.get()));
  std::array<std::string, kToolButtons.size()> captions;
  std::array<TBBUTTON, kToolButtons.size()> buttons{};
  for (std::size_t i = 0; i < kToolButtons.size(); ++i) {
    captions[i] = std::string(kToolButtons[i].caption);
    buttons[i].iBitmap = kToolButtons[i].image;
    buttons[i].idCommand = static_cast<int>(commands[i]);
    buttons[i].fsState = TBSTATE_ENABLED;
    buttons[i].fsStyle = BTNS_BUTTON;
    buttons[i].iString = reinterpret_cast<INT_PTR>(captions[i].c_str());
  }
  SendMessageA(tools, TB_ADDBUTTONSA, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
  SendMessageA(tools, TB_SETBUTTONWIDTH, 0,
               MAKELPARAM(Form1Layout::kButtonWidth, Form1Layout::kButtonWidth));
  SendMessageA(tools, TB_SETBUTTONSIZE, 0,
               MAKELPARAM(Form1Layout::kButtonWidth, Form1Layout::kButtonHeight));

  REBARBANDINFOA band{};
  band.cbSize = sizeof(band);
  band.fMask = RBBIM_STYLE | RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_SIZE | RBBIM_BACKGROUND;
  band.fStyle = RBBS_FIXEDSIZE | RBBS_FIXEDBMP | RBBS_NOGRIPPER;
  band.hwndChild = tools;
  band.hbmBack = parts.background.get();
  band.cxMinChild = toolBar.Width();
  band.cyMinChild = ScaleValue(Form1Layout::kBandMinHeight, textHeight);
  band.cx = ScaleValue(Form1Layout::kBandWidth, textHeight);
  SendMessageA(parts.coolBar, RB_INSERTBANDA, static_cast<WPARAM>(-1),
               reinterpret_cast<LPARAM>(&band));
  SubclassControl(parts.coolBar, [coolBar = parts.coolBar, background = parts.background.get()](
                                     UINT message, WPARAM wParam, LPARAM, LRESULT* result) {
    if (message != WM_ERASEBKGND) return false;
    PaintBandBackground(coolBar, background, reinterpret_cast<HDC>(wParam));
    *result = 1;
    return true;
  });
  return parts;
}
