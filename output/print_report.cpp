#include "output/print_report.h"

namespace {

// The report's canvas on the printer: each drawing operation as the printer layer carries it
// out.
class PrinterCanvas : public ReportCanvas {
 public:
  explicit PrinterCanvas(TPrinter& printer) : printer_(printer) {}

  void Perform(const DrawOp& op) override {
    switch (op.kind) {
      case DrawKind::SetReportFont:
        printer_.SetFont({op.points, op.bold, "Times New Roman"});
        break;
      case DrawKind::MovePen:
        printer_.MoveTo(op.x, op.y);
        break;
      case DrawKind::DrawLineTo:
        printer_.LineTo(op.x, op.y);
        break;
      case DrawKind::ClippedText:
        printer_.ClippedText(op.rect, op.x, op.y, op.text);
        break;
      case DrawKind::PlainText:
        printer_.PlainText(op.x, op.y, op.text);
        break;
      case DrawKind::PageBreak:
        printer_.NewPage();
        break;
    }
  }

  TextSize TextExtent(std::string_view text) override {
    TextSize size;
    printer_.TextExtent(text, &size.width, &size.height);
    return size;
  }

  int PageNumber() override { return printer_.PageNumber(); }
  std::string ShortDate() override { return printer_.ShortDate(); }

 private:
  TPrinter& printer_;
};

}  // namespace

bool PrintHold::HoldBack() {
  if (busy_) released_ = true;
  return busy_;
}

void PrintHold::EndReading() {
  busy_ = false;
  if (released_) {
    released_ = false;
    if (onRelease_) onRelease_();
  }
}

void PrintListView(TPrinter& printer, const std::vector<ReportColumn>& columns,
                   const ReportRows& rows, PrintHold& hold) {
  if (!printer.Execute()) return;
  printer.SetTitle("Listview Print");
  printer.SetCopies(1);
  printer.SetOrientation(kOrientationPortrait);

  const auto reading = hold.Reading();
  printer.BeginDoc();
  // A job that an error leaves open is ended, so that it does not block every later Print.
  const ScopeExit closer([&printer] {
    try {
      if (printer.Printing()) printer.EndDoc();
    } catch (...) {
      // Already on an error's way out; that error is the one the user sees.
    }
  });

  PageMetrics page;
  page.printableHeight = printer.DeviceCaps(kCapsVertRes);
  page.printableWidth = printer.DeviceCaps(kCapsHorzRes);
  page.offsetY = printer.DeviceCaps(kCapsPhysicalOffsetY);
  page.offsetX = printer.DeviceCaps(kCapsPhysicalOffsetX);

  ReportLayout layout = ReportLayout::ForPage(page, columns);
  PrinterCanvas canvas(printer);
  canvas.Perform(FontOp(kBodyPoints, false));
  layout.SetLineHeight(page, canvas.TextExtent("dummy").height);
  DrawReportPages(canvas, layout, page, columns, rows);
  printer.EndDoc();
}

void PrintListView(TPrinter& printer, const std::vector<ReportColumn>& columns,
                   const RowStore& rows, PrintHold& hold) {
  const RowStoreRows reader(rows);
  PrintListView(printer, columns, reader, hold);
}
