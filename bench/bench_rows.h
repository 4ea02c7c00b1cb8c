// The rows the benchmarks feed the report and the export: the same rows for a benchmark's
// native and Windows halves, so their figures describe the same work.
#pragma once

#include <cstddef>
#include <string>

#include "inventory/driver_row.h"

// Driver-like rows with short cells, most of them alike: what a report prints.
inline RowStore ReportBenchRows(std::size_t count) {
  RowStore rows;
  for (std::size_t i = 0; i < count; ++i) {
    DriverRow& row = rows.Append("Standard device driver " + std::to_string(i));
    row.subItems = {"Microsoft",
                    "10.0.19041.1",
                    "6/21/2006",
                    "oem12.inf",
                    "Install",
                    "Install.NT",
                    "PCI\\VEN_8086&DEV_" + std::to_string(i),
                    ""};
  }
  return rows;
}

// Rows whose saved lines are about 95 bytes long: what an export writes.
inline RowStore ExportBenchRows(int count) {
  RowStore rows;
  for (int i = 0; i < count; ++i) {
    DriverRow& row = rows.Append(std::string(60 + i % 20, static_cast<char>('A' + i % 26)));
    row.subItems = {"Provider " + std::to_string(i % 997),
                    "10.0." + std::to_string(i % 30000),
                    "6-21-2006",
                    "oem12.inf",
                    "Section",
                    "Section.NT",
                    "PCI\\VEN_8086",
                    ""};
  }
  return rows;
}
