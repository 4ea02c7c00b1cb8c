#include "output/report_pages.h"

#include "common/text.h"

namespace {

constexpr int kPageLinePoints = 8;
constexpr int kHeadingPoints = 18;
constexpr std::string_view kHeading = "Tolvane";

struct PageState {
  int pageCount = 0;
  std::size_t rowCount = 0;
  int rowOnPage = 0;
};

void DrawPageStart(ReportCanvas& canvas, const ReportLayout& layout, const PageMetrics& page,
                   const std::vector<ReportColumn>& columns, PageState& state,
                   std::size_t rowIndex) {
  if (state.rowOnPage > layout.rowsPerPage) canvas.Perform(DrawOp());
  state.rowOnPage = 1;

  const std::vector<int>& edges = layout.columnEdges;
  const std::size_t columnCount = columns.size();
  const bool lastPage = canvas.PageNumber() == state.pageCount;
  // On the last page the separators run one line below its last row.
  const long long linesDown = lastPage ? static_cast<long long>(state.rowCount - rowIndex) + 2
                                       : static_cast<long long>(layout.rowsPerPage) + 1;
  const int bottom = static_cast<int>(layout.tableTop + linesDown * layout.lineHeight);
  for (std::size_t i = 1; i < columnCount; ++i) {
    canvas.Perform(PenOp(DrawKind::MovePen, edges[i], layout.tableTop));
    canvas.Perform(PenOp(DrawKind::DrawLineTo, edges[i], bottom));
  }

  canvas.Perform(FontOp(kBodyPoints, true));
  const int headerTop = layout.tableTop - layout.headerLift;
  for (std::size_t i = 0; i < columnCount; ++i) {
    const int width = canvas.TextExtent(columns[i].caption).width;
    const Rect cell{edges[i] + layout.cellInset, headerTop, edges[i + 1] - layout.cellInset,
                    headerTop + layout.lineHeight};
    canvas.Perform(ClippedTextOp(cell, edges[i] + Half(edges[i + 1] - edges[i]) - Half(width),
                                 headerTop, columns[i].caption));
  }

  const int ruleY = layout.tableTop + layout.lineHeight - layout.ruleLift;
  canvas.Perform(PenOp(DrawKind::MovePen, edges.front() - layout.cellInset, ruleY));
  canvas.Perform(PenOp(DrawKind::DrawLineTo, edges.back() + layout.cellInset, ruleY));

  canvas.Perform(FontOp(kPageLinePoints, false));
  const std::string pageLine = "Date: " + canvas.ShortDate() +
                               " Page: " + FormatNumber("%d", canvas.PageNumber()) + " / " +
                               FormatNumber("%d", state.pageCount);
  const int pageLineWidth = canvas.TextExtent(pageLine).width;
  const int pageLineX = page.printableWidth - layout.sideMargin - 2 * Half(pageLineWidth);
  canvas.Perform(PlainTextOp(pageLineX, RoundEven(0.5 * layout.vertUnit), pageLine));

  canvas.Perform(FontOp(kHeadingPoints, false));
  const int headingWidth = canvas.TextExtent(kHeading).width;
  const int headingY = RoundEven(layout.vertUnit);
  if (pageLineX < Half(headingWidth + page.printableWidth) + RoundEven(0.75 * layout.horzUnit)) {
    canvas.Perform(
        PlainTextOp(Half(page.printableWidth - headingWidth), headingY, std::string(kHeading)));
  } else {
    canvas.Perform(PlainTextOp(RoundEven(3 * layout.horzUnit), headingY, std::string(kHeading)));
  }

  canvas.Perform(FontOp(kBodyPoints, false));
}

// A cell the row does not have, or a row that is gone, prints empty.
std::string GuardedCell(const ReportRows& rows, std::size_t row, std::size_t column) {
  try {
    return rows.Cell(row, column);
  } catch (const Exception&) {
    return std::string();
  }
}

void DrawRow(ReportCanvas& canvas, const ReportLayout& layout,
             const std::vector<ReportColumn>& columns, const ReportRows& rows, std::size_t rowIndex,
             int rowOnPage) {
  const std::vector<int>& edges = layout.columnEdges;
  const int top = layout.tableTop + rowOnPage * layout.lineHeight;
  for (std::size_t j = 0; j < columns.size(); ++j) {
    const Rect cell{edges[j] + layout.cellInset, top, edges[j + 1] - layout.cellInset,
                    top + layout.lineHeight};
    canvas.Perform(
        ClippedTextOp(cell, edges[j] + layout.cellInset, top, GuardedCell(rows, rowIndex, j)));
  }
}

}  // namespace

DrawOp PenOp(DrawKind kind, int x, int y) {
  DrawOp op;
  op.kind = kind;
  op.x = x;
  op.y = y;
  return op;
}

DrawOp ClippedTextOp(Rect rect, int x, int y, std::string text) {
  DrawOp op = PenOp(DrawKind::ClippedText, x, y);
  op.rect = rect;
  op.text = std::move(text);
  return op;
}

DrawOp PlainTextOp(int x, int y, std::string text) {
  DrawOp op = PenOp(DrawKind::PlainText, x, y);
  op.text = std::move(text);
  return op;
}

DrawOp FontOp(int points, bool bold) {
  DrawOp op;
  op.kind = DrawKind::SetReportFont;
  op.points = points;
  op.bold = bold;
  return op;
}

std::string RowStoreRows::Cell(std::size_t row, std::size_t column) const {
  if (const std::string* text = store_.FindCell(row, column)) return *text;
  throw EStringListError(row >= store_.Count() ? row : column - 1);
}

void DrawReportPages(ReportCanvas& canvas, const ReportLayout& layout, const PageMetrics& page,
                     const std::vector<ReportColumn>& columns, const ReportRows& rows) {
  PageState state;
  state.rowCount = rows.Count();
  state.pageCount = layout.PageCount(state.rowCount);
  for (std::size_t rowIndex = 0; rowIndex < state.rowCount; ++rowIndex) {
    if (state.rowOnPage == 0 || state.rowOnPage > layout.rowsPerPage)
      DrawPageStart(canvas, layout, page, columns, state, rowIndex);
    DrawRow(canvas, layout, columns, rows, rowIndex, state.rowOnPage);
    ++state.rowOnPage;
  }
}
