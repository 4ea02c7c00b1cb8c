// The report drawn into an enhanced-metafile device context through the printer layer,
// against a bare loop of the same GDI calls with the same arguments, in one run. The ratio
// is the cost of the layer and of laying the pages out.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "output/print_report.h"
#include "bench_rows.h"
#include "report_fixtures.h"
#include "output/win32_printer.h"

namespace {

constexpr std::size_t kRows = 20000;

// The real GDI calls, on a metafile instead of a printer: no dialog, no spooler.
class MetafilePrinterApi : public Win32PrinterApi {
 public:
  MetafilePrinterApi() : Win32PrinterApi(nullptr, [] {}) {}
  bool DefaultPrinter(PrinterDevice* device) override {
    *device = {"", "Metafile", "", PrinterSettings{}};
    return true;
  }
  bool PrintDialog(PrinterDevice*) override { return true; }
  PrinterHandle CreateDCA(const PrinterDevice&) override {
    return reinterpret_cast<PrinterHandle>(CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr));
  }
  bool DeleteDC(PrinterHandle dc) override {
    return DeleteEnhMetaFile(CloseEnhMetaFile(reinterpret_cast<HDC>(dc))) != FALSE;
  }
  int SetAbortProc(PrinterHandle, PrinterAbortCheck*) override { return 1; }
  int StartDocA(PrinterHandle, const std::string&) override { return 1; }
  int StartPage(PrinterHandle) override { return 1; }
  int EndPage(PrinterHandle) override { return 1; }
  int EndDoc(PrinterHandle) override { return 1; }
};

HFONT Font(int points, bool bold, int pixelsPerInch) {
  LOGFONTA description{};
  description.lfHeight = FontHeightForPoints(points, pixelsPerInch);
  description.lfWeight = bold ? 700 : 400;
  description.lfCharSet = DEFAULT_CHARSET;
  lstrcpynA(description.lfFaceName, "Times New Roman", LF_FACESIZE);
  return CreateFontIndirectA(&description);
}

// The same calls the report makes, from precomputed geometry: what any program drawing this
// table would have to pay.
void BareLoop(const RowStore& rows, const std::vector<ReportColumn>& columns) {
  HDC dc = CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr);
  const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
  PageMetrics page{GetDeviceCaps(dc, HORZRES), GetDeviceCaps(dc, VERTRES),
                   GetDeviceCaps(dc, PHYSICALOFFSETX), GetDeviceCaps(dc, PHYSICALOFFSETY)};
  ReportLayout layout = ReportLayout::ForPage(page, columns);
  HFONT body = Font(10, false, dpi);
  HFONT bold = Font(10, true, dpi);
  HFONT small = Font(8, false, dpi);
  HFONT large = Font(18, false, dpi);
  SelectObject(dc, GetStockObject(BLACK_PEN));
  SelectObject(dc, GetStockObject(WHITE_BRUSH));
  SetBkMode(dc, OPAQUE);
  SelectObject(dc, body);
  SIZE size;
  GetTextExtentPoint32A(dc, "dummy", 5, &size);
  layout.SetLineHeight(page, size.cy);
  const std::vector<int>& e = layout.columnEdges;
  const int inset = layout.cellInset;
  int slot = 0;
  for (std::size_t r = 0; r < rows.Count(); ++r) {
    if (slot == 0 || slot > layout.rowsPerPage) {
      for (std::size_t i = 1; i < columns.size(); ++i) {
        MoveToEx(dc, e[i], layout.tableTop, nullptr);
        LineTo(dc, e[i], layout.tableTop + (layout.rowsPerPage + 1) * layout.lineHeight);
      }
      SelectObject(dc, bold);
      for (std::size_t i = 0; i < columns.size(); ++i) {
        GetTextExtentPoint32A(dc, columns[i].caption.c_str(),
                              static_cast<int>(columns[i].caption.size()), &size);
        RECT cell{e[i] + inset, layout.tableTop - layout.headerLift, e[i + 1] - inset,
                  layout.tableTop - layout.headerLift + layout.lineHeight};
        ExtTextOutA(dc, e[i] + (e[i + 1] - e[i]) / 2 - size.cx / 2, cell.top,
                    ETO_CLIPPED | ETO_OPAQUE, &cell, columns[i].caption.c_str(),
                    static_cast<UINT>(columns[i].caption.size()), nullptr);
      }
      MoveToEx(dc, e.front() - inset, layout.tableTop + layout.lineHeight - layout.ruleLift,
               nullptr);
      LineTo(dc, e.back() + inset, layout.tableTop + layout.lineHeight - layout.ruleLift);
      SelectObject(dc, small);
      const char line[] = "Date: 1/1/24 Page: 1 / 1";
      GetTextExtentPoint32A(dc, line, sizeof(line) - 1, &size);
      ExtTextOutA(dc, 1000, 15, 0, nullptr, line, sizeof(line) - 1, nullptr);
      SelectObject(dc, large);
      GetTextExtentPoint32A(dc, "Tolvane", 7, &size);
      ExtTextOutA(dc, 85, 30, 0, nullptr, "Tolvane", 7, nullptr);
      SelectObject(dc, body);
      slot = 1;
    }
    const DriverRow& row = rows.Row(r);
    const int top = layout.tableTop + slot * layout.lineHeight;
    for (std::size_t j = 0; j < columns.size(); ++j) {
      const std::string& text = j == 0 ? row.caption : row.subItems[j - 1];
      RECT cell{e[j] + inset, top, e[j + 1] - inset, top + layout.lineHeight};
      ExtTextOutA(dc, e[j] + inset, top, ETO_CLIPPED | ETO_OPAQUE, &cell, text.c_str(),
                  static_cast<UINT>(text.size()), nullptr);
    }
    ++slot;
  }
  DeleteEnhMetaFile(CloseEnhMetaFile(dc));
  for (HFONT font : {body, bold, small, large}) DeleteObject(font);
}

double Seconds(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main() {
  const RowStore rows = ReportBenchRows(kRows);
  const std::vector<ReportColumn> columns = DriverColumns();

  MetafilePrinterApi api;
  TPrinter printer(api);
  PrintHold hold;
  double report = 1e30;
  double bare = 1e30;
  // Alternating runs, best of each: the machine is shared and noisy.
  for (int run = 0; run < 5; ++run) {
    report = std::min(report, Seconds([&] { PrintListView(printer, columns, rows, hold); }));
    bare = std::min(bare, Seconds([&] { BareLoop(rows, columns); }));
  }
  std::printf("rows %zu: report %.3f s, bare GDI loop %.3f s\n", kRows, report, bare);
  std::printf("report / bare: %.3f (at most 1.20)\n", report / bare);
  return report / bare <= 1.20 ? 0 : 1;
}
