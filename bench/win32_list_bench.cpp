// tolvane-list.exe's own cost under Wine against the window's scan of the same records (the
// machine registry of the benchmark's prefix, where scripts/bench imports 5,000 classes):
// in turns, in one process, (a) the scan into a row store as Refresh makes it and (b) what
// tolvane-list --format save runs, the same scan and the saved text written through the file
// seam to a counter. Prints the ratio of the medians b/a and the time per class.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/counting_file_api.h"
#include "cli/list_command.h"
#include "inventory/driver_scan.h"
#include "inventory/win32_registry_api.h"

namespace {

constexpr int kRounds = 15;

double Now() {
  LARGE_INTEGER counter, frequency;
  QueryPerformanceCounter(&counter);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> times) {
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

}  // namespace

int main() {
  Win32RegistryApi api;
  RowStore rows;
  std::vector<double> scan, list;
  std::size_t bytes = 0;
  auto timeScan = [&] {
    const double from = Now();
    ScanDrivers(api, rows);
    scan.push_back(Now() - from);
  };
  ListOptions options = ParseListOptions(0, nullptr, ListSource::kLiveRegistry);
  options.format = ListFormat::kSave;
  const ListHost host{
      [&](const std::string&, const std::function<void(RegistryApi&)>& use) { use(api); },
      [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); },
      [](long code) { return std::to_string(code); }};
  auto timeList = [&] {
    CountingFileApi output;
    const double from = Now();
    RunList(options, ListSource::kLiveRegistry, output, host);
    list.push_back(Now() - from);
    bytes = output.bytes;
  };
  timeScan();  // warm-up of both, not counted
  timeList();
  if (rows.Count() == 0) {
    std::fprintf(stderr, "list_bench: no driver records in this prefix\n");
    return 1;
  }
  scan.clear();
  list.clear();
  for (int round = 0; round < kRounds; ++round) {
    if (round % 2 == 0) {
      timeScan();
      timeList();
    } else {
      timeList();
      timeScan();
    }
  }
  const double a = Median(scan), b = Median(list);
  std::printf("%zu classes, %zu bytes listed, %d rounds each, in turns\n", rows.Count(), bytes,
              kRounds);
  std::printf("the window's scan: %.2f ms, %.2f us per class (median)\n", a * 1e3,
              a * 1e6 / static_cast<double>(rows.Count()));
  std::printf("tolvane-list: %.2f ms (median)\n", b * 1e3);
  std::printf("tolvane-list / scan: %.3f\n", b / a);
  return 0;
}
