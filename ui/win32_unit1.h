// Unit1: the main window TForm1 -- menu, toolbar in a band, the driver list, the status bar --
// and the handlers that route each command to the room that does its work.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "inventory/driver_row.h"
#include "output/print_report.h"
#include "output/text_export.h"
#include "output/text_file.h"
#include "output/win32_file_api.h"
#include "output/printer.h"
#include "output/win32_printer.h"
#include "ui/menu_model.h"
#include "ui/win32_application.h"
#include "ui/win32_save_dialog.h"

// The sender of a handler: the menu item, toolbar button or form that started it.
using TSender = const void*;

class TForm1 {
 public:
  // Creates the window and its components from the stored layout, still hidden, and makes it
  // the application's main window.
  explicit TForm1(TApplication& application);
  ~TForm1();
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;

  HWND Handle() const { return handle_; }
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

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK CoolBarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR id, DWORD_PTR form);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleNotify(const NMHDR& header);
  void HandleCommand(WPARAM wParam, LPARAM lParam);

  void BuildMenu();
  void CreateComponents();
  void ArrangeComponents();
  const MenuItem& Item(std::string_view name) const;
  void PaintBandBackground(HDC dc) const;
  void SyncListCount();
  void SetStatusText(int panel, const std::string& text);
  std::string CellText(int row, int column) const;
  static std::vector<ReportColumn> ColumnsOf(HWND listView);
  void PrintListView(HWND listView);
  void RunHeldCommands();

  TApplication& application_;
  HWND handle_ = nullptr;
  HFONT font_ = nullptr;
  HFONT statusFont_ = nullptr;
  HBITMAP bandBitmap_ = nullptr;
  int textHeight_ = 0;  // measured height of "0" in the window font
  std::vector<MenuItem> menu_;
  std::vector<const MenuItem*> commands_;  // menu command id - kFirstMenuCommand -> item
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
