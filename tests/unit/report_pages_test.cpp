#include "output/report_pages.h"

#include <gtest/gtest.h>

#include "recording_canvas.h"
#include "report_fixtures.h"

namespace {

const PageMetrics kExamplePage{571, 816, 13, 13};

// Draws the rows the way PrintListView does after its body font is set.
void Draw(RecordingCanvas& canvas, const RowStore& store,
          const std::vector<ReportColumn>& columns = DriverColumns(),
          const PageMetrics& page = kExamplePage) {
  ReportLayout layout = ReportLayout::ForPage(page, columns);
  layout.SetLineHeight(page, canvas.lineHeight);
  DrawReportPages(canvas, layout, page, columns, RowStoreRows(store));
}

// The bottoms of a page's separator lines.
std::vector<int> SeparatorBottoms(const RecordingCanvas& canvas, std::size_t page) {
  std::vector<int> bottoms;
  for (const DrawOp& op : canvas.OfKind(page, DrawKind::DrawLineTo))
    if (op.x != 530) bottoms.push_back(op.y);  // not the rule
  return bottoms;
}

std::vector<std::string> FontSequence(const RecordingCanvas& canvas, std::size_t page) {
  std::vector<std::string> fonts;
  for (const DrawOp& op : canvas.OfKind(page, DrawKind::SetReportFont))
    fonts.push_back(std::to_string(op.points) + (op.bold ? " bold" : ""));
  return fonts;
}

}  // namespace

TEST(ReportPageStart, WorkedExampleFirstPageNumberForNumber) {
  RecordingCanvas canvas;
  canvas.widthOf = [](int points, bool, std::string_view text) {
    if (points == 8) return 140;  // the page line
    if (points == 18) return 93;  // the heading
    return static_cast<int>(text.size()) * 5;
  };
  Draw(canvas, FullRows(1));
  const std::vector<DrawOp>& ops = canvas.pages.at(0);
  const std::vector<int> edges{43, 158, 204, 250, 296, 333, 370, 412, 458, 527};

  std::size_t at = 0;
  // Separators at the inner edges only; a last page with one row runs to 75 + 3 × 11.
  for (int i = 1; i <= 8; ++i) {
    EXPECT_EQ(ops.at(at++), PenOp(DrawKind::MovePen, edges[i], 75));
    EXPECT_EQ(ops.at(at++), PenOp(DrawKind::DrawLineTo, edges[i], 108));
  }
  EXPECT_EQ(ops.at(at++), FontOp(10, true));
  // "Driver" is 30 wide: 43 + half(115) - 15 = 85.
  EXPECT_EQ(ops.at(at++), ClippedTextOp({46, 72, 155, 83}, 85, 72, "Driver"));
  at += 8;
  EXPECT_EQ(ops.at(at++), PenOp(DrawKind::MovePen, 40, 85));
  EXPECT_EQ(ops.at(at++), PenOp(DrawKind::DrawLineTo, 530, 85));
  EXPECT_EQ(ops.at(at++), FontOp(8, false));
  EXPECT_EQ(ops.at(at++), PlainTextOp(388, 15, "Date: 3/4/24 Page: 1 / 1"));
  EXPECT_EQ(ops.at(at++), FontOp(18, false));
  // The page line starts at 388, not left of 332 + 21: the heading stands at 3 units.
  EXPECT_EQ(ops.at(at++), PlainTextOp(85, 30, "Tolvane"));
  EXPECT_EQ(ops.at(at++), FontOp(10, false));
  EXPECT_EQ(ops.at(at++), ClippedTextOp({46, 86, 155, 97}, 46, 86, "Driver 0"));
  EXPECT_EQ(ops.at(at++), ClippedTextOp({161, 86, 201, 97}, 161, 86, "v1"));
  EXPECT_EQ(ops.at(at + 6), ClippedTextOp({461, 86, 524, 97}, 461, 86, "v8"));
  EXPECT_EQ(ops.size(), at + 7);
}

TEST(ReportPageStart, HeadingIsCentredWhenThePageLineReachesIt) {
  RecordingCanvas canvas;
  canvas.widthOf = [](int points, bool, std::string_view) {
    return points == 8 ? 300 : points == 18 ? 93 : 10;
  };
  Draw(canvas, FullRows(1));
  const std::vector<DrawOp> texts = canvas.OfKind(0, DrawKind::PlainText);
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].x, 228);
  EXPECT_EQ(texts[1], PlainTextOp(239, 30, "Tolvane"));
}

TEST(ReportPageStart, OddPageLineWidthEndsOneUnitBeyondTheMargin) {
  RecordingCanvas canvas;
  canvas.widthOf = [](int points, bool, std::string_view) { return points == 8 ? 141 : 10; };
  Draw(canvas, FullRows(1));
  EXPECT_EQ(canvas.OfKind(0, DrawKind::PlainText).at(0).x, 571 - 43 - 140);
}

TEST(ReportPageStart, HeadingPlaceIsDecidedPerPageFromThatPagesLine) {
  RecordingCanvas canvas;
  // Page 1's line is short; page 2's is longer ("Page: 2" is treated as wider), and reaches
  // the centred heading's right end.
  canvas.widthOf = [](int points, bool, std::string_view text) {
    if (points == 18) return 93;
    if (points == 8) return text.find("Page: 2") != std::string_view::npos ? 300 : 140;
    return 10;
  };
  Draw(canvas, FullRows(62));
  ASSERT_EQ(canvas.pages.size(), 2u);
  EXPECT_EQ(canvas.OfKind(0, DrawKind::PlainText).at(1).x, 85);
  EXPECT_EQ(canvas.OfKind(1, DrawKind::PlainText).at(1).x, 239);
}

TEST(ReportPageStart, CaptionWiderThanItsCellStartsLeftOfItAndIsClippedAtBothInsets) {
  RecordingCanvas canvas;
  canvas.widthOf = [](int, bool bold, std::string_view text) {
    return bold && text == "Version" ? 100 : 10;
  };
  Draw(canvas, FullRows(1));
  const std::vector<DrawOp> texts = canvas.OfKind(0, DrawKind::ClippedText);
  // Column 2 runs from 204 to 250: x = 204 + 23 - 50.
  EXPECT_EQ(texts.at(2), ClippedTextOp({207, 72, 247, 83}, 177, 72, "Version"));
}

TEST(ReportPageStart, ZeroWidthColumnHasEmptyCellsButKeepsItsSeparators) {
  RecordingCanvas canvas;
  const std::vector<ReportColumn> columns{{"A", 100}, {"Shut", 0}, {"C", 100}};
  RowStore store;
  store.Append("a").subItems = {"hidden", "c"};
  Draw(canvas, store, columns);
  const std::vector<DrawOp> moves = canvas.OfKind(0, DrawKind::MovePen);
  EXPECT_EQ(moves.at(0).x, 285);
  EXPECT_EQ(moves.at(1).x, 285);
  const std::vector<DrawOp> texts = canvas.OfKind(0, DrawKind::ClippedText);
  ASSERT_EQ(texts.size(), 6u);
  // An empty cell: its right inset lies left of its left inset.
  EXPECT_EQ(texts[1].rect.left, 288);
  EXPECT_EQ(texts[1].rect.right, 282);
  EXPECT_EQ(texts[4].rect, (Rect{288, 86, 282, 97}));
}

TEST(ReportPageStart, FontOrderOfEveryPageIsBoldHeaderPageLineHeadingBody) {
  RecordingCanvas canvas;
  Draw(canvas, FullRows(150));
  ASSERT_EQ(canvas.pages.size(), 3u);
  for (std::size_t page = 0; page < 3; ++page) {
    EXPECT_EQ(FontSequence(canvas, page), (std::vector<std::string>{"10 bold", "8", "18", "10"}))
        << "page " << page + 1;
  }
  EXPECT_EQ(canvas.pages[1].front().kind, DrawKind::PageBreak);
  EXPECT_EQ(canvas.pages[2].front().kind, DrawKind::PageBreak);
}

TEST(ReportPagination, HundredFiftyRowsFillTwoPagesAndPartOfAThird) {
  RecordingCanvas canvas;
  Draw(canvas, FullRows(150));
  ASSERT_EQ(canvas.pages.size(), 3u);
  EXPECT_EQ(SeparatorBottoms(canvas, 0), std::vector<int>(8, 757));
  EXPECT_EQ(SeparatorBottoms(canvas, 1), std::vector<int>(8, 757));
  EXPECT_EQ(SeparatorBottoms(canvas, 2), std::vector<int>(8, 405));
  // 9 cells per row plus 9 header cells per page.
  EXPECT_EQ(canvas.OfKind(0, DrawKind::ClippedText).size(), 9u * 62);
  EXPECT_EQ(canvas.OfKind(1, DrawKind::ClippedText).size(), 9u * 62);
  EXPECT_EQ(canvas.OfKind(2, DrawKind::ClippedText).size(), 9u * 29);
  EXPECT_EQ(canvas.OfKind(0, DrawKind::PlainText).at(0).text, "Date: 3/4/24 Page: 1 / 3");
  EXPECT_EQ(canvas.OfKind(2, DrawKind::PlainText).at(0).text, "Date: 3/4/24 Page: 3 / 3");
  // Page 2's first row is row 61, in slot 1; its last is row 121, in slot 61.
  const std::vector<DrawOp> page2 = canvas.OfKind(1, DrawKind::ClippedText);
  EXPECT_EQ(page2.at(9), ClippedTextOp({46, 86, 155, 97}, 46, 86, "Driver 61"));
  EXPECT_EQ(page2.at(9 * 61), ClippedTextOp({46, 746, 155, 757}, 46, 746, "Driver 121"));
}

TEST(ReportPagination, ExactlyOnePageOfRowsIsTheLastPage) {
  RecordingCanvas canvas;
  Draw(canvas, FullRows(61));
  ASSERT_EQ(canvas.pages.size(), 1u);
  EXPECT_EQ(SeparatorBottoms(canvas, 0), std::vector<int>(8, 768));
}

TEST(ReportPagination, OneRowMoreStartsASecondPage) {
  RecordingCanvas canvas;
  Draw(canvas, FullRows(62));
  ASSERT_EQ(canvas.pages.size(), 2u);
  EXPECT_EQ(SeparatorBottoms(canvas, 0), std::vector<int>(8, 757));
  EXPECT_EQ(SeparatorBottoms(canvas, 1), std::vector<int>(8, 108));
  EXPECT_EQ(canvas.OfKind(0, DrawKind::PlainText).at(0).text, "Date: 3/4/24 Page: 1 / 2");
  EXPECT_EQ(canvas.OfKind(1, DrawKind::PlainText).at(0).text, "Date: 3/4/24 Page: 2 / 2");
}

TEST(ReportPagination, EmptyListDrawsNothing) {
  RecordingCanvas canvas;
  Draw(canvas, FullRows(0));
  ASSERT_EQ(canvas.pages.size(), 1u);
  EXPECT_TRUE(canvas.pages[0].empty());
  EXPECT_EQ(canvas.dateReads, 0);
}

TEST(ReportPagination, DateIsReadAnewForEveryPage) {
  RecordingCanvas canvas;
  canvas.date = [&canvas] { return canvas.dateReads == 1 ? "3/4/24" : "3/5/24"; };
  Draw(canvas, FullRows(62));
  EXPECT_EQ(canvas.dateReads, 2);
  EXPECT_EQ(canvas.OfKind(1, DrawKind::PlainText).at(0).text, "Date: 3/5/24 Page: 2 / 2");
}

TEST(ReportPagination, PageTooSmallForARowStillPrintsOneRowPerPage) {
  RecordingCanvas canvas;
  const PageMetrics tiny{571, 4, 0, 0};
  Draw(canvas, FullRows(3), DriverColumns(), tiny);
  ASSERT_EQ(canvas.pages.size(), 3u);
  EXPECT_EQ(canvas.OfKind(2, DrawKind::PlainText).at(0).text, "Date: 3/4/24 Page: 3 / 3");
}

TEST(ReportPagination, ManyColumnsAllGetSeparatorsAndCells) {
  RecordingCanvas canvas;
  const std::vector<ReportColumn> columns(60, ReportColumn{"c", 5});
  RowStore store;
  store.Append("only");
  Draw(canvas, store, columns);
  EXPECT_EQ(canvas.OfKind(0, DrawKind::MovePen).size(), 59u + 1);
  EXPECT_EQ(canvas.OfKind(0, DrawKind::ClippedText).size(), 120u);
}

TEST(ReportRowCells, MissingSubItemsPrintEmptyAndTheRestNormally) {
  RecordingCanvas canvas;
  RowStore store;
  store.Append("Cut short").subItems = {"Maker", "1.0"};
  Draw(canvas, store);
  const std::vector<DrawOp> texts = canvas.OfKind(0, DrawKind::ClippedText);
  ASSERT_EQ(texts.size(), 18u);
  EXPECT_EQ(texts[9].text, "Cut short");
  EXPECT_EQ(texts[10].text, "Maker");
  EXPECT_EQ(texts[11].text, "1.0");
  for (std::size_t j = 12; j < 18; ++j) EXPECT_EQ(texts[j].text, "") << j;
  EXPECT_EQ(texts[17].rect, (Rect{461, 86, 524, 97}));
}

TEST(ReportRowCells, RowThatIsGonePrintsEmptyCells) {
  // A reader whose rows vanish after the count was taken.
  class Vanishing : public ReportRows {
   public:
    std::size_t Count() const override { return 2; }
    std::string Cell(std::size_t row, std::size_t) const override {
      if (row > 0) throw EStringListError(row);
      return "here";
    }
  };
  RecordingCanvas canvas;
  const PageMetrics page = kExamplePage;
  ReportLayout layout = ReportLayout::ForPage(page, DriverColumns());
  layout.SetLineHeight(page, 11);
  DrawReportPages(canvas, layout, page, DriverColumns(), Vanishing());
  const std::vector<DrawOp> texts = canvas.OfKind(0, DrawKind::ClippedText);
  ASSERT_EQ(texts.size(), 27u);
  EXPECT_EQ(texts[9].text, "here");
  for (std::size_t j = 18; j < 27; ++j) EXPECT_EQ(texts[j].text, "") << j;
}

TEST(ReportRowCells, StoreReaderRefusesRowsPastTheEnd) {
  RowStore store = FullRows(1);
  const RowStoreRows rows(store);
  EXPECT_EQ(rows.Cell(0, 0), "Driver 0");
  EXPECT_EQ(rows.Cell(0, 8), "v8");
  EXPECT_THROW(rows.Cell(0, 9), EStringListError);
  EXPECT_THROW(rows.Cell(1, 0), EStringListError);
}
