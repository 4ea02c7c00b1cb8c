// What the list view costs a Refresh: 5,000 classes read through Refresh1Click into the real
// (owner-data) list view, against the same scan into a bare row store, in one run. HKLM is
// redirected to a scratch key, so the machine's own registry is never read or written.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "inventory/driver_scan.h"
#include "inventory/win32_registry_api.h"
#include "ui/win32_application.h"
#include "ui/win32_unit1.h"

namespace {

constexpr int kClasses = 5000;
constexpr int kRounds = 7;
constexpr char kScratch[] = "Software\\TolvaneListViewBench";

void SetText(HKEY key, const char* name, const std::string& text) {
  RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                 static_cast<DWORD>(text.size() + 1));
}

bool WriteRecords(HKEY root) {
  HKEY classes = nullptr;
  if (RegCreateKeyExA(root, "SYSTEM\\ControlSet002\\Control\\Class", 0, nullptr, 0, KEY_ALL_ACCESS,
                      nullptr, &classes, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  for (int i = 0; i < kClasses; ++i) {
    char name[64];
    std::snprintf(name, sizeof(name), "{%08d-e325-11ce-bfc1-08002be10318}\\0000", i);
    HKEY instance = nullptr;
    if (RegCreateKeyExA(classes, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &instance,
                        nullptr) != ERROR_SUCCESS) {
      RegCloseKey(classes);
      return false;
    }
    const std::string n = std::to_string(i);
    SetText(instance, "DriverDesc", "Benchmark Device " + n);
    SetText(instance, "ProviderName", "Benchmark Maker");
    SetText(instance, "DriverVersion", "10.0.19041." + n);
    SetText(instance, "DriverDate", "6-21-2006");
    SetText(instance, "InfPath", "oem" + n + ".inf");
    SetText(instance, "InfSection", "Install_" + n);
    SetText(instance, "InfSectionExt", "Install_" + n + ".NT");
    SetText(instance, "MatchingDeviceId", "PCI\\VEN_8086&DEV_" + n);
    SetText(instance, "EnumPropPages32", "pages.dll,Provider");
    RegCloseKey(instance);
  }
  RegCloseKey(classes);
  return true;
}

template <typename Work>
double Seconds(Work&& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main() {
  HKEY scratch = nullptr;
  RegDeleteTreeA(HKEY_CURRENT_USER, kScratch);
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kScratch, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &scratch,
                      nullptr) != ERROR_SUCCESS ||
      RegOverridePredefKey(HKEY_LOCAL_MACHINE, scratch) != ERROR_SUCCESS) {
    std::puts("cannot redirect HKEY_LOCAL_MACHINE to a scratch key");
    return 1;
  }
  int result = 0;
  if (!WriteRecords(HKEY_LOCAL_MACHINE)) {
    std::puts("cannot write the records");
    result = 1;
  } else {
    TApplication application(GetModuleHandleA(nullptr));
    TForm1 form(application);
    ShowWindow(form.Handle(), SW_SHOWNOACTIVATE);
    Win32RegistryApi registry;
    RowStore bare;
    std::vector<double> listView, store;
    for (int round = 0; round < kRounds; ++round) {
      listView.push_back(Seconds([&] {
        form.Refresh1Click(nullptr);
        UpdateWindow(form.ListView1);  // the visible rows painted too
      }));
      store.push_back(Seconds([&] { ScanDrivers(registry, bare); }));
    }
    const double a = Median(listView);
    const double b = Median(store);
    std::printf("classes: %d, rows in the list view: %zu, in the bare store: %zu\n", kClasses,
                form.Rows().Count(), bare.Count());
    std::printf("Refresh1Click into ListView1: %.1f ms (median of %d)\n", a * 1000, kRounds);
    std::printf("ScanDrivers into a RowStore:  %.1f ms (median of %d)\n", b * 1000, kRounds);
    std::printf("ratio: %.3f (at most 1.20)\n", b > 0 ? a / b : 0.0);
    if (form.Rows().Count() != static_cast<std::size_t>(kClasses)) result = 1;
  }
  RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
  RegCloseKey(scratch);
  RegDeleteTreeA(HKEY_CURRENT_USER, kScratch);
  return result;
}
