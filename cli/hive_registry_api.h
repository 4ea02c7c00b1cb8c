// The registry seam over a hive (libhivex, native builds only), read from a private copy of its
// bytes that nothing outside can change: the hive's root stands for HKEY_LOCAL_MACHINE\SYSTEM,
// and each call answers as the Windows A call would on that hive, read-only: names compared
// case-insensitively, subkeys in stored order, texts converted from UTF-16 to the chosen ANSI
// code page with the sizes Windows reports. The W calls give the hive's UTF-16 as it is, and
// answer a corrupt part of the hive with ERROR_REGISTRY_CORRUPT where the A calls raise
// EHiveError.
#pragma once

#include <hivex.h>

#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "hive/hive_image.h"
#include "inventory/registry_api.h"

// hivex's handle of an open hive.
using UniqueHive = UniqueHandle<hive_h*, hivex_close>;

class HiveRegistryApi final : public RegistryApi {
 public:
  // Reads a copy of the hive's bytes, in memory of its own (sealed: nothing can change it),
  // named hiveName in messages; EHiveError when they are empty, not a hive, truncated or
  // corrupt.
  HiveRegistryApi(std::string_view image, const std::string& hiveName, unsigned codePage);
  ~HiveRegistryApi() override;
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

 private:
  struct Child {
    hive_node_h node;
    std::string ansiName;
    std::u16string wideName;
    std::string folded;    // upper case, UTF-8: names compare as the registry compares them
    std::uint32_t length;  // in UTF-16 code units, as Windows counts name lengths
  };
  // What a node's subkeys are, read once: the scan opens every instance key by a path from
  // the root, so each step is a lookup, not a walk through the hive.
  struct NodeIndex {
    bool childrenRead = false;
    std::vector<Child> children;
    // Built at the first search of a large list (a Class key's thousands of classes); a small
    // one is searched in order.
    std::unordered_map<std::string_view, hive_node_h> childByName;
  };
  // A key's values, searched in order by the names hivex gives (UTF-8), kept NUL-separated
  // in one string. A key's values are read in a row: only the last key's are kept.
  struct ValueIndex {
    hive_node_h node = 0;
    std::vector<std::pair<hive_value_h, std::size_t>> values;
    std::string valueNames;
  };
  struct ValueData {
    hive_value_h value = 0;
    bool wide = false;
    std::uint32_t type = 0;
    std::string bytes;  // text types in the code page, or as stored for the W calls
  };

  [[noreturn]] void Corrupt(const char* what) const;
  NodeIndex& Children(hive_node_h node);
  const ValueIndex& Values(hive_node_h node);
  // A name as FindChild compares it: from the code page, or from UTF-16.
  std::string LookupName(std::string_view ansi) const;
  std::string LookupName(std::u16string_view wide) const;
  hive_node_h FindChild(NodeIndex& index, const std::string& folded) const;
  hive_value_h FindValue(const ValueIndex& index, std::string_view ansi) const;
  hive_value_h FindValue(const ValueIndex& index, std::u16string_view wide) const;
  const ValueData& Data(hive_value_h value, bool wide);
  template <typename Char>
  long Open(RegKey key, std::basic_string_view<Char> path, std::uint32_t options,
            std::uint32_t samDesired, RegKey* result);
  template <typename Char>
  long EnumKey(RegKey key, std::uint32_t index, Char* name, std::uint32_t* nameSize);
  template <typename Char>
  long QueryValue(RegKey key, std::basic_string_view<Char> name, std::uint32_t* type,
                  std::uint8_t* data, std::uint32_t* dataSize);
  bool Node(RegKey key, hive_node_h* node) const;

  std::string path_;
  unsigned codePage_;
  UniqueFd image_;
  UniqueHive hive_;
  std::unordered_map<hive_node_h, NodeIndex> indexes_;
  ValueIndex values_;
  ValueData lastData_;
  std::map<RegKey, hive_node_h> handles_;
  RegKey nextHandle_ = 0x1000;
};
