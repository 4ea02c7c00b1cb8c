// Fuzz target: page metrics, column widths, captions, row texts and row counts decoded from
// the input, laid out and drawn into the recording printer. Every input must finish, in
// bounded time, with pages or with one of the program's own errors.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "output/print_report.h"
#include "recording_printer.h"

namespace {

// Enough rows for several pages on most decoded pages, few enough that one input stays fast.
constexpr std::uint32_t kMaxRows = 400;
constexpr std::uint32_t kMaxColumns = 80;

class DecodedRows : public ReportRows {
 public:
  std::vector<std::vector<std::string>> rows;
  std::size_t Count() const override { return rows.size(); }
  // A missing cell fails the way the list's own fetch does.
  std::string Cell(std::size_t row, std::size_t column) const override {
    if (row >= rows.size() || column >= rows[row].size()) throw EStringListError(column);
    return rows[row][column];
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput input(data, size);
  RecordingPrinterApi api;
  api.keepRecords = false;
  for (int cap :
       {kCapsHorzRes, kCapsVertRes, kCapsPhysicalOffsetX, kCapsPhysicalOffsetY, kCapsLogPixelsY}) {
    api.caps[cap] = input.Int32();
  }
  const int charWidth = static_cast<int>(input.Number(64));
  api.widthOf = [charWidth](const PrinterFont&, std::string_view text) {
    return static_cast<int>(text.size()) * charWidth;
  };

  std::vector<ReportColumn> columns(input.Number(kMaxColumns + 1));
  for (ReportColumn& column : columns) {
    column.width = static_cast<int>(input.Number(0x80000000u));  // a list view's widths are >= 0
    column.caption = input.Text(40);
  }
  DecodedRows rows;
  rows.rows.resize(input.Number(kMaxRows + 1));
  for (std::vector<std::string>& row : rows.rows) {
    // Rows may hold fewer cells than there are columns, as a row cut short by an error does.
    row.resize(input.Number(static_cast<std::uint32_t>(columns.size()) + 1));
    for (std::string& cell : row) cell = input.Text(60);
  }

  TPrinter printer(api);
  PrintHold hold;
  try {
    PrintListView(printer, columns, rows, hold);
  } catch (const Exception&) {
    // The program's own errors are the expected outcome of many inputs.
  }
  if (printer.Printing() || hold.Busy()) __builtin_trap();  // a job left open
  return 0;
}
