// The text export through the real file calls against its floor: the same bytes handed to
// WriteFile 128 at a time by a bare loop. Runs alternate in one process; the ratio of the
// medians is what counts (at most 1.10), the machine being shared and noisy: one round strays
// by up to a tenth, so fifteen of each are timed.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "output/text_export.h"
#include "bench/counting_file_api.h"
#include "bench_rows.h"
#include "output/win32_file_api.h"

namespace {

constexpr int kRows = 1000000;
constexpr int kRounds = 15;

RowStore MakeRows(std::string& text) {
  RowStore rows = ExportBenchRows(kRows);
  for (std::size_t i = 0; i < rows.Count(); ++i) {
    const DriverRow& row = rows.Row(i);
    text += row.caption + "," + row.subItems[0] + "," + row.subItems[1] + "\r\n";
  }
  return rows;
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double TimeExport(const RowStore& rows, const std::string& path) {
  Win32FileApi files;
  IoResult ioResult;
  LARGE_INTEGER start, stop;
  QueryPerformanceCounter(&start);
  SaveRows(files, rows, path, ioResult);
  QueryPerformanceCounter(&stop);
  return Seconds(start, stop);
}

double TimeOwnWork(const RowStore& rows) {
  CountingFileApi files;
  IoResult ioResult;
  LARGE_INTEGER start, stop;
  QueryPerformanceCounter(&start);
  SaveRows(files, rows, "null", ioResult);
  QueryPerformanceCounter(&stop);
  return Seconds(start, stop);
}

double TimeFloor(const std::string& text, const std::string& path) {
  LARGE_INTEGER start, stop;
  QueryPerformanceCounter(&start);
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  GetFileType(file);
  DWORD written;
  for (std::size_t at = 0; at < text.size(); at += 128) {
    const DWORD count = static_cast<DWORD>(std::min<std::size_t>(128, text.size() - at));
    WriteFile(file, text.data() + at, count, &written, nullptr);
  }
  CloseHandle(file);
  QueryPerformanceCounter(&stop);
  return Seconds(start, stop);
}

long long FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main() {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string path = std::string(temp) + "tolvane_export_bench.txt";
  std::string text;
  const RowStore rows = MakeRows(text);

  std::vector<double> exports, floors;
  for (int round = 0; round < kRounds; ++round) {
    // Alternate which goes first, so a drift of the machine weighs on both alike.
    if (round % 2 == 0) {
      exports.push_back(TimeExport(rows, path));
      floors.push_back(TimeFloor(text, path));
    } else {
      floors.push_back(TimeFloor(text, path));
      exports.push_back(TimeExport(rows, path));
    }
    std::printf("round %d: export %.3f s, floor %.3f s\n", round + 1, exports.back(),
                floors.back());
  }
  std::vector<double> ownWork;
  for (int round = 0; round < kRounds; ++round) ownWork.push_back(TimeOwnWork(rows));
  TimeExport(rows, path);
  const long long size = FileSize(path);
  DeleteFileA(path.c_str());
  if (size != static_cast<long long>(text.size())) {
    std::printf("export wrote %lld bytes, expected %zu\n", size, text.size());
    return 1;
  }

  const double ratio = Median(exports) / Median(floors);
  std::printf("%d rows, %zu bytes (%.1f bytes a line), %zu WriteFile calls of 128 bytes or less\n",
              kRows, text.size(), static_cast<double>(text.size()) / kRows,
              (text.size() + 127) / 128);
  std::printf("median export %.3f s, median floor %.3f s, ratio %.3f (limit 1.10)\n",
              Median(exports), Median(floors), ratio);
  std::printf("the export's own work (no file behind the seam): median %.3f s, %.1f ns per row\n",
              Median(ownWork), Median(ownWork) * 1e9 / kRows);
  return ratio <= 1.10 ? 0 : 1;
}
