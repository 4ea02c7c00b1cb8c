// The printer layer: one printer object for the run, holding the current device and its
// settings, the job state and the drawing surface. Its rules (which operation may run when,
// page numbers, what each error says) live here; the device itself is reached through
// PrinterApi, whose operations mirror the Windows calls one for one (win32_printer.cpp).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/exception.h"
#include "common/rect.h"

class EPrinter : public Exception {
 public:
  using Exception::Exception;
};

inline constexpr std::string_view kNoDefaultPrinter =
    "There is no default printer currently selected";
inline constexpr std::string_view kPrintingInProgress = "Printing in progress";
inline constexpr std::string_view kNotSupported = "Operation not supported on selected printer";
inline constexpr std::string_view kPrinterNotValid = "Printer selected is not valid";
inline constexpr std::string_view kNotPrinting = "Printer is not currently printing";

// Handles of the device side (HDC, HFONT, HGDIOBJ values); 0 is none.
using PrinterHandle = std::uintptr_t;

// dmOrientation values.
inline constexpr int kOrientationPortrait = 1;
inline constexpr int kOrientationLandscape = 2;

// GetDeviceCaps indexes.
inline constexpr int kCapsHorzRes = 8;
inline constexpr int kCapsVertRes = 10;
inline constexpr int kCapsLogPixelsY = 90;
inline constexpr int kCapsPhysicalOffsetX = 112;
inline constexpr int kCapsPhysicalOffsetY = 113;

// GetStockObject indexes and ExtTextOutA options.
inline constexpr int kStockWhiteBrush = 0;
inline constexpr int kStockBlackPen = 7;
inline constexpr unsigned kEtoOpaque = 2;
inline constexpr unsigned kEtoClipped = 4;
inline constexpr int kBkModeOpaque = 2;
inline constexpr std::uint32_t kColorBlack = 0x000000;
inline constexpr std::uint32_t kColorWhite = 0xFFFFFF;

// A device's settings (DEVMODE): the driver's record kept whole, with the two fields the
// program writes.
struct PrinterSettings {
  std::vector<std::uint8_t> devMode;
  int copies = 1;
  int orientation = kOrientationPortrait;
};

// A device as DEVNAMES names it, with its settings when the driver gives any.
struct PrinterDevice {
  std::string driver;
  std::string device;
  std::string port;
  std::optional<PrinterSettings> settings;
};

// LOGFONTA's fields that the report sets; the rest are zero.
struct PrinterFont {
  int height = 0;  // negative: character height without internal leading
  int weight = 400;
  std::string faceName;

  bool operator==(const PrinterFont&) const = default;
};

// Called by the device while the spooler works on a job; false stops the job.
class PrinterAbortCheck {
 public:
  virtual ~PrinterAbortCheck() = default;
  virtual bool ContinueJob() = 0;
};

class PrinterApi {
 public:
  virtual ~PrinterApi() = default;

  // PrintDlgA with PD_RETURNDEFAULT: the system's default printer; false when there is none.
  virtual bool DefaultPrinter(PrinterDevice* device) = 0;
  // PrintDlgA opened on a copy of *device; on OK writes the chosen device, its settings and
  // the dialog's copy count to *device and returns true; on Cancel returns false.
  virtual bool PrintDialog(PrinterDevice* device) = 0;
  // CreateDCA with the device's names and settings; 0 when none can be made.
  virtual PrinterHandle CreateDCA(const PrinterDevice& device) = 0;
  virtual bool DeleteDC(PrinterHandle dc) = 0;
  // SetAbortProc; check stays registered until the device context is deleted.
  virtual int SetAbortProc(PrinterHandle dc, PrinterAbortCheck* check) = 0;
  // StartDocA with a document record naming the document and no output file.
  virtual int StartDocA(PrinterHandle dc, const std::string& docName) = 0;
  virtual int StartPage(PrinterHandle dc) = 0;
  virtual int EndPage(PrinterHandle dc) = 0;
  virtual int EndDoc(PrinterHandle dc) = 0;
  virtual int GetDeviceCaps(PrinterHandle dc, int index) = 0;
  // CreateFontIndirectA with the default character set; 0 on failure.
  virtual PrinterHandle CreateFontIndirectA(const PrinterFont& font) = 0;
  virtual PrinterHandle GetStockObject(int index) = 0;
  virtual PrinterHandle SelectObject(PrinterHandle dc, PrinterHandle object) = 0;
  virtual bool DeleteObject(PrinterHandle object) = 0;
  virtual std::uint32_t SetTextColor(PrinterHandle dc, std::uint32_t color) = 0;
  virtual std::uint32_t SetBkColor(PrinterHandle dc, std::uint32_t color) = 0;
  virtual int SetBkMode(PrinterHandle dc, int mode) = 0;
  // GetTextExtentPoint32A.
  virtual bool GetTextExtentPoint32A(PrinterHandle dc, std::string_view text, int* width,
                                     int* height) = 0;
  virtual bool MoveToEx(PrinterHandle dc, int x, int y) = 0;
  virtual bool LineTo(PrinterHandle dc, int x, int y) = 0;
  // ExtTextOutA; rect may be null.
  virtual bool ExtTextOutA(PrinterHandle dc, int x, int y, unsigned options, const Rect* rect,
                           std::string_view text) = 0;
  // GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE) for today.
  virtual std::string ShortDate() = 0;
  // Dispatches the program's pending window messages.
  virtual void DispatchPendingMessages() = 0;
};

// The surface's font: size in points, bold or regular, always black.
struct PrinterFontChoice {
  int points = 10;
  bool bold = false;
  std::string faceName = "Times New Roman";

  bool operator==(const PrinterFontChoice&) const = default;
};

class TPrinter : private PrinterAbortCheck {
 public:
  explicit TPrinter(PrinterApi& api);
  // Ends a job that is still open and releases the device context and the font.
  ~TPrinter() override;
  TPrinter(const TPrinter&) = delete;
  TPrinter& operator=(const TPrinter&) = delete;

  // The print dialog; true on OK, when the chosen device becomes the current one.
  bool Execute();
  void SetTitle(std::string title) { title_ = std::move(title); }
  const std::string& Title() const { return title_; }
  void SetCopies(int copies);
  void SetOrientation(int orientation);
  const PrinterDevice* CurrentDevice() const { return device_ ? &*device_ : nullptr; }

  void BeginDoc();
  void NewPage();
  void EndDoc();
  bool Printing() const { return printing_; }
  int PageNumber() const { return currentPage_; }
  int DeviceCaps(int index);

  void SetFont(PrinterFontChoice font);
  const PrinterFontChoice& Font() const { return font_; }
  // Measuring needs no job: outside one it uses a device context made for the purpose.
  void TextExtent(std::string_view text, int* width, int* height);
  void MoveTo(int x, int y);
  void LineTo(int x, int y);
  void ClippedText(const Rect& rect, int x, int y, std::string_view text);
  void PlainText(int x, int y, std::string_view text);
  std::string ShortDate() { return api_.ShortDate(); }

 private:
  bool ContinueJob() override;
  PrinterDevice& Device();
  PrinterSettings& Settings();
  PrinterHandle Dc();
  void DropDc();
  void SelectFont(bool always);
  void SelectSurface();
  void RequirePrinting() const;
  void FinishJob();

  PrinterApi& api_;
  std::optional<PrinterDevice> device_;
  PrinterHandle dc_ = 0;
  PrinterFontChoice font_;
  // Every font made for the surface, kept for reuse (a report switches between four fonts
  // on every page) and freed with the printer.
  struct MadeFont {
    PrinterFont font;
    PrinterHandle handle = 0;
  };
  std::vector<MadeFont> fonts_;
  PrinterHandle selectedFont_ = 0;
  int pixelsPerInch_ = 96;  // the surface's font resolution
  bool printing_ = false;
  int currentPage_ = 0;
  std::string title_;
};
