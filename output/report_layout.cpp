#include "output/report_layout.h"

#include <cmath>
#include <limits>

int RoundEven(double value) {
  // nearbyint follows the current rounding mode, which nothing in the program changes from
  // round-to-nearest-even.
  const double rounded = std::nearbyint(value);
  if (!(rounded >= std::numeric_limits<int>::min() && rounded <= std::numeric_limits<int>::max()))
    throw EInvalidOp();
  return static_cast<int>(rounded);
}

int FontHeightForPoints(int points, int pixelsPerInch) {
  const long long scaled = static_cast<long long>(points) * pixelsPerInch;
  // Halves away from zero: (2|s| + 72) / 144 with the sign put back.
  const long long magnitude = (2 * (scaled < 0 ? -scaled : scaled) + 72) / 144;
  return static_cast<int>(scaled < 0 ? magnitude : -magnitude);
}

ReportLayout ReportLayout::ForPage(const PageMetrics& page,
                                   const std::vector<ReportColumn>& columns) {
  // No paper is a million dots across; a device that says otherwise (or reports a negative
  // size) would push the integer geometry below out of int's range.
  constexpr int kLargestPage = 1 << 20;
  for (int metric : {page.printableWidth, page.printableHeight, page.offsetX, page.offsetY}) {
    if (metric < 0 || metric > kLargestPage) throw EInvalidOp();
  }
  ReportLayout layout;
  layout.vertUnit = (page.printableHeight + 2.0 * page.offsetY) / 28.215;
  layout.horzUnit = (page.printableWidth + 2.0 * page.offsetX) / 21;
  long long widthSum = 0;
  for (const ReportColumn& column : columns) widthSum += column.width;
  layout.sideMargin = RoundEven(1.5 * layout.horzUnit);
  layout.tableWidth = page.printableWidth - 2 * layout.sideMargin;
  layout.columnEdges.reserve(columns.size() + 1);
  layout.columnEdges.push_back(layout.sideMargin);
  for (const ReportColumn& column : columns) {
    // The share first, then the product: 0 / 0 for columns all dragged shut is a NaN, which
    // RoundEven refuses.
    const double share = static_cast<double>(column.width) / static_cast<double>(widthSum);
    layout.columnEdges.push_back(layout.columnEdges.back() + RoundEven(share * layout.tableWidth));
  }
  layout.tableTop = RoundEven(2.5 * layout.vertUnit);
  layout.cellInset = RoundEven(0.1 * layout.horzUnit);
  layout.headerLift = RoundEven(0.1 * layout.vertUnit);
  layout.ruleLift = RoundEven(0.05 * layout.vertUnit);
  return layout;
}

void ReportLayout::SetLineHeight(const PageMetrics& page, int height) {
  const double free = page.printableHeight - 5 * vertUnit;
  if (height == 0) {
    if (free == 0) throw EInvalidOp();  // 0 / 0
    throw EZeroDivide();
  }
  lineHeight = height;
  rowsPerPage = RoundEven(free / height);
  if (rowsPerPage < 1) rowsPerPage = 1;
}

int ReportLayout::PageCount(std::size_t rowCount) const {
  const std::size_t perPage = static_cast<std::size_t>(rowsPerPage);
  if (rowCount <= perPage) return 1;
  const std::size_t pages = (rowCount + perPage - 1) / perPage;
  if (pages > static_cast<std::size_t>(std::numeric_limits<int>::max())) throw EInvalidOp();
  return static_cast<int>(pages);
}
