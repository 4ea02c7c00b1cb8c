// The list of known-vulnerable and malicious drivers (the LOLDrivers project's drivers.json, an
// array of entries with Id, Category and KnownVulnerableSamples, or its CSV export), kept as
// the SHA-1s of its samples, each with the entry it belongs to, and the driver files whose
// SHA-1 is on it. Only the SHA-1 counts: the list names malicious look-alikes of Windows' own
// files by the same file names.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "inventory/view.h"

struct KnownVulnerableList {
  std::vector<std::string> entries;                          // "Category Id"
  std::unordered_map<std::string, std::uint32_t> sha1Entry;  // lowercase SHA-1 -> entry
};

// The list a file holds: JSON where its text begins with '[' or '{', else CSV with a header
// naming the columns. Raises Exception, saying why, when it is neither or names no SHA-1.
KnownVulnerableList ParseKnownVulnerable(std::string_view text);

// Fills the known_vulnerable field of each row whose sha1 is on the list with its entry.
// Returns how many rows it filled.
std::size_t MarkKnownVulnerable(const KnownVulnerableList& list, const ViewSchema& view,
                                std::vector<ViewRow>& rows);
