#include "inventory/driver_row.h"

#include <gtest/gtest.h>

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
