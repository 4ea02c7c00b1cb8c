// The driver scan: the body of the Refresh command. Reads the first driver instance of every
// device setup class of one control set into the row store.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "inventory/driver_row.h"
#include "inventory/registry_api.h"

// Replaces the rows of the store with those of a new scan and returns the number of rows. An
// ERegistryException ends the scan early: the rows appended before it stay.
std::size_t ScanDrivers(RegistryApi& registry, RowStore& rows);

// The window's order of control sets: ControlSet002, ControlSet003, then ControlSet001.
extern const std::span<const std::string_view> kWindowClassKeyPaths;

// The same scan over the Class keys given (absolute paths under HKEY_LOCAL_MACHINE with a
// trailing backslash), tried in order. Returns the path that opened, or an empty view when
// none did (and then no rows).
std::string_view ScanDriverClasses(RegistryApi& registry, RowStore& rows,
                                   std::span<const std::string_view> classKeyPaths);
