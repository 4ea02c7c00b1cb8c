// Unit2: the About box. One hidden instance is created at start-up right after the main
// window, owned by the application's window, and lives until the program ends; About1Click
// shows it modally with ShowModal. Its link opens the maker's web page through the shell.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "common/win32_handles.h"
#include "ui/about_layout.h"
#include "ui/program_cursor.h"
#include "ui/win32_program_cursor.h"
#include "ui/win32_window.h"

class TAboutBox;
// The program's About box, created hidden right after the main window.
extern TAboutBox* AboutBox;

// A label drawn by the box itself: no window, no focus. The link is one of them.
class TLabel : public WindowlessControl {
 public:
  using Handler = void (TAboutBox::*)(TLabel* sender);

  std::string caption;
  HFONT font = nullptr;
  COLORREF color = 0;
  bool transparent = false;
  int wrapWidth = 0;  // 0: one line
  std::vector<std::string> lines;
  int lineHeight = 0;
  RECT bounds{};
  HWND parent = nullptr;
  TAboutBox* owner = nullptr;
  Handler onMouseEnter = nullptr;
  Handler onMouseLeave = nullptr;
  bool captured = false;

  HWND Parent() const override { return parent; }
  RECT Bounds() const override { return bounds; }
  bool HoldsCapture() const override { return captured; }
  void MouseEnter() override;
  void MouseLeave() override;
};

class TAboutBox final : public ProgramWindow {
 public:
  explicit TAboutBox(HWND owner);
  ~TAboutBox();
  TAboutBox(const TAboutBox&) = delete;
  TAboutBox& operator=(const TAboutBox&) = delete;

  // Shows the box modally and returns its modal result: 1 for OK (button, Enter, Space),
  // 2 for the close button, Alt+F4 or a request to end the program (whose WM_QUIT is posted
  // again for the caller's loop).
  int ShowModal();

  void CommentsClick(TLabel* sender);
  void CommentsMouseEnter(TLabel* sender);
  void CommentsMouseLeave(TLabel* sender);

  // The components, in the order in which they are created and painted.
  RECT Shape1{};
  RECT Bevel1{};
  TLabel ProductName;
  TLabel Comments;
  TLabel Version;
  TLabel Label1;
  HWND OKButton = nullptr;

 private:
  LRESULT HandleWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void Paint();
  void SetUpLabel(TLabel& label, const Rect& design, HFONT font, std::string caption,
                  COLORREF color);
  int Scale(int value) const { return AboutScale(value, textHeight_); }

  UniqueHfont windowFont_;
  UniqueHfont productNameFont_;
  UniqueHfont commentsFont_;
  UniqueHfont versionFont_;
  UniqueHfont label1Font_;
  int textHeight_ = kAboutDesignTextHeight;
  int modalResult_ = 0;
  bool showing_ = false;
  FirstShowingPlacement placement_;
};
