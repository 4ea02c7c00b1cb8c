// The About box in this process: its window and components, the modal showing with its
// results, the windows it disables, where it opens, and the cursor it gives back. Steps that
// must happen while the box is open are posted to a helper window and run from its loop.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "common/win32_handles.h"
#include "ui/maker.h"
#include "ui/win32_application.h"
#include "ui/win32_form_controls.h"
#include "ui/win32_program_cursor.h"
#include "ui/win32_unit2.h"

#include "win32_window_fault.h"

namespace {

std::deque<std::function<void()>> steps;

LRESULT CALLBACK HelperProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_APP && !steps.empty()) {
    std::function<void()> step = std::move(steps.front());
    steps.pop_front();
    step();
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

class AboutBoxTest : public ::testing::Test {
 protected:
  // The box's modal loop steps the application's loop, with hover tracking at idle, as in the
  // program.
  static void SetUpTestSuite() {
    program_ = new TApplication(GetModuleHandleA(nullptr));
    program_->AddIdleHandler(TrackHoverAtIdle);
    program_->setCursorHook = ProgramCursorOnSetCursor;
  }
  static void TearDownTestSuite() { delete program_; }

  void SetUp() override {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = HelperProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "AboutBoxTestWindow";
    RegisterClassA(&windowClass);
    application_ = CreateWindowExA(0, "AboutBoxTestWindow", "app", WS_POPUP, 0, 0, 0, 0, nullptr,
                                   nullptr, GetModuleHandleA(nullptr), nullptr);
    main_ =
        CreateWindowExA(0, "AboutBoxTestWindow", "main", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20,
                        400, 300, application_, nullptr, GetModuleHandleA(nullptr), nullptr);
    box_ = std::make_unique<TAboutBox>(application_);
    steps.clear();
    TheProgramCursor().Set(crDefault);
  }

  void TearDown() override {
    box_.reset();
    DestroyWindow(main_);
    DestroyWindow(application_);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
  }

  // Runs the steps one after the other while the box is open, then shows it.
  int ShowWith(std::initializer_list<std::function<void()>> script) {
    for (const auto& step : script) {
      steps.push_back([this, step] {
        step();
        PostMessageA(main_, WM_APP, 0, 0);
      });
    }
    PostMessageA(main_, WM_APP, 0, 0);
    return box_->ShowModal();
  }

  void Close(UINT message, WPARAM wParam = 0) { PostMessageA(box_->Handle(), message, wParam, 0); }

  static TApplication* program_;
  HWND application_ = nullptr;
  HWND main_ = nullptr;
  std::unique_ptr<TAboutBox> box_;
};

TApplication* AboutBoxTest::program_ = nullptr;

int MeasuredTextHeight() {
  const UniqueHfont font(CreateFontA(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                     DEFAULT_PITCH | FF_DONTCARE, "MS Sans Serif"));
  return FontTextHeight(font.get(), 0);
}

std::string WindowText(HWND window) {
  char text[64] = "";
  GetWindowTextA(window, text, sizeof(text));
  return text;
}

}  // namespace

TEST_F(AboutBoxTest, CreatedHiddenWithItsTitleAndFixedDialogFrame) {
  HWND box = box_->Handle();
  ASSERT_NE(box, nullptr);
  EXPECT_FALSE(IsWindowVisible(box));
  EXPECT_EQ(WindowText(box), "About");
  EXPECT_EQ(GetWindow(box, GW_OWNER), application_);
  const LONG style = GetWindowLongA(box, GWL_STYLE);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
  EXPECT_TRUE(GetWindowLongA(box, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME);
}

// Without its window the box makes nothing else, and showing it gives Cancel at once.
TEST_F(AboutBoxTest, RefusedWindowLeavesABoxThatMadeNothingAndShowsNothing) {
  const ResourceUse before = CurrentResourceUse();
  {
    const RefusedWindow refused("TAboutBox");
    ASSERT_TRUE(refused.Active());
    TAboutBox box(application_);
    EXPECT_EQ(box.Handle(), nullptr);
    EXPECT_EQ(box.ShowModal(), 2);
  }
  const ResourceUse after = CurrentResourceUse();
  ASSERT_GE(before.gdi, 0);
  EXPECT_EQ(after.gdi, before.gdi);
  EXPECT_EQ(after.user, before.user);
}

TEST_F(AboutBoxTest, ClientAreaScalesWithTheWindowTextHeight) {
  const int height = MeasuredTextHeight();
  RECT client;
  GetClientRect(box_->Handle(), &client);
  EXPECT_EQ(client.right, AboutScale(298, height));
  EXPECT_EQ(client.bottom, AboutScale(265, height));
  EXPECT_EQ(box_->Bevel1.top, AboutScale(65, height));
  EXPECT_EQ(box_->Shape1.bottom, box_->Bevel1.top);
}

TEST_F(AboutBoxTest, ComponentsCarryTheirTexts) {
  EXPECT_EQ(box_->ProductName.caption, "Tolvane");
  EXPECT_EQ(box_->Version.caption, "Version 1.07 beta");
  EXPECT_EQ(box_->Comments.caption, kMakerWebPage);
  EXPECT_EQ(box_->Label1.caption, std::string("Email: ") + kMakerEmail);
  EXPECT_EQ(box_->Comments.color, RGB(0, 0, 128));
  EXPECT_EQ(box_->Comments.lines.size(), 1u);  // an address is never cut in two
}

TEST_F(AboutBoxTest, OKButtonIsTheDefaultAndOnlyFocusableControl) {
  HWND ok = box_->OKButton;
  EXPECT_EQ(WindowText(ok), "OK");
  EXPECT_EQ(GetDlgCtrlID(ok), IDOK);
  EXPECT_EQ(GetWindowLongA(ok, GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
  EXPECT_EQ(GetNextDlgTabItem(box_->Handle(), ok, FALSE), ok);
  const int height = MeasuredTextHeight();
  RECT bounds;
  GetWindowRect(ok, &bounds);
  MapWindowPoints(nullptr, box_->Handle(), reinterpret_cast<POINT*>(&bounds), 2);
  EXPECT_EQ(bounds.left, AboutScale(111, height));
  EXPECT_EQ(bounds.top, AboutScale(228, height));
}

TEST_F(AboutBoxTest, OKGivesOneAndHidesTheBox) {
  bool visible = false;
  EXPECT_EQ(ShowWith({[&] {
              visible = IsWindowVisible(box_->Handle());
              Close(WM_COMMAND, IDOK);
            }}),
            1);
  EXPECT_TRUE(visible);
  EXPECT_FALSE(IsWindowVisible(box_->Handle()));
}

TEST_F(AboutBoxTest, CloseRequestGivesTwo) {
  EXPECT_EQ(ShowWith({[&] { Close(WM_CLOSE); }}), 2);
}

TEST_F(AboutBoxTest, EscapeDoesNothing) {
  bool stillOpen = false;
  EXPECT_EQ(ShowWith({[&] {
                        PostMessageA(box_->OKButton, WM_KEYDOWN, VK_ESCAPE, 0);
                        PostMessageA(box_->OKButton, WM_KEYUP, VK_ESCAPE, 0xC0000000);
                      },
                      [&] { stillOpen = IsWindowVisible(box_->Handle()); },
                      [&] { Close(WM_COMMAND, IDOK); }}),
            1);
  EXPECT_TRUE(stillOpen);
}

TEST_F(AboutBoxTest, RequestToEndTheProgramGivesTwoAndIsPassedOn) {
  EXPECT_EQ(ShowWith({[] { PostQuitMessage(7); }}), 2);
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 7u);
}

TEST_F(AboutBoxTest, OtherWindowsAreDisabledWhileOpenAndEnabledAfter) {
  bool mainEnabled = true;
  ShowWith({[&] {
    mainEnabled = IsWindowEnabled(main_);
    Close(WM_CLOSE);
  }});
  EXPECT_FALSE(mainEnabled);
  EXPECT_TRUE(IsWindowEnabled(main_));
}

namespace {

// What the windows of this thread are told, in order, while a hook is set.
std::vector<std::pair<HWND, UINT>> toldInOrder;

LRESULT CALLBACK RecordEnableAndShow(int code, WPARAM wParam, LPARAM lParam) {
  const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && (call->message == WM_ENABLE || call->message == WM_SHOWWINDOW)) {
    toldInOrder.emplace_back(call->hwnd, call->message);
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

// Hiding the active window hands the activation on; were ours still disabled, it would go to
// another program's window and leave the main window behind it.
TEST_F(AboutBoxTest, OtherWindowsAreEnabledBeforeTheBoxHides) {
  HHOOK hook = nullptr;
  ShowWith({[&] {
    toldInOrder.clear();
    hook = SetWindowsHookExA(WH_CALLWNDPROC, RecordEnableAndShow, nullptr, GetCurrentThreadId());
    Close(WM_COMMAND, IDOK);
  }});
  UnhookWindowsHookEx(hook);
  const auto enabled = std::find(toldInOrder.begin(), toldInOrder.end(),
                                 std::make_pair(main_, static_cast<UINT>(WM_ENABLE)));
  const auto hidden = std::find(toldInOrder.begin(), toldInOrder.end(),
                                std::make_pair(box_->Handle(), static_cast<UINT>(WM_SHOWWINDOW)));
  ASSERT_NE(enabled, toldInOrder.end());
  ASSERT_NE(hidden, toldInOrder.end());
  EXPECT_LT(enabled - toldInOrder.begin(), hidden - toldInOrder.begin());
}

TEST_F(AboutBoxTest, FirstShowingCentresAndAMovedBoxReopensWhereItWasLeft) {
  RECT first{};
  ShowWith({[&] {
    GetWindowRect(box_->Handle(), &first);
    SetWindowPos(box_->Handle(), nullptr, 30, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    Close(WM_CLOSE);
  }});
  EXPECT_EQ(first.left,
            std::max(0L, (GetSystemMetrics(SM_CXSCREEN) - (first.right - first.left)) / 2));
  EXPECT_EQ(first.top,
            std::max(0L, (GetSystemMetrics(SM_CYSCREEN) - (first.bottom - first.top)) / 2));
  RECT second{};
  ShowWith({[&] {
    GetWindowRect(box_->Handle(), &second);
    Close(WM_CLOSE);
  }});
  EXPECT_EQ(second.left, 30);
  EXPECT_EQ(second.top, 40);
}

TEST_F(AboutBoxTest, CursorIsResetWhileOpenAndGivenBackUntouched) {
  TheProgramCursor().Set(crArrow);
  CursorValue during = crArrow;
  ShowWith({[&] {
    during = TheProgramCursor().Value();
    Close(WM_CLOSE);
  }});
  EXPECT_EQ(during, crDefault);
  EXPECT_EQ(TheProgramCursor().Value(), crArrow);
  TheProgramCursor().Set(crDefault);
}

TEST_F(AboutBoxTest, HoverOverTheLinkShowsTheHandAndClosingLeavesTheDefault) {
  TheProgramCursor().Set(crArrow);
  CursorValue overLink = crDefault;
  CursorValue overMain = crArrow;
  HCURSOR shownOverLink = nullptr;
  ShowWith({[&] {
              POINT link{box_->Comments.bounds.left + 3, box_->Comments.bounds.top + 3};
              ClientToScreen(box_->Handle(), &link);
              SetCursorPos(link.x, link.y);
            },
            [&] {
              TrackHoverAtIdle();
              overLink = TheProgramCursor().Value();
              shownOverLink = GetCursor();
              RECT mainRect;
              GetWindowRect(main_, &mainRect);
              SetCursorPos(mainRect.left + 10, mainRect.bottom - 10);
            },
            [&] {
              TrackHoverAtIdle();  // onto the disabled main window
              overMain = TheProgramCursor().Value();
              POINT link{box_->Comments.bounds.left + 3, box_->Comments.bounds.top + 3};
              ClientToScreen(box_->Handle(), &link);
              SetCursorPos(link.x, link.y);
            },
            [&] {
              TrackHoverAtIdle();
              Close(WM_COMMAND, IDOK);  // closed with the pointer on the link
            }});
  EXPECT_EQ(overLink, crHandPoint);
  EXPECT_EQ(shownOverLink, CursorImage(crHandPoint));
  EXPECT_EQ(overMain, crDefault);
  EXPECT_EQ(TheProgramCursor().Value(), crDefault);
}

TEST_F(AboutBoxTest, SetCursorHookCoversClientAreasOnlyWhileTheCursorIsSet) {
  HWND box = box_->Handle();
  EXPECT_FALSE(ProgramCursorOnSetCursor(box, reinterpret_cast<WPARAM>(box), HTCLIENT));
  TheProgramCursor().Set(crHandPoint);
  EXPECT_TRUE(ProgramCursorOnSetCursor(box, reinterpret_cast<WPARAM>(box), HTCLIENT));
  EXPECT_TRUE(ProgramCursorOnSetCursor(box, reinterpret_cast<WPARAM>(box_->OKButton), HTCLIENT));
  EXPECT_FALSE(ProgramCursorOnSetCursor(box, reinterpret_cast<WPARAM>(box), HTCAPTION));
  EXPECT_FALSE(ProgramCursorOnSetCursor(box, reinterpret_cast<WPARAM>(main_), HTCLIENT));
  TheProgramCursor().Set(crDefault);
}

TEST(HandCursorImage, FallsBackToTheSystemHandWithoutTheProgramsOwn) {
  // This test program carries no cursor resources.
  EXPECT_EQ(CursorImage(crHandPoint), LoadCursorA(nullptr, IDC_HAND));
  EXPECT_EQ(CursorImage(crDefault), LoadCursorA(nullptr, IDC_ARROW));
}
