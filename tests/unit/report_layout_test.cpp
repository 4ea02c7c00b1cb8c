#include "output/report_layout.h"

#include <gtest/gtest.h>

#include <cmath>

#include "inventory/driver_row.h"
#include "report_fixtures.h"

namespace {

const PageMetrics kExamplePage{571, 816, 13, 13};

}  // namespace

TEST(ReportRounding, RoundsHalvesToTheEvenNeighbour) {
  EXPECT_EQ(RoundEven(42.5), 42);
  EXPECT_EQ(RoundEven(43.5), 44);
  EXPECT_EQ(RoundEven(-2.5), -2);
  EXPECT_EQ(RoundEven(28.4286), 28);
  EXPECT_EQ(RoundEven(0.49999), 0);
}

TEST(ReportRounding, HalvingTruncatesTowardZero) {
  EXPECT_EQ(Half(115), 57);
  EXPECT_EQ(Half(-7), -3);
  EXPECT_EQ(Half(0), 0);
}

TEST(ReportRounding, NotANumberOrOutOfRangeIsAnInvalidOperation) {
  EXPECT_THROW(RoundEven(std::nan("")), EInvalidOp);
  EXPECT_THROW(RoundEven(3e9), EInvalidOp);
  EXPECT_THROW(RoundEven(-3e9), EInvalidOp);
  try {
    RoundEven(std::nan(""));
  } catch (const Exception& error) {
    EXPECT_EQ(error.Message(), "Invalid floating point operation");
  }
}

TEST(ReportFontHeight, PointsBecomeNegativeDeviceHeightsRoundedHalfAwayFromZero) {
  EXPECT_EQ(FontHeightForPoints(10, 72), -10);
  EXPECT_EQ(FontHeightForPoints(10, 300), -42);  // 41.67
  EXPECT_EQ(FontHeightForPoints(8, 300), -33);   // 33.33
  EXPECT_EQ(FontHeightForPoints(18, 300), -75);
  EXPECT_EQ(FontHeightForPoints(9, 4), -1);  // 0.5 exactly: away from zero
  EXPECT_EQ(FontHeightForPoints(8, 9), -1);  // 1.0
  EXPECT_EQ(FontHeightForPoints(10, 0), 0);
}

TEST(ReportLayoutGeometry, WorkedExampleNumberForNumber) {
  ReportLayout layout = ReportLayout::ForPage(kExamplePage, DriverColumns());
  EXPECT_NEAR(layout.vertUnit, 29.8423, 1e-4);
  EXPECT_NEAR(layout.horzUnit, 28.4286, 1e-4);
  EXPECT_EQ(layout.sideMargin, 43);
  EXPECT_EQ(layout.tableWidth, 485);
  EXPECT_EQ(layout.columnEdges,
            (std::vector<int>{43, 158, 204, 250, 296, 333, 370, 412, 458, 527}));
  EXPECT_EQ(layout.tableTop, 75);
  EXPECT_EQ(layout.cellInset, 3);
  EXPECT_EQ(layout.headerLift, 3);
  EXPECT_EQ(layout.ruleLift, 1);
  layout.SetLineHeight(kExamplePage, 11);
  EXPECT_EQ(layout.lineHeight, 11);
  EXPECT_EQ(layout.rowsPerPage, 61);
}

TEST(ReportLayoutGeometry, ExactHalfUnitProductsRoundToEven) {
  // HorzUnit exactly 235: 1.5 × 235 = 352.5 gives 352, not 353.
  const PageMetrics page{4935 - 2 * 10, 800, 10, 0};
  const ReportLayout layout = ReportLayout::ForPage(page, DriverColumns());
  EXPECT_EQ(layout.horzUnit, 235.0);
  EXPECT_EQ(layout.sideMargin, 352);
  EXPECT_EQ(layout.cellInset, 24);  // 23.5
}

TEST(ReportLayoutGeometry, EachShareIsRoundedOnItsOwn) {
  // Three equal columns of 485 / 3 = 161.67 each: the edges add 162 three times and end
  // one unit beyond the nominal right margin.
  const ReportLayout layout =
      ReportLayout::ForPage(kExamplePage, {{"a", 10}, {"b", 10}, {"c", 10}});
  EXPECT_EQ(layout.columnEdges, (std::vector<int>{43, 205, 367, 529}));
}

TEST(ReportLayoutGeometry, ZeroWidthColumnSharesAnEdgeWithItsNeighbour) {
  const ReportLayout layout =
      ReportLayout::ForPage(kExamplePage, {{"a", 100}, {"shut", 0}, {"c", 100}});
  // 242.5 each, rounded to the even 242.
  EXPECT_EQ(layout.columnEdges, (std::vector<int>{43, 285, 285, 527}));
}

TEST(ReportLayoutGeometry, NoFixedLimitOnTheNumberOfColumns) {
  const std::vector<ReportColumn> columns(200, ReportColumn{"c", 5});
  const ReportLayout layout = ReportLayout::ForPage(kExamplePage, columns);
  ASSERT_EQ(layout.columnEdges.size(), 201u);
  EXPECT_EQ(layout.columnEdges.back(), 43 + 200 * 2);  // 2.425 each
}

TEST(ReportLayoutGeometry, ColumnsAllShutAreAnInvalidOperation) {
  EXPECT_THROW(ReportLayout::ForPage(kExamplePage, {{"a", 0}, {"b", 0}}), EInvalidOp);
}

TEST(ReportLayoutGeometry, NoColumnsLeavesOneEdge) {
  const ReportLayout layout = ReportLayout::ForPage(kExamplePage, {});
  EXPECT_EQ(layout.columnEdges, (std::vector<int>{43}));
}

TEST(ReportRowsPerPage, ZeroLineHeightIsADivisionByZero) {
  ReportLayout layout = ReportLayout::ForPage(kExamplePage, DriverColumns());
  try {
    layout.SetLineHeight(kExamplePage, 0);
    FAIL() << "no error";
  } catch (const EZeroDivide& error) {
    EXPECT_EQ(error.Message(), "Floating point division by zero");
  }
}

TEST(ReportRowsPerPage, APageTooSmallForOneRowStillTakesOne) {
  const PageMetrics tiny{100, 4, 0, 0};  // (4 - 0.71) / 11 rounds to 0
  ReportLayout layout = ReportLayout::ForPage(tiny, DriverColumns());
  layout.SetLineHeight(tiny, 11);
  EXPECT_EQ(layout.rowsPerPage, 1);
  EXPECT_EQ(layout.PageCount(5), 5);

  const PageMetrics marginsOnly{100, 10, 0, 100};  // the margins alone overrun the page
  layout = ReportLayout::ForPage(marginsOnly, DriverColumns());
  layout.SetLineHeight(marginsOnly, 11);
  EXPECT_EQ(layout.rowsPerPage, 1);
}

TEST(ReportPageCount, SmallestCountThatHoldsEveryRow) {
  ReportLayout layout = ReportLayout::ForPage(kExamplePage, DriverColumns());
  layout.SetLineHeight(kExamplePage, 11);
  EXPECT_EQ(layout.PageCount(0), 1);
  EXPECT_EQ(layout.PageCount(1), 1);
  EXPECT_EQ(layout.PageCount(61), 1);
  EXPECT_EQ(layout.PageCount(62), 2);
  EXPECT_EQ(layout.PageCount(150), 3);
  EXPECT_EQ(layout.PageCount(183), 3);
  EXPECT_EQ(layout.PageCount(184), 4);
}
