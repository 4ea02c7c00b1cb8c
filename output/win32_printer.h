// The printer layer's Windows back end: the common print dialog, GDI and the spooler, one
// call for each operation of PrinterApi.
#pragma once

#include <windows.h>

#include <exception>
#include <functional>

#include "output/printer.h"

class Win32PrinterApi : public PrinterApi {
 public:
  // What the back end takes from the shell:
  // mainWindow: the dialog's owner and anchor when none of the program's windows is active.
  // processMessages: how the abort check dispatches pending messages (the application's own
  // loop step, with its shortcuts).
  // placeDialog(dialog, anchor): where the shell puts the print dialog once it is set up; when
  // empty, the dialog stays where Windows put it.
  // reportError: where an error that reaches the dialog's hook or the abort procedure is
  // reported (neither may let it unwind into Windows); when empty, it is dropped.
  using ErrorReporter = std::function<void(std::exception_ptr error)>;
  Win32PrinterApi(HWND mainWindow, std::function<void()> processMessages,
                  std::function<void(HWND, HWND)> placeDialog = {}, ErrorReporter reportError = {});

  bool DefaultPrinter(PrinterDevice* device) override;
  bool PrintDialog(PrinterDevice* device) override;
  PrinterHandle CreateDCA(const PrinterDevice& device) override;
  bool DeleteDC(PrinterHandle dc) override;
  int SetAbortProc(PrinterHandle dc, PrinterAbortCheck* check) override;
  int StartDocA(PrinterHandle dc, const std::string& docName) override;
  int StartPage(PrinterHandle dc) override;
  int EndPage(PrinterHandle dc) override;
  int EndDoc(PrinterHandle dc) override;
  int GetDeviceCaps(PrinterHandle dc, int index) override;
  PrinterHandle CreateFontIndirectA(const PrinterFont& font) override;
  PrinterHandle GetStockObject(int index) override;
  PrinterHandle SelectObject(PrinterHandle dc, PrinterHandle object) override;
  bool DeleteObject(PrinterHandle object) override;
  std::uint32_t SetTextColor(PrinterHandle dc, std::uint32_t color) override;
  std::uint32_t SetBkColor(PrinterHandle dc, std::uint32_t color) override;
  int SetBkMode(PrinterHandle dc, int mode) override;
  bool GetTextExtentPoint32A(PrinterHandle dc, std::string_view text, int* width,
                             int* height) override;
  bool MoveToEx(PrinterHandle dc, int x, int y) override;
  bool LineTo(PrinterHandle dc, int x, int y) override;
  bool ExtTextOutA(PrinterHandle dc, int x, int y, unsigned options, const Rect* rect,
                   std::string_view text) override;
  std::string ShortDate() override;
  void DispatchPendingMessages() override;

 private:
  HWND mainWindow_;
  std::function<void()> processMessages_;
  std::function<void(HWND, HWND)> placeDialog_;
  ErrorReporter reportError_;
};
