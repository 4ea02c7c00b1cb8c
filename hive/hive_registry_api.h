// The registry seam over a hive image in memory, read through its cells: the hive's root stands
// for HKEY_LOCAL_MACHINE\SYSTEM, and each call answers as the Windows call would on that hive,
// read-only: names compared case-insensitively (ASCII, Latin-1, Greek and Cyrillic letters, as
// UpperCaseUnit folds them), subkeys and values in stored order, texts converted from UTF-16 to
// the chosen ANSI code page with the sizes Windows reports. A damaged key or value fails only
// the call that reads it: the W calls answer ERROR_REGISTRY_CORRUPT, the A calls raise
// EHiveError.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "hive/hive_cells.h"
#include "hive/hive_image.h"
#include "inventory/registry_api.h"

class HiveRegistryApi final : public RegistryApi {
 public:
  // Reads the hive in image, which must outlive this object, named hiveName in messages;
  // EHiveError when it is empty, not a hive, or holds no bin or no root key.
  HiveRegistryApi(std::string_view image, const std::string& hiveName, unsigned codePage);
  HiveRegistryApi(const HiveRegistryApi&) = delete;
  HiveRegistryApi& operator=(const HiveRegistryApi&) = delete;

  long OpenKeyEx(RegKey key, const char* subKey, std::uint32_t options, std::uint32_t samDesired,
                 RegKey* result) override;
  long QueryInfoKey(RegKey key, std::uint32_t* subKeys, std::uint32_t* maxSubKeyLen,
                    std::uint32_t* values, std::uint32_t* maxValueNameLen,
                    std::uint32_t* maxValueLen, std::uint64_t* lastWriteTime) override;
  long EnumKeyEx(RegKey key, std::uint32_t index, char* name, std::uint32_t* nameSize) override;
  long QueryValueEx(RegKey key, const char* valueName, std::uint32_t* type, std::uint8_t* data,
                    std::uint32_t* dataSize) override;
  long CloseKey(RegKey key) override;
  long OpenKeyExW(RegKey key, const char16_t* subKey, std::uint32_t options,
                  std::uint32_t samDesired, RegKey* result) override;
  long QueryInfoKeyW(RegKey key, std::uint32_t* subKeys, std::uint32_t* maxSubKeyLen,
                     std::uint32_t* values, std::uint32_t* maxValueNameLen,
                     std::uint32_t* maxValueLen, std::uint64_t* lastWriteTime) override;
  long EnumKeyExW(RegKey key, std::uint32_t index, char16_t* name,
                  std::uint32_t* nameSize) override;
  long QueryValueExW(RegKey key, const char16_t* valueName, std::uint32_t* type, std::uint8_t* data,
                     std::uint32_t* dataSize) override;
  // A Windows in US English with the chosen code page as its ANSI code page: neither of the
  // code pages offered has lead bytes.
  std::uint32_t GetThreadLocale() override;
  bool GetCPInfo(std::uint32_t codePage, CpInfo* info) override;

  int OpenHandles() const { return static_cast<int>(handles_.size()); }
  // The line that says the hive is damaged and how much of it was skipped (without the
  // program's name); empty when every page is part of a valid bin.
  std::string DamageLine() const;

 private:
  // What a key's subkeys are, read once: the scan opens every instance key by a path from
  // the root, so each step is a lookup, not a walk through the hive. Names stay in the image
  // (a hive of 100,000 keys keeps no copy of them).
  struct KeyIndex {
    bool childrenRead = false;
    std::vector<HiveKey> children;
    // Built at the first search of a large list (a Class key's thousands of classes): each
    // child's folded name's hash and its position, in hash order; a small list is searched in
    // order.
    std::vector<std::pair<std::uint64_t, std::uint32_t>> byHash;
  };
  // A key's values: a key's values are read in a row, so only the last key's are kept.
  struct ValueIndex {
    std::uint32_t key = 0;
    bool read = false;
    std::vector<HiveValue> values;
  };
  struct ValueData {
    std::uint32_t value = 0;  // the value's offset
    bool wide = false;
    std::string bytes;  // text types in the code page, or as stored for the W calls
  };

  [[noreturn]] void Corrupt(const char* what) const;
  // EHiveRereadError once the cells read pass what any listing of a hive of this size reads.
  void CheckReads() const;
  HiveKey KeyAt(std::uint32_t offset) const;
  KeyIndex& Children(std::uint32_t key);
  const ValueIndex& Values(std::uint32_t key);
  // A name asked for as UTF-16: an A call's converted into converted, a W call's as it is.
  std::u16string_view LookupName(std::string_view ansi, std::u16string& converted) const;
  static std::u16string_view LookupName(std::u16string_view wide, std::u16string& converted);
  std::uint32_t FindChild(KeyIndex& index, std::u16string_view name) const;
  const HiveValue* FindValue(const ValueIndex& index, std::u16string_view name) const;
  const ValueData& Data(const HiveValue& value, bool wide);
  template <typename Char>
  long Open(RegKey key, std::basic_string_view<Char> path, std::uint32_t options,
            std::uint32_t samDesired, RegKey* result);
  template <typename Char>
  long EnumKey(RegKey key, std::uint32_t index, Char* name, std::uint32_t* nameSize);
  template <typename Char>
  long QueryValue(RegKey key, std::basic_string_view<Char> name, std::uint32_t* type,
                  std::uint8_t* data, std::uint32_t* dataSize);
  bool Node(RegKey key, std::uint32_t* node) const;

  std::string path_;
  unsigned codePage_;
  HiveCells cells_;
  std::uint64_t readLimit_ = 0;
  std::unordered_map<std::uint32_t, KeyIndex> indexes_;
  ValueIndex values_;
  ValueData lastData_;
  std::map<RegKey, std::uint32_t> handles_;
  RegKey nextHandle_ = 0x1000;
};
