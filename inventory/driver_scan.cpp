#include "inventory/driver_scan.h"

#include <array>
#include <string_view>
#include <vector>

#include "inventory/registry.h"

namespace {

// Tried in this order; the first Class key that opens chooses the control set.
constexpr std::array<std::string_view, 3> kClassKeyPaths{
    "\\SYSTEM\\ControlSet002\\Control\\Class\\",
    "\\SYSTEM\\ControlSet003\\Control\\Class\\",
    "\\SYSTEM\\ControlSet001\\Control\\Class\\",
};

constexpr std::string_view kInstanceSuffix = "\\0000";

}  // namespace

const std::span<const std::string_view> kWindowClassKeyPaths{kClassKeyPaths};

std::size_t ScanDrivers(RegistryApi& registry, RowStore& rows) {
  ScanDriverClasses(registry, rows, kClassKeyPaths);
  return rows.Count();
}

std::string_view ScanDriverClasses(RegistryApi& registry, RowStore& rows,
                                   std::span<const std::string_view> classKeyPaths) {
  rows.Clear();

  // Both live only for this scan and are released on every way out, an error's included.
  std::vector<std::string> classNames;
  TRegistry reader(registry);
  reader.SelectRoot(kHKeyLocalMachine);

  const std::string_view* classKeyPath = nullptr;
  for (const std::string_view& path : classKeyPaths) {
    if (reader.OpenExisting(path)) {
      classKeyPath = &path;
      break;
    }
  }

  if (classKeyPath) {
    reader.ListSubkeys(classNames);
    std::string instancePath;
    for (const std::string& name : classNames) {
      instancePath.assign(*classKeyPath).append(name).append(kInstanceSuffix);
      if (!reader.OpenExisting(instancePath)) continue;
      std::string description = reader.ReadText(kDriverColumns[0].valueName);
      if (!description.empty()) {
        DriverRow& row = rows.Append(std::move(description));
        for (std::size_t column = 1; column < kDriverColumns.size(); ++column) {
          row.subItems.push_back(reader.ReadText(kDriverColumns[column].valueName));
        }
      }
      reader.CloseCurrent();
    }
  }
  return classKeyPath ? *classKeyPath : std::string_view();
}
