// The driver files Windows saw, as Amcache.hve (Windows\AppCompat\Programs) keeps them under
// Root\InventoryDriverBinary: one key a file, named by the file's id ("0000" and its SHA-1)
// or, on later Windows 10 versions, by its path with the id in DriverId. The SHA-1 is the one
// Windows recorded, not a hash of the file as it is on the disk now.
#pragma once

#include <string>
#include <string_view>

#include "inventory/view.h"

const ViewSchema& FilesView();

// The SHA-1 of a file id ("0000" and 40 hex digits, or the 40 digits alone) in lowercase, or
// empty where the id holds no such SHA-1.
std::string FileIdSha1(std::string_view id);
// Amcache's "MM/DD/YYYY HH:MM:SS" as YYYY-MM-DDTHH:MM:SSZ; any other text as stored.
std::string AmcacheTime(std::string_view text);
