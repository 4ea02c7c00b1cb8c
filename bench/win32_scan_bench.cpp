// How much the scan adds to the registry's own cost: with HKEY_LOCAL_MACHINE redirected to a
// scratch key holding 5,000 classes, times (a) the bare sequence of registry calls that the
// scan has to make and (b) the scan into a row store, interleaved, and prints the ratio of the
// medians b/a (at most 1.10 is the goal) and the scan's time per class.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "inventory/driver_scan.h"
#include "inventory/win32_registry_api.h"
#include "tests/windows/win32_registry_sandbox.h"

namespace {

constexpr int kClasses = 5000;
// The machine is shared: many short interleaved rounds, medians, and the ratio of each
// adjacent pair, so that load which comes and goes falls on both sides alike.
constexpr int kRounds = 15;
constexpr const char* kClassKey = "SYSTEM\\ControlSet002\\Control\\Class\\";

bool Populate(RegistrySandbox& sandbox) {
  for (int i = 0; i < kClasses; ++i) {
    char name[64];
    std::snprintf(name, sizeof name, "{4d36e96%d-e325-11ce-bfc1-08002be1%04d}", i % 10, i);
    const std::string instance = std::string(kClassKey) + name + "\\0000";
    const std::string texts[] = {
        "Generic Bench Device " + std::to_string(i),
        "Tolvane Benchmarks",
        "10.0.19041." + std::to_string(i),
        "6-21-2006",
        "oem" + std::to_string(i) + ".inf",
        "Bench_Install.NT",
        ".NTamd64",
        "root\\bench_" + std::to_string(i),
        "bench.dll,BenchPropPageProvider",
    };
    for (std::size_t v = 0; v < kDriverColumns.size(); ++v) {
      const std::string valueName(kDriverColumns[v].valueName);
      if (!sandbox.SetText(instance, valueName.c_str(), texts[v])) return false;
    }
  }
  return true;
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The calls the scan must make, with nothing around them: fixed buffers, no rows kept.
std::size_t BareSequence() {
  HKEY classKey = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kClassKey, 0, KEY_READ, &classKey) != ERROR_SUCCESS) {
    return 0;
  }
  DWORD count = 0, longest = 0;
  RegQueryInfoKeyA(classKey, nullptr, nullptr, nullptr, &count, &longest, nullptr, nullptr, nullptr,
                   nullptr, nullptr, nullptr);
  std::vector<char> names(static_cast<std::size_t>(count) * (longest + 1));
  for (DWORD i = 0; i < count; ++i) {
    DWORD size = longest + 1;
    RegEnumKeyExA(classKey, i, &names[i * (longest + 1)], &size, nullptr, nullptr, nullptr,
                  nullptr);
  }
  std::size_t bytes = 0;
  static BYTE data[4096];
  char path[512];
  for (DWORD i = 0; i < count; ++i) {
    std::snprintf(path, sizeof path, "%s%s\\0000", kClassKey, &names[i * (longest + 1)]);
    HKEY instance = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &instance) != ERROR_SUCCESS) continue;
    if (classKey) {
      RegCloseKey(classKey);
      classKey = nullptr;
    }
    for (const DriverColumn& column : kDriverColumns) {
      DWORD type = 0, size = 0;
      if (RegQueryValueExA(instance, column.valueName.data(), nullptr, &type, nullptr, &size) !=
              ERROR_SUCCESS ||
          size == 0 || size > sizeof data) {
        continue;
      }
      RegQueryValueExA(instance, column.valueName.data(), nullptr, &type, data, &size);
      bytes += size;
    }
    RegCloseKey(instance);
  }
  if (classKey) RegCloseKey(classKey);
  return bytes;
}

double Median(std::vector<double> times) {
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

}  // namespace

int main() {
  RegistrySandbox sandbox("scan-bench");
  if (!sandbox.Ready() || !Populate(sandbox)) {
    std::fprintf(stderr, "scan_bench: could not build the scratch registry\n");
    return 1;
  }

  Win32RegistryApi api;
  RowStore rows;
  std::vector<double> bare, scan;
  std::size_t bytes = 0;
  auto timeBare = [&] {
    LARGE_INTEGER from, to;
    QueryPerformanceCounter(&from);
    bytes = BareSequence();
    QueryPerformanceCounter(&to);
    bare.push_back(Seconds(from, to));
  };
  auto timeScan = [&] {
    LARGE_INTEGER from, to;
    QueryPerformanceCounter(&from);
    ScanDrivers(api, rows);
    QueryPerformanceCounter(&to);
    scan.push_back(Seconds(from, to));
  };
  timeBare();  // warm-up of both, not counted
  timeScan();
  bare.clear();
  scan.clear();
  for (int round = 0; round < kRounds; ++round) {
    if (round % 2 == 0) {
      timeBare();
      timeScan();
    } else {
      timeScan();
      timeBare();
    }
  }

  const double a = Median(bare);
  const double b = Median(scan);
  std::vector<double> pairRatios;
  for (int round = 0; round < kRounds; ++round) pairRatios.push_back(scan[round] / bare[round]);
  std::printf("classes: %d, rows: %zu, bytes read by the bare sequence: %zu\n", kClasses,
              rows.Count(), bytes);
  std::printf("(a) bare registry calls: median %.1f ms of %d rounds\n", a * 1e3, kRounds);
  std::printf("(b) ScanDrivers:         median %.1f ms of %d rounds\n", b * 1e3, kRounds);
  std::printf("b/a: %.3f (median of the pairwise ratios: %.3f)\n", b / a, Median(pairRatios));
  std::printf("scan time per class: %.1f us\n", b * 1e6 / kClasses);
  return rows.Count() == static_cast<std::size_t>(kClasses) ? 0 : 1;
}
