// Unit1: the main window TForm1 -- menu, toolbar in a band, the driver list, the status bar --
// and the handlers that route each command to the room that does its work.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "common/win32_handles.h"
#include "inventory/driver_row.h"
#include "output/print_report.h"
#include "output/text_file.h"
#include "output/win32_file_api.h"
#include "ui/command_table.h"
#include "ui/menu_model.h"
#include "ui/win32_save_dialog.h"
#include "ui/win32_tool_band.h"
#include "ui/win32_window.h"

class TApplication;
class Win32PrinterApi;

// The sender of a handler: the menu item, toolbar button or form that started it.
using TSender = const void*;

class TForm1 final : public ProgramWindow {
 public:
  // Creates the window and its components from the stored layout, still hidden, and makes it
  // the application's main window.
  explicit TForm1(TApplication& application);
  ~TForm1();

  const RowStore& Rows() const { return rows_; }
  // The columns of ListView1 as they stand now: caption and current width in pixels.
  std::vector<ReportColumn> ListColumns() const { return ColumnsOf(ListView1); }
  std::string StatusText(int panel) const;

  void ToolButton4Click(TSender Sender);
  void Exit1Click(TSender Sender);
  void Refresh1Click(TSender Sender);
  void ToolButton1Click(TSender Sender);
  void FormShow(TSender Sender);
  void About1Click(TSender Sender);
  void Print1Click(TSender Sender);
  void ToolButton3Click(TSender Sender);
  void Save1Click(TSender Sender);
  void ToolButton2Click(TSender Sender);

  // Components, named as in the layout.
  HWND CoolBar1 = nullptr;
  HWND ToolBar1 = nullptr;
  HWND ListView1 = nullptr;
  HWND StatusBar1 = nullptr;
  HMENU MainMenu1 = nullptr;
  HIMAGELIST ImageList2 = nullptr;
  TSaveDialog SaveDialog1;
  // The menu items the toolbar and the show event click, found when the menu is built.
  const MenuItem* Save1 = nullptr;
  const MenuItem* Print1 = nullptr;
  const MenuItem* Refresh1 = nullptr;

 private:
  LRESULT HandleWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  LRESULT HandleNotify(const NMHDR& header);
  void HandleCommand(WPARAM wParam, LPARAM lParam);

  UniqueHmenu BuildMenu();
  void CreateComponents();
  void ArrangeComponents();
  void SyncListCount();
  void SetStatusText(int panel, const std::string& text);
  static std::vector<ReportColumn> ColumnsOf(HWND listView);
  void PrintListView(HWND listView);
  void RunHeldCommands();

  TApplication& application_;
  UniqueHfont font_;
  UniqueHfont statusFont_;
  int textHeight_ = 0;  // measured height of "0" in the window font
  std::vector<MenuItem> menu_;
  CommandTable commands_;  // every menu item and toolbar button, by command id
  ToolBand toolBand_;
  RowStore rows_;
  std::string cellBuffer_;  // the text last handed to the list view

  Win32FileApi files_;
  IoResult ioResult_;  // the pending I/O result, clear between commands

  // The printer object lives for the rest of the run once the first Print has made it.
  std::unique_ptr<Win32PrinterApi> printerApi_;
  std::unique_ptr<TPrinter> printer_;
  // While a report reads the rows, commands that reach the window through the job's message
  // dispatch and would change or drop them (Refresh, closing) wait for the job to end.
  PrintHold printHold_;
  bool refreshHeld_ = false;
  bool closeHeld_ = false;
};

// The program's main window.
extern TForm1* Form1;
