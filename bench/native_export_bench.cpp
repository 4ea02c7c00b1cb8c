// The text export's own cost: a million rows of about 100 bytes a line saved into the
// in-memory files, in nanoseconds per row (the fake's recording of every block included).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "fake_file_api.h"
#include "output/text_export.h"

namespace {

constexpr int kRows = 1000000;
constexpr int kRounds = 5;

RowStore MakeRows() {
  RowStore rows;
  for (int i = 0; i < kRows; ++i) {
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

}  // namespace

int main() {
  const RowStore rows = MakeRows();
  std::vector<double> perRow;
  std::size_t bytes = 0;
  for (int round = 0; round < kRounds; ++round) {
    FakeFileApi files;
    IoResult ioResult;
    const auto start = std::chrono::steady_clock::now();
    SaveRows(files, rows, "drivers.txt", ioResult);
    const auto stop = std::chrono::steady_clock::now();
    bytes = files.Contents("drivers.txt").size();
    perRow.push_back(std::chrono::duration<double, std::nano>(stop - start).count() / kRows);
  }
  std::sort(perRow.begin(), perRow.end());
  std::printf("native export into the fake: %d rows, %zu bytes (%.1f bytes a line)\n", kRows, bytes,
              static_cast<double>(bytes) / kRows);
  std::printf("ns per row: median %.1f (min %.1f, max %.1f, %d rounds)\n", perRow[kRounds / 2],
              perRow.front(), perRow.back(), kRounds);
  return 0;
}
