// The registry reader: read-only access to one open key at a time under a chosen root key,
// through the registry seam. The driver scan creates one per run and releases it at its end.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/exception.h"
#include "inventory/registry_api.h"

// Raised by ReadText: "Failed to get data for '%s'" (the data cannot be read, or no buffer can
// be made for the size it reports) or "Invalid data type for '%s'", with the value name as
// passed.
class ERegistryException : public Exception {
 public:
  using Exception::Exception;
};

class TRegistry {
 public:
  // Root HKEY_CURRENT_USER, no key open. Every key is opened for reading only: the program
  // never writes, and asking for more would lock out users who may only read.
  explicit TRegistry(RegistryApi& api);
  // Release: closes the open key, if any.
  ~TRegistry();
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;

  // A different root closes the open key; the same root changes nothing.
  void SelectRoot(RegKey root);
  // A leading backslash makes the path absolute (against the root); otherwise it is opened
  // against the open key, or the root when none is open. On success the new key replaces
  // the open one; on failure (absent, or read access refused) nothing changes.
  bool OpenExisting(std::string_view path);
  // Replaces the list's content with the open key's subkey names in enumeration order. The
  // name buffer is sized from the key summary, twice over where the thread's language is not
  // Western and the ANSI code page is double-byte (the registry seam answers both).
  void ListSubkeys(std::vector<std::string>& list);
  // The text of a REG_SZ or REG_EXPAND_SZ value (unexpanded), cut at its first NUL; the empty
  // string for an absent value or one without data, whatever its type.
  std::string ReadText(std::string_view name);
  void CloseCurrent();

  RegKey RootKey() const { return root_; }
  std::uint32_t Access() const { return access_; }
  bool HasCurrentKey() const { return hasCurrentKey_; }
  RegKey CurrentKey() const { return currentKey_; }
  // The open key's path relative to the root, without a leading backslash.
  const std::string& CurrentPath() const { return currentPath_; }

 private:
  RegistryApi& api_;
  RegKey root_ = kHKeyCurrentUser;
  std::uint32_t access_ = kKeyRead;
  bool hasCurrentKey_ = false;
  RegKey currentKey_ = 0;
  std::string currentPath_;
};
