// The printed report's pages as ordered lists of drawing operations with integer
// coordinates. Drawing goes to a ReportCanvas: the printer in the program, a recorder in the
// tests, so every page is checked without a printer.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "common/rect.h"
#include "inventory/driver_row.h"
#include "output/report_layout.h"

enum class DrawKind { SetReportFont, MovePen, DrawLineTo, ClippedText, PlainText, PageBreak };

// One drawing operation. SetReportFont uses points and bold; MovePen and DrawLineTo x and y;
// ClippedText rect, x, y and text; PlainText x, y and text; PageBreak nothing.
struct DrawOp {
  DrawKind kind = DrawKind::PageBreak;
  int points = 0;
  bool bold = false;
  int x = 0;
  int y = 0;
  Rect rect;
  std::string text;

  bool operator==(const DrawOp&) const = default;
};

// The body font, in which the rows are drawn and the line height is measured.
inline constexpr int kBodyPoints = 10;

DrawOp FontOp(int points, bool bold);
DrawOp PenOp(DrawKind kind, int x, int y);  // MovePen or DrawLineTo
DrawOp ClippedTextOp(Rect rect, int x, int y, std::string text);
DrawOp PlainTextOp(int x, int y, std::string text);

struct TextSize {
  int width = 0;
  int height = 0;
};

// What drawing a report needs of its surface.
class ReportCanvas {
 public:
  virtual ~ReportCanvas() = default;

  virtual void Perform(const DrawOp& op) = 0;
  // Measured in the font of the last SetReportFont.
  virtual TextSize TextExtent(std::string_view text) = 0;
  // 1 on the first page, one more after each PageBreak.
  virtual int PageNumber() = 0;
  // Today in the user's short date format; asked again for every page.
  virtual std::string ShortDate() = 0;
};

// The rows as the report reads them. Fetching a cell may fail for a cell the row does not
// have; the report prints such a cell empty.
class ReportRows {
 public:
  virtual ~ReportRows() = default;
  virtual std::size_t Count() const = 0;
  // column 0 is the row's caption, column j its sub-item j - 1; throws for a missing cell.
  virtual std::string Cell(std::size_t row, std::size_t column) const = 0;
};

// The report's reading of the driver list.
class RowStoreRows : public ReportRows {
 public:
  explicit RowStoreRows(const RowStore& store) : store_(store) {}
  std::size_t Count() const override { return store_.Count(); }
  std::string Cell(std::size_t row, std::size_t column) const override;

 private:
  const RowStore& store_;
};

// Draws every page of the report from the body font on: the caller has set the body font,
// measured lineHeight with it and completed the layout. An empty list draws nothing: its one
// page stays blank.
void DrawReportPages(ReportCanvas& canvas, const ReportLayout& layout, const PageMetrics& page,
                     const std::vector<ReportColumn>& columns, const ReportRows& rows);
