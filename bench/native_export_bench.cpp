// The text export's own cost: a million rows of about 100 bytes a line saved into the
// in-memory files, in nanoseconds per row (the fake's recording of every block included).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "fake_file_api.h"
#include "bench_rows.h"
#include "output/text_export.h"

namespace {

constexpr int kRows = 1000000;
constexpr int kRounds = 5;

}  // namespace

int main() {
  const RowStore rows = ExportBenchRows(kRows);
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
