// The Print command's report: asks for a printer, then prints the list's rows as a
// paginated portrait table under the columns' captions, at the columns' current widths.
#pragma once

#include <functional>
#include <vector>

#include "common/unique_handle.h"
#include "inventory/driver_row.h"
#include "output/printer.h"
#include "output/report_layout.h"
#include "output/report_pages.h"

// While a report prints, the printer's abort check dispatches window messages, so other
// commands can run in the middle of the job. A command that would change or drop the rows
// (Refresh, closing the window) asks HoldBack() first: while a report is reading the rows it
// returns true, and the command must not run now; once the report has let go of the rows
// (finished or failed, its job ended) onRelease is called once, so the held commands can be
// run then (posting a message to the main window is the usual way).
class PrintHold {
 public:
  // onRelease is called from a destructor and must not throw.
  explicit PrintHold(std::function<void()> onRelease = {}) : onRelease_(std::move(onRelease)) {}

  bool Busy() const { return busy_; }
  // True when the caller must hold its command back; it is then owed one onRelease.
  bool HoldBack();

  // Marks a report as reading the rows until the guard it returns goes (the outermost
  // reading's end releases the held commands).
  [[nodiscard]] auto Reading() {
    const bool outer = !busy_;
    busy_ = true;
    return ScopeExit([this, outer] {
      if (outer) EndReading();
    });
  }

 private:
  void EndReading();

  std::function<void()> onRelease_;
  bool busy_ = false;
  bool released_ = false;  // a held command is waiting for onRelease
};

// Shows the print dialog; on OK prints the rows in one portrait copy as the job
// "Listview Print". Errors propagate; a job already begun is ended first, so the next Print
// works and the pages already drawn still come out.
void PrintListView(TPrinter& printer, const std::vector<ReportColumn>& columns,
                   const ReportRows& rows, PrintHold& hold);

// The same for the driver list.
void PrintListView(TPrinter& printer, const std::vector<ReportColumn>& columns,
                   const RowStore& rows, PrintHold& hold);
