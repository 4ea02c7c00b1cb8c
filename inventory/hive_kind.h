// What a hive is, told by what it holds: a SYSTEM hive (Select and ControlSetNNN keys), a
// DRIVERS hive (DriverDatabase at its root and no control set: the driver store's own hive of
// Windows\System32\config) or an Amcache hive (Root\InventoryDriverBinary or Root\File), and
// the views each kind serves, the first its own.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "inventory/registry_api.h"
#include "inventory/view.h"

// A view a kind of hive serves and what its rows are, in words.
struct ServedView {
  std::string_view view;
  std::string_view holds;  // e.g. "driver files"
};

struct HiveKind {
  std::string_view name;  // "a SYSTEM hive"
  std::span<const ServedView> views;
};

// The kind of the hive behind the registry's HKEY_LOCAL_MACHINE\SYSTEM, or null where it is
// none of the three. Raises ERecordsError when a key that tells cannot be read.
const HiveKind* FindHiveKind(RegistryApi& registry);
// The kind the live registry's HKEY_LOCAL_MACHINE\SYSTEM is.
const HiveKind& SystemHiveKind();
// The view a kind lists when none is asked for.
const ViewSchema& OwnView(const HiveKind& kind);
// Whether the kind serves the view. A view that belongs to no kind (one computed from others)
// is served by every kind.
bool Serves(const HiveKind& kind, const ViewSchema& view);
// "'NAME' is an Amcache hive: it holds driver files (--view files), not devices".
std::string NotServedText(const HiveKind& kind, std::string_view hive, const ViewSchema& view);
