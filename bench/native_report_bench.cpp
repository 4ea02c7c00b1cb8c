// Lays out and draws a 100,000-row report into the recording printer: the report's own cost
// per row, without a device behind it.
#include <chrono>
#include <cstdio>

#include "output/print_report.h"
#include "bench_rows.h"
#include "report_fixtures.h"
#include "recording_printer.h"

int main() {
  constexpr std::size_t kRows = 100000;
  const RowStore rows = ReportBenchRows(kRows);
  const std::vector<ReportColumn> columns = DriverColumns();

  RecordingPrinterApi api;
  api.keepRecords = false;
  // Wine's PostScript page at 300 dots per inch.
  api.caps = {{kCapsHorzRes, 2329},
              {kCapsVertRes, 3358},
              {kCapsPhysicalOffsetX, 75},
              {kCapsPhysicalOffsetY, 75},
              {kCapsLogPixelsY, 300}};
  TPrinter printer(api);
  PrintHold hold;

  double best = 1e30;
  int pages = 0;
  for (int run = 0; run < 5; ++run) {
    const int pagesBefore = api.Count("StartPage");
    const auto start = std::chrono::steady_clock::now();
    PrintListView(printer, columns, rows, hold);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    pages = api.Count("StartPage") - pagesBefore;
    if (took.count() < best) best = took.count();
  }
  std::printf("rows %zu, pages %d, best of 5: %.3f s\n", kRows, pages, best);
  std::printf("microseconds per row: %.3f\n", best * 1e6 / kRows);
  std::printf("pages per second: %.0f\n", pages / best);
  return 0;
}
