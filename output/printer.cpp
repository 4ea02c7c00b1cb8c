#include "output/printer.h"

#include "common/unique_handle.h"

#include "output/report_layout.h"

TPrinter::TPrinter(PrinterApi& api) : api_(api) {}

TPrinter::~TPrinter() {
  // Releasing must not throw: the device calls never do, and a run that ends mid-job still
  // gets its pages out.
  try {
    if (printing_) FinishJob();
    DropDc();
  } catch (...) {
  }
  for (const MadeFont& made : fonts_) api_.DeleteObject(made.handle);
}

PrinterDevice& TPrinter::Device() {
  if (!device_) {
    PrinterDevice device;
    if (!api_.DefaultPrinter(&device)) throw EPrinter(std::string(kNoDefaultPrinter));
    device_ = std::move(device);
  }
  return *device_;
}

PrinterSettings& TPrinter::Settings() {
  PrinterDevice& device = Device();
  if (!device.settings) throw EPrinter(std::string(kNotSupported));
  return *device.settings;
}

bool TPrinter::Execute() {
  PrinterDevice chosen = Device();
  if (!api_.PrintDialog(&chosen)) return false;
  if (printing_) throw EPrinter(std::string(kPrintingInProgress));
  device_ = std::move(chosen);
  DropDc();
  return true;
}

void TPrinter::SetCopies(int copies) {
  if (printing_) throw EPrinter(std::string(kPrintingInProgress));
  Settings().copies = copies;
  DropDc();
}

void TPrinter::SetOrientation(int orientation) {
  if (printing_) throw EPrinter(std::string(kPrintingInProgress));
  Settings().orientation = orientation;
  DropDc();
}

PrinterHandle TPrinter::Dc() {
  if (dc_ == 0) {
    const PrinterHandle dc = api_.CreateDCA(Device());
    if (dc == 0) throw EPrinter(std::string(kPrinterNotValid));
    dc_ = dc;
    pixelsPerInch_ = api_.GetDeviceCaps(dc_, kCapsLogPixelsY);
    SelectSurface();
  }
  return dc_;
}

void TPrinter::DropDc() {
  if (dc_ == 0) return;
  const PrinterHandle dc = dc_;
  dc_ = 0;
  api_.DeleteDC(dc);
}

void TPrinter::SelectFont(bool always) {
  const PrinterFont wanted{FontHeightForPoints(font_.points, pixelsPerInch_),
                           font_.bold ? 700 : 400, font_.faceName};
  PrinterHandle handle = 0;
  for (const MadeFont& made : fonts_)
    if (made.font == wanted) handle = made.handle;
  if (handle == 0) {
    handle = api_.CreateFontIndirectA(wanted);
    // A font the device refuses leaves the previous one in use, as GDI does.
    if (handle == 0) return;
    fonts_.push_back({wanted, handle});
  }
  if (always || handle != selectedFont_) api_.SelectObject(dc_, handle);
  selectedFont_ = handle;
  api_.SetTextColor(dc_, kColorBlack);
}

void TPrinter::SelectSurface() {
  SelectFont(true);
  api_.SelectObject(dc_, api_.GetStockObject(kStockBlackPen));
  api_.SelectObject(dc_, api_.GetStockObject(kStockWhiteBrush));
  api_.SetBkColor(dc_, kColorWhite);
  api_.SetBkMode(dc_, kBkModeOpaque);
}

void TPrinter::RequirePrinting() const {
  if (!printing_) throw EPrinter(std::string(kNotPrinting));
}

void TPrinter::BeginDoc() {
  if (printing_) throw EPrinter(std::string(kPrintingInProgress));
  const PrinterHandle dc = Dc();
  printing_ = true;
  currentPage_ = 1;
  // A job that cannot be begun is not left half open; a document that was never started is
  // not ended either.
  bool docStarted = false;
  ScopeExit rollback([this, &docStarted] {
    try {
      if (docStarted) {
        FinishJob();
      } else {
        printing_ = false;
        currentPage_ = 0;
        DropDc();
      }
    } catch (...) {
      // The error that stopped the beginning is the one to report.
    }
  });
  api_.SetAbortProc(dc, this);
  // Spooler failures here are not the report's business: the job goes on.
  docStarted = true;
  api_.StartDocA(dc, title_);
  api_.StartPage(dc);
  SelectSurface();
  rollback.Dismiss();
}

void TPrinter::NewPage() {
  RequirePrinting();
  api_.EndPage(dc_);
  api_.StartPage(dc_);
  ++currentPage_;
  SelectSurface();
}

void TPrinter::EndDoc() {
  RequirePrinting();
  FinishJob();
}

void TPrinter::FinishJob() {
  // The job is over whatever the device says; the next job gets a fresh device context.
  const ScopeExit idle([this] {
    printing_ = false;
    currentPage_ = 0;
    DropDc();
  });
  // A page that fails to end, even by an exception, still leaves a document to end.
  try {
    api_.EndPage(dc_);
  } catch (...) {
    api_.EndDoc(dc_);
    throw;
  }
  api_.EndDoc(dc_);
}

int TPrinter::DeviceCaps(int index) { return api_.GetDeviceCaps(Dc(), index); }

void TPrinter::SetFont(PrinterFontChoice font) {
  font_ = std::move(font);
  if (dc_ != 0) SelectFont(false);
}

void TPrinter::TextExtent(std::string_view text, int* width, int* height) {
  *width = 0;
  *height = 0;
  api_.GetTextExtentPoint32A(Dc(), text, width, height);
}

void TPrinter::MoveTo(int x, int y) {
  RequirePrinting();
  api_.MoveToEx(dc_, x, y);
}

void TPrinter::LineTo(int x, int y) {
  RequirePrinting();
  api_.LineTo(dc_, x, y);
}

void TPrinter::ClippedText(const Rect& rect, int x, int y, std::string_view text) {
  RequirePrinting();
  api_.ExtTextOutA(dc_, x, y, kEtoClipped | kEtoOpaque, &rect, text);
}

void TPrinter::PlainText(int x, int y, std::string_view text) {
  RequirePrinting();
  api_.ExtTextOutA(dc_, x, y, 0, nullptr, text);
}

bool TPrinter::ContinueJob() {
  // The program never cancels a job; the check is its chance to keep the window alive.
  api_.DispatchPendingMessages();
  return true;
}
