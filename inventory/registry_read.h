// What every view's reader does through the registry seam's W calls: keys opened for reading
// and closed when they go, subkeys listed, values read whole whatever their size, and the
// texts and times of a row read so that one that cannot be read leaves its field empty and is
// reported once, while the walk goes on.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "inventory/driver_record.h"
#include "inventory/registry_api.h"

// A key's name is at most 255 characters: one buffer of this size takes every name.
inline constexpr std::uint32_t kLongestKeyName = 256;

// One key open for reading, closed when it goes.
class OpenKey {
 public:
  explicit OpenKey(RegistryApi& api) : api_(api) {}
  ~OpenKey() {
    if (open_) api_.CloseKey(key_);
  }
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;

  long Open(RegKey parent, const std::u16string& path) {
    const long code = api_.OpenKeyExW(parent, path.c_str(), 0, kKeyRead, &key_);
    open_ = code == kErrorSuccess;
    return code;
  }
  RegKey Key() const { return key_; }

 private:
  RegistryApi& api_;
  RegKey key_ = 0;
  bool open_ = false;
};

// The bytes of UTF-16LE text up to its first NUL unit.
std::string_view UpToNul(std::string_view bytes);
// Bytes as a little-endian number (at most 8 of them).
std::uint64_t LittleEndian(std::string_view bytes);

// A value's type and data; kErrorFileNotFound for an absent one.
long ReadValue(RegistryApi& api, RegKey key, std::u16string_view name, std::uint32_t& type,
               std::string& data);

// The names of a key's subkeys in enumeration order. A name that cannot be read is reported
// and passed over: the others are still listed.
template <typename OnError>
long Subkeys(RegistryApi& api, RegKey key, std::vector<std::u16string>& names, OnError onError) {
  names.clear();
  std::uint32_t count = 0;
  if (const long code = api.QueryInfoKeyW(key, &count, nullptr, nullptr, nullptr, nullptr, nullptr);
      code != kErrorSuccess) {
    return code;
  }
  std::u16string name(kLongestKeyName, u'\0');
  for (std::uint32_t index = 0; index < count; ++index) {
    std::uint32_t size = kLongestKeyName;
    const long code = api.EnumKeyExW(key, index, name.data(), &size);
    if (code == kErrorNoMoreItems) break;
    if (code != kErrorSuccess) {
      onError(code);
      continue;
    }
    names.emplace_back(name.data(), std::min(size, kLongestKeyName));
  }
  return kErrorSuccess;
}

// Reads the fields of rows: each failure is one warning naming the key (its path from SYSTEM)
// and the value.
class RowReader {
 public:
  RowReader(RegistryApi& api, const RecordWarningFn& warn) : api_(api), warn_(warn) {}

  RegistryApi& Api() const { return api_; }
  void Warn(const std::string& keyPath, std::u16string_view name, long code) const;
  // The value's type and data; false, with a warning unless it is absent, where it cannot be
  // read.
  bool Raw(RegKey key, const std::string& keyPath, std::u16string_view name, std::uint32_t& type,
           std::string& data);
  // The value as RecordValueText writes it; empty where it is absent or cannot be read.
  std::string Text(RegKey key, const std::string& keyPath, std::u16string_view name);
  // The key's last-written time (IsoTime); empty, and a warning, where it cannot be read.
  std::string LastWritten(RegKey key, const std::string& keyPath) const;
  // Opens a key under parent; a warning where it exists but cannot be opened.
  bool Open(OpenKey& key, RegKey parent, const std::string& parentPath, const std::u16string& name);
  // The subkeys' names; a warning for each one that cannot be read, and for the list.
  std::vector<std::u16string> Subkeys(RegKey key, const std::string& keyPath) const;

 private:
  RegistryApi& api_;
  const RecordWarningFn& warn_;
  std::string data_;  // one buffer for every value read
};

// Opens the key a view lists (its path from SYSTEM): where it cannot be opened, ERecordsError
// with the words given, and the code where the key exists.
void OpenListedKey(OpenKey& key, const std::string& path, const std::string& missing);

// The computer name a control set holds, empty where it holds none.
std::string ComputerName(RowReader& reader, const std::string& setKey);
// "SYSTEM\" and the path, for opening a key from HKEY_LOCAL_MACHINE.
std::u16string SystemPath(const std::string& path);
// Text in ASCII upper case, for names Windows compares without regard to case.
std::string UpperAscii(std::string_view text);
