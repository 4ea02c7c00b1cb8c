#include "inventory/hive_kind.h"

#include <array>

#include "common/message_text.h"
#include "inventory/driver_record.h"
#include "inventory/registry_read.h"

namespace {

constexpr std::array<ServedView, 4> kSystemViews{{{"records", "driver records"},
                                                  {"devices", "devices"},
                                                  {"services", "driver services"},
                                                  {"packages", "driver packages"}}};
constexpr std::array<ServedView, 1> kDriversViews{{{"packages", "driver packages"}}};
constexpr std::array<ServedView, 1> kAmcacheViews{{{"files", "driver files"}}};

constexpr std::array<HiveKind, 3> kKinds{{{"a SYSTEM hive", kSystemViews},
                                          {"a DRIVERS hive", kDriversViews},
                                          {"an Amcache hive", kAmcacheViews}}};

// Whether the hive has the key; a key that is there but cannot be opened leaves the kind
// untold, and raises ERecordsError.
bool HasKey(RegistryApi& registry, const std::string& path) {
  OpenKey key(registry);
  const long code = key.Open(kHKeyLocalMachine, SystemPath(path));
  if (code != kErrorSuccess && code != kErrorFileNotFound) {
    throw ERecordsError(path + " cannot be opened", code);
  }
  return code == kErrorSuccess;
}

const ServedView* FindServed(const HiveKind& kind, std::string_view view) {
  for (const ServedView& served : kind.views) {
    if (served.view == view) return &served;
  }
  return nullptr;
}

}  // namespace

const HiveKind* FindHiveKind(RegistryApi& registry) {
  const bool controlSets = !ControlSets(registry).empty();
  if (controlSets && HasKey(registry, "Select")) return &kKinds[0];
  if (!controlSets && HasKey(registry, "DriverDatabase")) return &kKinds[1];
  if (HasKey(registry, "Root\\InventoryDriverBinary") || HasKey(registry, "Root\\File")) {
    return &kKinds[2];
  }
  return nullptr;
}

const HiveKind& SystemHiveKind() { return kKinds[0]; }

const ViewSchema& OwnView(const HiveKind& kind) { return *FindView(kind.views.front().view); }

bool Serves(const HiveKind& kind, const ViewSchema& view) {
  if (FindServed(kind, view.name)) return true;
  for (const HiveKind& other : kKinds) {
    if (FindServed(other, view.name)) return false;
  }
  return true;
}

std::string NotServedText(const HiveKind& kind, std::string_view hive, const ViewSchema& view) {
  std::string text = QuotedName(hive) + " is " + std::string(kind.name) + ": it holds ";
  for (std::size_t i = 0; i < kind.views.size(); ++i) {
    if (i) text += i + 1 == kind.views.size() ? " and " : ", ";
    text += std::string(kind.views[i].holds) + " (--view " + std::string(kind.views[i].view) + ")";
  }
  const ServedView* asked = nullptr;
  for (const HiveKind& other : kKinds) {
    if (!asked) asked = FindServed(other, view.name);
  }
  return text + ", not " + std::string(asked ? asked->holds : view.name);
}
