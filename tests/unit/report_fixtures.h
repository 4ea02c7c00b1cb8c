// Inputs the report's tests share: the driver list's columns at their design widths, and rows
// with every cell filled.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "inventory/driver_row.h"
#include "output/report_layout.h"

inline std::vector<ReportColumn> DriverColumns() {
  std::vector<ReportColumn> columns;
  for (const DriverColumn& column : kDriverColumns)
    columns.push_back({std::string(column.caption), column.width});
  return columns;
}

inline RowStore FullRows(std::size_t count) {
  RowStore store;
  for (std::size_t i = 0; i < count; ++i) {
    DriverRow& row = store.Append("Driver " + std::to_string(i));
    for (int j = 1; j < 9; ++j) row.subItems.push_back("v" + std::to_string(j));
  }
  return store;
}
