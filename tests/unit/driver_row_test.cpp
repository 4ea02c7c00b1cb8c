#include "inventory/driver_row.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>

TEST(DriverRowSubItems, MissingIndexRaisesListError) {
  RowStore store;
  DriverRow& row = store.Append("X");
  row.subItems.push_back("Y");
  EXPECT_EQ(store.Row(0).SubItem(0), "Y");
  try {
    (void)store.Row(0).SubItem(1);
    FAIL() << "expected EStringListError";
  } catch (const EStringListError& e) {
    EXPECT_EQ(e.Message(), "List index out of bounds (1)");
  }
}

TEST(DriverRowCells, CaptionThenSubItemsAndNothingBeyond) {
  RowStore store;
  store.Append("X").subItems.push_back("Y");
  EXPECT_EQ(*store.FindCell(0, 0), "X");
  EXPECT_EQ(store.CellText(0, 1), "Y");
  for (const auto& [row, column] :
       {std::pair<std::size_t, std::size_t>{0, 2}, {1, 0}, {0, SIZE_MAX}, {SIZE_MAX, 0}}) {
    EXPECT_EQ(store.FindCell(row, column), nullptr) << row << "," << column;
    EXPECT_EQ(store.CellText(row, column), "");
  }
}
