// The driver scan: the body of the Refresh command. Reads the first driver instance of every
// device setup class of one control set into the row store.
#pragma once

#include <string>

#include "inventory/driver_row.h"
#include "inventory/registry_api.h"

// Replaces the rows of the store with those of a new scan and returns the status text
// ("Count: " and the number of rows). An ERegistryException ends the scan early: the rows
// appended before it stay, and no status text is returned.
std::string ScanDrivers(RegistryApi& registry, RowStore& rows);
