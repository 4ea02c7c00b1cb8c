// Form1 in this process: its components as the layout describes them, the menu texts, the
// shortcut check in the message loop, and the Refresh into the owner-data list, with HKLM
// redirected to a scratch key.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "common/exception.h"
#include "inventory/driver_row.h"
#include "ui/maker.h"
#include "ui/win32_application.h"
#include "ui/win32_unit1.h"

#include "error_of.h"
#include "win32_window_fault.h"

namespace {

constexpr char kScratch[] = "Software\\TolvaneUnit1Test";
constexpr char kClassKey[] = "SYSTEM\\ControlSet002\\Control\\Class";

class Unit1Test : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    application_ = new TApplication(GetModuleHandleA(nullptr));
    form_ = new TForm1(*application_);
  }
  static void TearDownTestSuite() {
    delete form_;
    delete application_;
  }

  void SetUp() override {
    RegDeleteTreeA(HKEY_CURRENT_USER, kScratch);
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kScratch, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &scratch_, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegOverridePredefKey(HKEY_LOCAL_MACHINE, scratch_), ERROR_SUCCESS);
  }
  void TearDown() override {
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    RegCloseKey(scratch_);
    RegDeleteTreeA(HKEY_CURRENT_USER, kScratch);
  }

  // count classes; class number `dwordAt` (1-based) has a REG_DWORD InfSection.
  static void WriteClasses(int count, int dwordAt = 0) {
    HKEY classes = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kClassKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &classes, nullptr),
              ERROR_SUCCESS);
    for (int i = 1; i <= count; ++i) {
      const std::string name = "Class" + std::to_string(100 + i) + "\\0000";
      HKEY key = nullptr;
      ASSERT_EQ(RegCreateKeyExA(classes, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                nullptr),
                ERROR_SUCCESS);
      for (const DriverColumn& column : kDriverColumns) {
        const std::string value = std::string(column.valueName) + " " + std::to_string(i);
        const std::string valueName(column.valueName);
        if (i == dwordAt && valueName == "InfSection") {
          const DWORD number = 1;
          RegSetValueExA(key, valueName.c_str(), 0, REG_DWORD,
                         reinterpret_cast<const BYTE*>(&number), sizeof(number));
        } else {
          RegSetValueExA(key, valueName.c_str(), 0, REG_SZ,
                         reinterpret_cast<const BYTE*>(value.c_str()),
                         static_cast<DWORD>(value.size() + 1));
        }
      }
      RegCloseKey(key);
    }
    RegCloseKey(classes);
  }

  static int ListCount() {
    return static_cast<int>(SendMessageA(form_->ListView1, LVM_GETITEMCOUNT, 0, 0));
  }

  static std::string Cell(int row, int column) {
    char text[256] = {};
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof(text);
    SendMessageA(form_->ListView1, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
    return text;
  }

  // Posts a key to the list view and lets the application's loop take it.
  static void Key(UINT message, WPARAM key, LPARAM flags = 0) {
    PostMessageA(form_->ListView1, message, key, flags | 1);
    MSG peek;
    while (PeekMessageA(&peek, nullptr, 0, 0, PM_NOREMOVE)) application_->HandleMessage();
  }

  static TApplication* application_;
  static TForm1* form_;
  HKEY scratch_ = nullptr;
};

TApplication* Unit1Test::application_ = nullptr;
TForm1* Unit1Test::form_ = nullptr;

std::string MenuText(HMENU menu, UINT position) {
  char text[128] = {};
  GetMenuStringA(menu, position, text, sizeof(text), MF_BYPOSITION);
  return text;
}

TEST_F(Unit1Test, TitleComesFromTheModuleName) {
  EXPECT_EQ(application_->Title(), "unit1_test");
  char text[64] = {};
  GetWindowTextA(application_->Handle(), text, sizeof(text));
  EXPECT_STREQ(text, "unit1_test");
  GetWindowTextA(form_->Handle(), text, sizeof(text));
  EXPECT_STREQ(text, "Tolvane");
  EXPECT_EQ(GetWindow(form_->Handle(), GW_OWNER), application_->Handle());
}

TEST_F(Unit1Test, TaskbarEntryMenuOffersOnlyRestoreMinimiseClose) {
  HMENU menu = GetSystemMenu(application_->Handle(), FALSE);
  EXPECT_EQ(GetMenuState(menu, SC_MOVE, MF_BYCOMMAND), static_cast<UINT>(-1));
  EXPECT_EQ(GetMenuState(menu, SC_SIZE, MF_BYCOMMAND), static_cast<UINT>(-1));
  EXPECT_EQ(GetMenuState(menu, SC_MAXIMIZE, MF_BYCOMMAND), static_cast<UINT>(-1));
  EXPECT_NE(GetMenuState(menu, SC_RESTORE, MF_BYCOMMAND), static_cast<UINT>(-1));
  EXPECT_NE(GetMenuState(menu, SC_MINIMIZE, MF_BYCOMMAND), static_cast<UINT>(-1));
  EXPECT_NE(GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND), static_cast<UINT>(-1));
}

TEST_F(Unit1Test, MenuShowsAccessKeysAndShortcutNames) {
  HMENU bar = GetMenu(form_->Handle());
  EXPECT_EQ(MenuText(bar, 0), "&File");
  EXPECT_EQ(MenuText(bar, 1), "&View");
  EXPECT_EQ(MenuText(bar, 2), "&Help");
  HMENU file = GetSubMenu(bar, 0);
  EXPECT_EQ(MenuText(file, 0), "&Save");
  EXPECT_EQ(MenuText(file, 1), "&Print\tCtrl+P");
  EXPECT_TRUE(GetMenuState(file, 2, MF_BYPOSITION) & MF_SEPARATOR);
  EXPECT_EQ(MenuText(file, 3), "&Exit\tF10");
  EXPECT_EQ(MenuText(GetSubMenu(bar, 1), 0), "&Refresh\tF5");
  EXPECT_EQ(MenuText(GetSubMenu(bar, 2), 0), "&About");
}

TEST_F(Unit1Test, ListViewHasTheNineColumnsAndTheAgreedStyles) {
  const auto columns = form_->ListColumns();
  ASSERT_EQ(columns.size(), kDriverColumns.size());
  for (std::size_t i = 0; i < columns.size(); ++i) {
    EXPECT_EQ(columns[i].caption, kDriverColumns[i].caption);
    EXPECT_EQ(columns[i].width, kDriverColumns[i].width);
  }
  const LONG_PTR style = GetWindowLongPtrA(form_->ListView1, GWL_STYLE);
  EXPECT_EQ(style & LVS_TYPEMASK, LVS_REPORT);
  EXPECT_TRUE(style & LVS_OWNERDATA);
  EXPECT_TRUE(style & LVS_SINGLESEL);
  EXPECT_FALSE(style & LVS_SHOWSELALWAYS);
  EXPECT_FALSE(style & LVS_EDITLABELS);
  EXPECT_FALSE(style & LVS_NOSORTHEADER);
  const auto extended = SendMessageA(form_->ListView1, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0);
  EXPECT_TRUE(extended & LVS_EX_GRIDLINES);
  EXPECT_TRUE(extended & LVS_EX_FULLROWSELECT);
}

TEST_F(Unit1Test, ColumnsReportTheirCurrentWidth) {
  SendMessageA(form_->ListView1, LVM_SETCOLUMNWIDTH, 2, 77);
  EXPECT_EQ(form_->ListColumns()[2].width, 77);
  SendMessageA(form_->ListView1, LVM_SETCOLUMNWIDTH, 2, kDriverColumns[2].width);
}

TEST_F(Unit1Test, StatusBarHasTwoPanelsOfOneHundredFifty) {
  int parts[4] = {};
  ASSERT_EQ(SendMessageA(form_->StatusBar1, SB_GETPARTS, 4, reinterpret_cast<LPARAM>(parts)), 2);
  EXPECT_EQ(parts[0], 150);
  EXPECT_EQ(parts[1], 300);
  EXPECT_EQ(form_->StatusText(1), kMakerWebPage);
  EXPECT_FALSE(GetWindowLongPtrA(form_->StatusBar1, GWL_STYLE) & SBARS_SIZEGRIP);
}

TEST_F(Unit1Test, ToolbarHasFourButtonsOfTheLayoutSize) {
  EXPECT_EQ(SendMessageA(form_->ToolBar1, TB_BUTTONCOUNT, 0, 0), 4);
  const auto size = static_cast<DWORD>(SendMessageA(form_->ToolBar1, TB_GETBUTTONSIZE, 0, 0));
  EXPECT_EQ(LOWORD(size), 81);
  EXPECT_EQ(HIWORD(size), 53);
  const LONG_PTR style = GetWindowLongPtrA(form_->ToolBar1, GWL_STYLE);
  EXPECT_TRUE(style & TBSTYLE_FLAT);
  EXPECT_TRUE(style & TBSTYLE_TRANSPARENT);
  EXPECT_FALSE(style & TBSTYLE_LIST);
}

TEST_F(Unit1Test, BandIsFixedWithoutGripper) {
  REBARBANDINFOA band{};
  band.cbSize = sizeof(band);
  band.fMask = RBBIM_STYLE | RBBIM_CHILD;
  ASSERT_TRUE(SendMessageA(form_->CoolBar1, RB_GETBANDINFOA, 0, reinterpret_cast<LPARAM>(&band)));
  EXPECT_EQ(band.fStyle & (RBBS_FIXEDSIZE | RBBS_FIXEDBMP | RBBS_NOGRIPPER),
            static_cast<UINT>(RBBS_FIXEDSIZE | RBBS_FIXEDBMP | RBBS_NOGRIPPER));
  EXPECT_EQ(band.hwndChild, form_->ToolBar1);
  // The band's bitmap is a resource of tolvane.exe only; the GUI tests' screenshots show it.
}

TEST_F(Unit1Test, RefreshShowsTheStoreThroughTheOwnerDataList) {
  WriteClasses(3);
  form_->Refresh1Click(nullptr);
  ASSERT_EQ(ListCount(), 3);
  EXPECT_EQ(form_->StatusText(0), "Count: 3");
  EXPECT_EQ(Cell(0, 0), "DriverDesc 1");
  EXPECT_EQ(Cell(2, 8), "EnumPropPages32 3");
  form_->Refresh1Click(nullptr);
  EXPECT_EQ(ListCount(), 3);
}

TEST_F(Unit1Test, ScanErrorLeavesRowsSoFarAndTheOldCount) {
  WriteClasses(2);
  form_->Refresh1Click(nullptr);
  ASSERT_EQ(form_->StatusText(0), "Count: 2");
  RegDeleteTreeA(HKEY_LOCAL_MACHINE, kClassKey);
  WriteClasses(5, 3);
  try {
    form_->Refresh1Click(nullptr);
    FAIL() << "expected the scan's error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Invalid data type for 'InfSection'");
  }
  EXPECT_EQ(ListCount(), 3);  // two whole rows and the one cut short
  EXPECT_EQ(Cell(2, 4), "InfPath 3");
  EXPECT_EQ(Cell(2, 5), "");  // a missing sub-item shows empty
  EXPECT_EQ(form_->StatusText(0), "Count: 2");
}

// A window the system will not create ends the construction with an error; what was made
// before it is freed and the globals still name the objects that live.
TEST_F(Unit1Test, RefusedWindowFreesWhatWasMadeAndLeavesTheGlobals) {
  struct Row {
    const char* refusedClass;
    std::function<void()> construct;
    const char* message;
  };
  const Row rows[] = {
      {"TolvaneApplication", [] { TApplication(GetModuleHandleA(nullptr)); },
       "Cannot create the application window"},
      {"TForm1", [] { TForm1 form(*application_); }, "Cannot create the main window"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.refusedClass);
    const ResourceUse before = CurrentResourceUse();
    {
      const RefusedWindow refused(row.refusedClass);
      ASSERT_TRUE(refused.Active());
      EXPECT_EQ(ErrorOf(row.construct), row.message);
    }
    const ResourceUse after = CurrentResourceUse();
    ASSERT_GE(before.gdi, 0);
    EXPECT_EQ(after.gdi, before.gdi);
    EXPECT_EQ(after.user, before.user);
    EXPECT_EQ(Application, application_);
    EXPECT_EQ(Form1, form_);
  }
}

TEST_F(Unit1Test, F5InTheLoopRefreshesButNotWithModifiers) {
  WriteClasses(1);
  form_->Refresh1Click(nullptr);
  WriteClasses(4);
  Key(WM_SYSKEYDOWN, VK_F5, 1 << 29);  // Alt+F5
  EXPECT_EQ(ListCount(), 1);
  Key(WM_KEYDOWN, VK_F5);
  EXPECT_EQ(ListCount(), 4);
}

TEST_F(Unit1Test, ShortcutsWaitWhileTheMainWindowIsDisabled) {
  WriteClasses(1);
  form_->Refresh1Click(nullptr);
  WriteClasses(2);
  EnableWindow(form_->Handle(), FALSE);
  Key(WM_KEYDOWN, VK_F5);
  EXPECT_EQ(ListCount(), 1);
  EnableWindow(form_->Handle(), TRUE);
  Key(WM_KEYDOWN, VK_F5);
  EXPECT_EQ(ListCount(), 2);
}

TEST_F(Unit1Test, FirstRestoreShowsTheWindowOnceMinimiseRestoreReadsNothing) {
  // As after a minimised start: the window was never shown, so restoring shows it, which
  // runs the show event and so the Refresh.
  WriteClasses(5);
  application_->Minimize();
  application_->Restore();
  EXPECT_TRUE(IsWindowVisible(form_->Handle()));
  EXPECT_EQ(ListCount(), 5);
  WriteClasses(6);
  application_->Minimize();
  EXPECT_FALSE(IsWindowVisible(form_->Handle()));
  application_->Restore();
  EXPECT_TRUE(IsWindowVisible(form_->Handle()));
  EXPECT_EQ(ListCount(), 5);
}

TEST_F(Unit1Test, AltF10IsNotExit) {
  Key(WM_SYSKEYDOWN, VK_F10, 1 << 29);
  EXPECT_TRUE(IsWindow(form_->Handle()));
  EXPECT_FALSE(application_->Terminated());
}

// Last: it ends the form.
TEST_F(Unit1Test, ZzF10ClosesTheMainWindowAndEndsTheLoop) {
  Key(WM_SYSKEYDOWN, VK_F10);
  EXPECT_FALSE(IsWindow(form_->Handle()));
  EXPECT_TRUE(application_->Terminated());
}

}  // namespace
