// Reads the running program's resource use from outside its process, for the soak test:
// kernel handles, GDI objects, USER objects and working set. Where Wine leaves a counting call
// unimplemented (it answers 0), the probe counts the same objects another way and says so.
//   resource_probe [figures]   key=value lines for the process that owns Tolvane's main window
//   resource_probe handles     each of the program's handles: value, type and name
//   resource_probe selfcheck   proves each count follows objects made and freed in the probe
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/gui/win32_resource_counts.h"

namespace {

using namespace resource_counts;

// The process of Tolvane's main window, or 0.
DWORD ProgramProcess() {
  HWND main = FindWindowA("TForm1", nullptr);
  DWORD pid = 0;
  if (main) GetWindowThreadProcessId(main, &pid);
  return pid;
}

int PrintFigures() {
  const DWORD pid = ProgramProcess();
  if (!pid) {
    std::puts("running=0");
    return 1;
  }
  const Figures figures = Measure(pid);
  std::printf("running=1\npid=%lu\n", pid);
  std::printf("handles=%lld\nhandles_source=%s\nhandles_api=%lu\n", figures.handles.value,
              figures.handles.source, figures.handlesApi);
  std::printf("handles_comdlg_mru=%lld\n", ComDlgMruKeys(pid));
  std::printf("gdi=%lld\ngdi_source=%s\ngdi_api=%lu\n", figures.gdi.value, figures.gdi.source,
              figures.gdiApi);
  std::printf("user=%lld\nuser_source=%s\nuser_api=%lu\n", figures.user.value, figures.user.source,
              figures.userApi);
  std::printf("workingset=%llu\nprivate=%llu\n",
              static_cast<unsigned long long>(figures.workingSet),
              static_cast<unsigned long long>(figures.privateBytes));
  return 0;
}

// Every handle of the program: value, type and name, to tell what a growing count is made of.
int PrintHandles() {
  const DWORD pid = ProgramProcess();
  HANDLE process = pid ? OpenProcess(PROCESS_DUP_HANDLE, FALSE, pid) : nullptr;
  const auto handles = ProcessHandles(pid);
  if (!process || !handles) return 1;
  for (const SystemHandleEntry& entry : *handles) {
    std::printf("%#llx %s %s\n", static_cast<unsigned long long>(entry.handleValue),
                HandleText(process, entry.handleValue, kObjectTypeInformation).c_str(),
                HandleText(process, entry.handleValue, kObjectNameInformation).c_str());
  }
  CloseHandle(process);
  return 0;
}

// Each count, taken the way the soak test takes it, must rise by exactly what the probe makes
// and fall back when it frees it again; a count that does not move is of no use to the test.
int SelfCheck() {
  constexpr int kMade = 40;
  const DWORD self = GetCurrentProcessId();
  std::vector<HANDLE> events;
  std::vector<HGDIOBJ> objects;
  std::vector<HWND> windows;
  const auto make = [&](int i) {
    events.push_back(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    objects.push_back(CreateSolidBrush(RGB(i, 0, 0)));
    objects.push_back(
        CreateFontA(-10 - i, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial"));
    windows.push_back(CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                      nullptr, nullptr));
  };
  const auto freeAll = [&] {
    for (HANDLE event : events) CloseHandle(event);
    for (HGDIOBJ object : objects) DeleteObject(object);
    for (HWND window : windows) DestroyWindow(window);
    events.clear();
    objects.clear();
    windows.clear();
  };
  // The first window of a process sets up its desktop and GDI for good, and a thread with
  // windows has its input method window while it has any: neither is counted.
  make(0);
  freeAll();
  HWND keeper =
      CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  const Figures before = Measure(self);
  for (int i = 0; i < kMade; ++i) make(i);
  const Figures made = Measure(self);
  freeAll();
  const Figures freed = Measure(self);
  DestroyWindow(keeper);

  int failures = 0;
  const auto check = [&](const char* what, const Figure& a, const Figure& b, const Figure& c,
                         long long expected) {
    const bool ok = a.value >= 0 && b.value - a.value == expected && c.value == a.value;
    std::printf("%s %s (%s): %lld, %lld with %lld more made, %lld once freed\n",
                ok ? "ok:" : "FAIL:", what, a.source, a.value, b.value, expected, c.value);
    if (!ok) ++failures;
  };
  check("handles", before.handles, made.handles, freed.handles, kMade);
  check("GDI objects", before.gdi, made.gdi, freed.gdi, 2 * kMade);
  check("USER objects", before.user, made.user, freed.user, kMade);
  const bool memoryOk = before.workingSet > 0;
  std::printf("%s working set: %llu bytes\n",
              memoryOk ? "ok:" : "FAIL:", static_cast<unsigned long long>(before.workingSet));
  std::printf(
      "as the system reports them: GetProcessHandleCount=%lu (%s) GetGuiResources "
      "GDI=%lu USER=%lu\n",
      before.handlesApi, before.handlesApiOk ? "success" : "failure", before.gdiApi,
      before.userApi);
  return failures == 0 && memoryOk ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "figures";
  if (command == "figures") return PrintFigures();
  if (command == "selfcheck") return SelfCheck();
  if (command == "handles") return PrintHandles();
  std::fputs("usage: resource_probe [figures|handles|selfcheck]\n", stderr);
  return 2;
}
