// The printed report's job-wide geometry: margins, column edges, row slots and the rounding
// they follow. Pure arithmetic on the printer's page metrics and the list's columns, so the
// whole layout is checked without a printer.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "common/exception.h"

// The floating-point faults of the report, with the texts the user sees.
class EInvalidOp : public Exception {
 public:
  EInvalidOp() : Exception("Invalid floating point operation") {}
};

class EZeroDivide : public Exception {
 public:
  EZeroDivide() : Exception("Floating point division by zero") {}
};

// Nearest integer, ties to the even neighbour (the FPU's default). A value that is not a
// number or lies outside int raises EInvalidOp, as the FPU's integer store does.
int RoundEven(double value);

// n / 2 truncated toward zero.
constexpr int Half(int n) { return n / 2; }

// The negative character height that asks a device for a font of that many points: size ×
// pixelsPerInch / 72, halves rounded away from zero.
int FontHeightForPoints(int points, int pixelsPerInch);

// GetDeviceCaps values of the job's device, in device units.
struct PageMetrics {
  int printableWidth = 0;   // HORZRES
  int printableHeight = 0;  // VERTRES
  int offsetX = 0;          // PHYSICALOFFSETX
  int offsetY = 0;          // PHYSICALOFFSETY
};

// One column of the list as it stands at print time.
struct ReportColumn {
  std::string caption;
  int width = 0;  // screen pixels; only the proportions matter
};

struct ReportLayout {
  double vertUnit = 0;
  double horzUnit = 0;
  int sideMargin = 0;
  int tableWidth = 0;
  std::vector<int> columnEdges;  // K + 1 edges, E0 = sideMargin
  int tableTop = 0;
  int cellInset = 0;
  int headerLift = 0;
  int ruleLift = 0;
  int lineHeight = 0;
  int rowsPerPage = 0;

  // Everything but the row slots, which wait for the body font's line height. Raises
  // EInvalidOp when the column widths add up to zero, or for page metrics no paper has.
  static ReportLayout ForPage(const PageMetrics& page, const std::vector<ReportColumn>& columns);

  // Sets lineHeight and rowsPerPage. Raises EZeroDivide for a zero line height. At least one
  // row goes on every page, however small the page: otherwise a non-empty list never ends.
  void SetLineHeight(const PageMetrics& page, int height);

  // The smallest page count n >= 1 with n × rowsPerPage >= rowCount.
  int PageCount(std::size_t rowCount) const;
};
