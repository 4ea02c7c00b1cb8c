// SaveDialog1 under the real comdlg32: a driver thread plays the user while the test's
// thread sits in the modal dialog, and notes what it saw for the test to judge afterwards.
#include <windows.h>
#include <commdlg.h>
#include <dlgs.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <functional>
#include <string>
#include <utility>

#include "ui/placement.h"
#include "ui/win32_save_dialog.h"

namespace {

BOOL CALLBACK FindVisibleDialog(HWND window, LPARAM found) {
  char className[32] = {};
  GetClassNameA(window, className, sizeof(className));
  if (std::string(className) == "#32770" && IsWindowVisible(window)) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

HWND WaitForDialog(DWORD threadId) {
  for (int tries = 0; tries < 500; ++tries) {
    HWND found = nullptr;
    EnumThreadWindows(threadId, FindVisibleDialog, reinterpret_cast<LPARAM>(&found));
    if (found != nullptr) return found;
    Sleep(20);
  }
  return nullptr;
}

std::string TextOf(HWND window) {
  char text[512] = {};
  GetWindowTextA(window, text, sizeof(text));
  return text;
}

// Runs `body` on a thread of its own; Join waits for its end. The runtime is built with the
// win32 thread model, which has no std::thread.
class DriverThread {
 public:
  explicit DriverThread(std::function<void()> body)
      : body_(std::move(body)), handle_(CreateThread(nullptr, 0, Run, this, 0, nullptr)) {}
  DriverThread(const DriverThread&) = delete;
  DriverThread& operator=(const DriverThread&) = delete;
  ~DriverThread() { Join(); }

  void Join() {
    if (handle_ == nullptr) return;
    WaitForSingleObject(handle_, INFINITE);
    CloseHandle(handle_);
    handle_ = nullptr;
  }

 private:
  static DWORD WINAPI Run(LPVOID self) {
    static_cast<DriverThread*>(self)->body_();
    return 0;
  }

  std::function<void()> body_;
  HANDLE handle_;
};

// What the driver thread saw of the dialog.
struct Seen {
  bool shown = false;
  std::string title;
  std::string filePath;
  bool readOnlyBoxVisible = true;
  bool resizable = false;
  int filterCount = 0;
  int filterSelected = -1;
  std::string filterText;
  RECT box{};
  bool mainEnabled = true;
};

enum class Answer { kAccept, kCancel };

class SaveDialogUnderWine : public ::testing::Test {
 protected:
  // The owner stays hidden: destroying a shown window costs Wine two seconds without a window
  // manager, and the dialog's placement only needs the owner's monitor.
  void SetUp() override {
    owner_ = CreateWindowExA(0, "STATIC", "Tolvane", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr,
                             nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(owner_, nullptr);
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    folder_ = temp;
    if (!folder_.empty() && folder_.back() == '\\') folder_.pop_back();
  }
  void TearDown() override { DestroyWindow(owner_); }

  // Runs the dialog; the driver types `name` (unless empty) and answers.
  bool Run(const std::string& name, Answer answer) {
    const DWORD self = GetCurrentThreadId();
    seen_ = Seen{};
    std::atomic<bool> ended{false};
    DriverThread driver([&] {
      const HWND dialog = WaitForDialog(self);
      if (dialog == nullptr) return;
      Observe(dialog);
      if (!name.empty()) {
        const int nameControl = GetDlgItem(dialog, cmb13) != nullptr ? cmb13 : edt1;
        SendMessageA(dialog, CDM_SETCONTROLTEXT, nameControl,
                     reinterpret_cast<LPARAM>(name.c_str()));
      }
      const int button = answer == Answer::kAccept ? IDOK : IDCANCEL;
      PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                   reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
      // Whatever the dialog asks next (it should ask nothing), end it.
      for (int tries = 0; tries < 100 && !ended; ++tries) Sleep(20);
      if (!ended) PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    const bool accepted = dialog_.Execute(owner_, owner_);
    ended = true;
    driver.Join();
    return accepted;
  }

  void Observe(HWND dialog) {
    seen_.shown = true;
    seen_.title = TextOf(dialog);
    char path[MAX_PATH] = {};
    SendMessageA(dialog, CDM_GETFILEPATH, sizeof(path), reinterpret_cast<LPARAM>(path));
    seen_.filePath = path;
    const HWND readOnly = GetDlgItem(dialog, chx1);
    seen_.readOnlyBoxVisible = readOnly != nullptr && IsWindowVisible(readOnly);
    seen_.resizable = (GetWindowLongA(dialog, GWL_STYLE) & WS_THICKFRAME) != 0;
    const HWND filter = GetDlgItem(dialog, cmb1);
    seen_.filterCount = static_cast<int>(SendMessageA(filter, CB_GETCOUNT, 0, 0));
    seen_.filterSelected = static_cast<int>(SendMessageA(filter, CB_GETCURSEL, 0, 0));
    char entry[128] = {};
    SendMessageA(filter, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(entry));
    seen_.filterText = entry;
    GetWindowRect(dialog, &seen_.box);
    seen_.mainEnabled = main_ != nullptr && IsWindowEnabled(main_);
  }

  std::string PathOf(const std::string& name) const { return folder_ + "\\" + name; }

  HWND owner_ = nullptr;
  // A shown window of the thread besides the owner, as the main window is.
  HWND main_ = nullptr;
  std::string folder_;
  TSaveDialog dialog_;
  Seen seen_;
};

TEST_F(SaveDialogUnderWine, ShowsTheSystemsSaveDialogWithOneTextFilter) {
  EXPECT_FALSE(Run("", Answer::kCancel));
  ASSERT_TRUE(seen_.shown);
  EXPECT_EQ(seen_.title, "Save As");
  EXPECT_EQ(seen_.filterCount, 1);
  EXPECT_EQ(seen_.filterSelected, 0);
  EXPECT_EQ(seen_.filterText, "Text File (*.TXT)");
  EXPECT_FALSE(seen_.readOnlyBoxVisible);
  EXPECT_TRUE(seen_.resizable);
}

TEST_F(SaveDialogUnderWine, IsCentredWithAThirdOfTheFreeHeightAbove) {
  Run("", Answer::kCancel);
  ASSERT_TRUE(seen_.shown);
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  GetMonitorInfoA(MonitorFromWindow(owner_, MONITOR_DEFAULTTOPRIMARY), &info);
  const Rect work{info.rcWork.left, info.rcWork.top, info.rcWork.right, info.rcWork.bottom};
  const ScreenPoint expected =
      CommonDialogOrigin(work, seen_.box.right - seen_.box.left, seen_.box.bottom - seen_.box.top);
  EXPECT_EQ(seen_.box.left, expected.x);
  EXPECT_EQ(seen_.box.top, expected.y);
}

// The owner is the application's hidden window, which comdlg32 disables by itself; the main
// window must not take input under the dialog either, and is active again afterwards.
class SaveDialogModality : public SaveDialogUnderWine {
 protected:
  void SetUp() override {
    SaveDialogUnderWine::SetUp();
    main_ = CreateWindowExA(0, "STATIC", "Main", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200,
                            owner_, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(main_, nullptr);
    SetActiveWindow(main_);
  }
  void TearDown() override {
    DestroyWindow(main_);
    SaveDialogUnderWine::TearDown();
  }
};

TEST_F(SaveDialogModality, MainWindowTakesNoInputWhileTheDialogIsOpen) {
  Run("", Answer::kCancel);
  ASSERT_TRUE(seen_.shown);
  EXPECT_FALSE(seen_.mainEnabled);
}

TEST_F(SaveDialogModality, MainWindowIsEnabledAndActiveAfterCancel) {
  EXPECT_FALSE(Run("", Answer::kCancel));
  EXPECT_TRUE(IsWindowEnabled(main_));
  EXPECT_EQ(GetActiveWindow(), main_);
}

TEST_F(SaveDialogModality, MainWindowIsEnabledAndActiveAfterAccepting) {
  ASSERT_TRUE(Run(PathOf("tolvane_modal.txt"), Answer::kAccept));
  EXPECT_TRUE(IsWindowEnabled(main_));
  EXPECT_EQ(GetActiveWindow(), main_);
}

TEST_F(SaveDialogModality, ADisabledWindowStaysDisabled) {
  // A window that took no input before the dialog must not be handed input afterwards.
  EnableWindow(main_, FALSE);
  Run("", Answer::kCancel);
  EXPECT_FALSE(IsWindowEnabled(main_));
}

TEST_F(SaveDialogUnderWine, AcceptedNameIsKeptAndOfferedNextTime) {
  const std::string path = PathOf("drivers.txt");
  ASSERT_TRUE(Run(path, Answer::kAccept));
  EXPECT_EQ(dialog_.FileName(), path);
  EXPECT_EQ(dialog_.FilterIndex(), 1u);
  EXPECT_FALSE(Run("", Answer::kCancel));
  EXPECT_EQ(seen_.filePath, path);
}

TEST_F(SaveDialogUnderWine, CancelKeepsTheEarlierName) {
  const std::string path = PathOf("first.txt");
  ASSERT_TRUE(Run(path, Answer::kAccept));
  EXPECT_FALSE(Run(PathOf("second.txt"), Answer::kCancel));
  EXPECT_EQ(dialog_.FileName(), path);
  EXPECT_FALSE(Run("", Answer::kCancel));
  EXPECT_EQ(seen_.filePath, path);
}

TEST_F(SaveDialogUnderWine, NameWithoutExtensionGetsNone) {
  ASSERT_TRUE(Run(PathOf("report"), Answer::kAccept));
  EXPECT_EQ(dialog_.FileName(), PathOf("report"));
  ASSERT_TRUE(Run(PathOf("report.csv"), Answer::kAccept));
  EXPECT_EQ(dialog_.FileName(), PathOf("report.csv"));
}

TEST_F(SaveDialogUnderWine, ExistingFileIsAcceptedWithoutAQuestion) {
  const std::string path = PathOf("tolvane_existing.txt");
  FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  std::fclose(file);
  EXPECT_TRUE(Run(path, Answer::kAccept));
  EXPECT_EQ(dialog_.FileName(), path);
  DeleteFileA(path.c_str());
}

TEST_F(SaveDialogUnderWine, DialogDoesNotCreateTheFile) {
  const std::string path = PathOf("tolvane_never_written.txt");
  ASSERT_TRUE(Run(path, Answer::kAccept));
  EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
