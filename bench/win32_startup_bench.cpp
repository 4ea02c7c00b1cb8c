// Start-up time: from process creation to the first visible top-level window of that process,
// for three programs started the same way in one run, interleaved so that machine noise falls
// on all of them alike: a bare window, the floor (the program's window with its controls and
// no rows) and the program. Each round also times the scan of the machine's driver records
// alone, in this process. Prints the median of each program in milliseconds with its ratio to
// the bare window, the scan's median, and the program against the floor plus the scan.
//   startup_bench ROUNDS BARE FLOOR PROGRAM
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "inventory/driver_scan.h"
#include "inventory/win32_registry_api.h"

namespace {

struct Search {
  DWORD processId;
  bool found;
};

BOOL CALLBACK FindVisibleWindow(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  RECT r;
  if (owner == search->processId && IsWindowVisible(window) && GetWindowRect(window, &r) &&
      r.right > r.left && r.bottom > r.top) {
    search->found = true;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK CloseWindows(HWND window, LPARAM processId) {
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == static_cast<DWORD>(processId)) PostMessageA(window, WM_CLOSE, 0, 0);
  return TRUE;
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return double(to.QuadPart - from.QuadPart) / double(frequency.QuadPart);
}

// Returns the seconds until the program's first window was visible, or a negative number.
double TimeOneStart(const std::string& exe) {
  std::string commandLine = "\"" + exe + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  LARGE_INTEGER start, now;
  QueryPerformanceCounter(&start);
  if (!CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return -1;
  }
  double elapsed = -1;
  for (;;) {
    Search search{process.dwProcessId, false};
    EnumWindows(FindVisibleWindow, reinterpret_cast<LPARAM>(&search));
    QueryPerformanceCounter(&now);
    if (search.found) {
      elapsed = Seconds(start, now);
      break;
    }
    if (Seconds(start, now) > 60 || WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0) {
      break;
    }
    Sleep(1);
  }
  EnumWindows(CloseWindows, static_cast<LPARAM>(process.dwProcessId));
  if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) {
    TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, INFINITE);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return elapsed;
}

// The scan that the program's first Refresh runs, into a store of its own.
double TimeScan() {
  LARGE_INTEGER start, end;
  QueryPerformanceCounter(&start);
  RowStore rows;
  Win32RegistryApi registry;
  ScanDrivers(registry, rows);
  QueryPerformanceCounter(&end);
  return Seconds(start, end);
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: startup_bench ROUNDS BARE FLOOR PROGRAM\n");
    return 2;
  }
  const int rounds = std::max(1, std::atoi(argv[1]));
  std::vector<std::string> programs(argv + 2, argv + argc);
  std::vector<std::vector<double>> times(programs.size());
  std::vector<double> scans;
  for (int round = 0; round < rounds; ++round) {
    for (size_t i = 0; i < programs.size(); ++i) {
      const double t = TimeOneStart(programs[i]);
      if (t < 0) {
        std::fprintf(stderr, "startup_bench: %s showed no window\n", programs[i].c_str());
        return 1;
      }
      times[i].push_back(t);
    }
    scans.push_back(TimeScan());
  }
  const double base = Median(times[0]);
  for (size_t i = 0; i < programs.size(); ++i) {
    const double median = Median(times[i]);
    std::printf("%-40s %8.1f ms  x%.2f\n", programs[i].c_str(), median * 1000, median / base);
  }
  const double scan = Median(scans);
  std::printf("%-40s %8.1f ms\n", "scan alone", scan * 1000);
  std::printf("program / (floor + scan alone): x%.2f\n",
              Median(times[2]) / (Median(times[1]) + scan));
  return 0;
}
