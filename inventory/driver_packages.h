// The driver store's packages: every key under DriverDatabase\DriverPackages of a SYSTEM hive
// (or of the DRIVERS hive Windows keeps beside it), as `pnputil /enum-drivers` lists them on a
// running Windows: published and original INF name, provider, class, version and date, signer,
// and whether Windows installs from it today.
#pragma once

#include <string>
#include <string_view>

#include "inventory/view.h"

const ViewSchema& PackagesView();

// The INF's name of a package key named <inf>_<architecture>_<hash>: the name up to that
// tail, or the whole name where it has no such tail.
std::string PackageInfName(std::string_view package);
