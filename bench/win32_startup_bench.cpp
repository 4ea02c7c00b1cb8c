// Start-up time: from process creation to the first visible top-level window of that process,
// for three programs started the same way in one run, interleaved so that machine noise falls
// on all of them alike: a bare window, the floor (the program's window with its controls and
// no rows) and the program. Each round also times the scan of the machine's driver records
// alone, in a fresh process of this benchmark's own (startup_bench --scan, which prints the
// seconds its one scan took), watched as a start is watched: a scan's calls into the Wine
// server cost several times more while the machine's processors idle than while one is busy, so
// the scan is timed where the program meets it, in a new process with this one polling, never
// warm in this one. Prints the median of each program in milliseconds with its ratio to the
// bare window, the scan's median, and the program against the floor plus the scan.
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

// Watches a started process as every start is watched, enumerating the windows every
// millisecond: true, with the seconds since `start`, once one of its windows is visible; false
// once it has ended or a minute has passed.
bool WaitForVisibleWindow(const PROCESS_INFORMATION& process, LARGE_INTEGER start,
                          double& elapsed) {
  for (;;) {
    Search search{process.dwProcessId, false};
    EnumWindows(FindVisibleWindow, reinterpret_cast<LPARAM>(&search));
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    elapsed = Seconds(start, now);
    if (search.found) return true;
    if (elapsed > 60 || WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0) return false;
    Sleep(1);
  }
}

void EndProcess(const PROCESS_INFORMATION& process) {
  if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) {
    TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, INFINITE);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}

// Returns the seconds until the program's first window was visible, or a negative number.
double TimeOneStart(const std::string& exe) {
  std::string commandLine = "\"" + exe + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  LARGE_INTEGER start;
  QueryPerformanceCounter(&start);
  if (!CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return -1;
  }
  double elapsed = -1;
  if (!WaitForVisibleWindow(process, start, elapsed)) elapsed = -1;
  EnumWindows(CloseWindows, static_cast<LPARAM>(process.dwProcessId));
  EndProcess(process);
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

// That scan in a fresh process of this benchmark, read from its output; a negative number if
// it could not be had.
double TimeScanAlone() {
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  SECURITY_ATTRIBUTES inherited{sizeof(inherited), nullptr, TRUE};
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherited, 0)) return -1;
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  std::string commandLine = "\"" + std::string(self) + "\" --scan";
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writeEnd;
  PROCESS_INFORMATION process{};
  LARGE_INTEGER start;
  QueryPerformanceCounter(&start);
  const BOOL started = CreateProcessA(self, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                      nullptr, &startup, &process);
  CloseHandle(writeEnd);
  double seconds = -1;
  if (started) {
    double elapsed;
    WaitForVisibleWindow(process, start, elapsed);
    EndProcess(process);
    char text[64];
    DWORD got = 0;
    if (ReadFile(readEnd, text, sizeof(text) - 1, &got, nullptr) && got > 0) {
      text[got] = '\0';
      seconds = std::atof(text);
    }
  }
  CloseHandle(readEnd);
  return seconds;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::string(argv[1]) == "--scan") {
    std::printf("%.6f\n", TimeScan());
    return 0;
  }
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
    const double scan = TimeScanAlone();
    if (scan < 0) {
      std::fprintf(stderr, "startup_bench: the scan alone gave no time\n");
      return 1;
    }
    scans.push_back(scan);
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
