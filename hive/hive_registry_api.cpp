#include "hive/hive_registry_api.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

#include "common/code_page.h"
#include "common/message_text.h"

namespace {

// What a read-only hive refuses: KEY_SET_VALUE, KEY_CREATE_SUB_KEY, KEY_CREATE_LINK, DELETE,
// WRITE_DAC and WRITE_OWNER.
constexpr std::uint32_t kWriteAccess = 0x2 | 0x4 | 0x20 | 0x10000 | 0x40000 | 0x80000;

// Above this many subkeys a key's names are hashed for lookups.
constexpr std::size_t kLinearSearch = 16;

// The cells a hive may have read before it is given up: every listing reads each key and value
// a few times at most (the densest benchmark hive, every view, one cell per 59 bytes), so a
// hive read four times a cell per 8 bytes, past a floor for small ones, is one whose lists
// name the same keys over and over (a class listed 20,000 times, each time with the same
// 20,000 instances: 400 million records from 2 MB).
constexpr std::uint64_t kReadsPerEightBytes = 4;
constexpr std::uint64_t kLeastReads = std::uint64_t{1} << 16;

bool IsTextType(std::uint32_t type) {
  return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
}

std::string Utf16Bytes(std::u16string_view units) {
  std::string bytes;
  bytes.reserve(units.size() * 2);
  for (const char16_t unit : units) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

// UpperCaseUnit, with ASCII answered here: names are mostly ASCII, and compared a unit at a time.
char16_t Upper(char16_t unit) {
  if (unit < 0x80) return unit >= u'a' && unit <= u'z' ? static_cast<char16_t>(unit - 0x20) : unit;
  return UpperCaseUnit(unit);
}

// Whether a stored name (Latin-1 or UTF-16LE bytes) and a name asked for are the same, letter
// case aside: both folded a unit at a time as they are compared, so that a key's values are
// searched without a copy of either.
bool SameName(std::string_view stored, bool compressed, std::u16string_view name) {
  const std::size_t width = compressed ? 1 : 2;
  if (stored.size() / width != name.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    char16_t unit = static_cast<unsigned char>(stored[i * width]);
    if (!compressed)
      unit |= static_cast<char16_t>(static_cast<unsigned char>(stored[i * 2 + 1]) << 8);
    if (unit != name[i] && Upper(unit) != Upper(name[i])) return false;
  }
  return true;
}

// FNV-1a over a name's units in upper case.
std::uint64_t NameHash(std::u16string_view units) {
  std::uint64_t hash = 0xcbf29ce484222325ull;
  for (const char16_t unit : units) {
    hash = (hash ^ Upper(unit)) * 0x100000001b3ull;
  }
  return hash;
}

// The W calls answer what the A calls raise for a damaged hive with a Windows code.
template <typename Call>
long CorruptAsCode(Call call) {
  try {
    return call();
  } catch (const EHiveRereadError&) {
    throw;  // the hive as a whole, not the call
  } catch (const EHiveError&) {
    return kErrorRegistryCorrupt;
  }
}

}  // namespace

HiveRegistryApi::HiveRegistryApi(std::string_view image, const std::string& hiveName,
                                 unsigned codePage)
    : path_(QuotedName(hiveName)), codePage_(codePage) {
  CheckHiveBytes(image, hiveName);
  const std::string reason = cells_.Open(image);
  if (!reason.empty())
    throw EHiveError(path_ + ": truncated or corrupt registry hive (" + reason + ")");
  readLimit_ = kLeastReads + kReadsPerEightBytes * (image.size() / 8);
}

std::string HiveRegistryApi::DamageLine() const {
  std::string damage;
  if (cells_.BadPages() != 0) {
    damage = std::to_string(cells_.BadPages()) + " of " + std::to_string(cells_.Pages()) +
             " pages are not part of a valid bin";
  }
  if (cells_.RootReplaced()) {
    damage += std::string(damage.empty() ? "" : ", and ") +
              "its root offset names no key node (the key flagged as the root is read)";
  }
  if (damage.empty()) return "";
  return path_ + " is damaged: " + damage + "; listing what the rest holds";
}

void HiveRegistryApi::Corrupt(const char* what) const {
  throw EHiveError(path_ + ": corrupt registry hive (" + what + ")");
}

void HiveRegistryApi::CheckReads() const {
  if (cells_.Reads() <= readLimit_) return;
  throw EHiveRereadError(path_ + ": corrupt registry hive (its lists lead to the same keys over " +
                         "and over: given up after " + std::to_string(cells_.Reads()) +
                         " cell reads)");
}

HiveKey HiveRegistryApi::KeyAt(std::uint32_t offset) const {
  const std::optional<HiveKey> key = cells_.Key(offset);
  CheckReads();
  if (!key) Corrupt("key node");
  return *key;
}

HiveRegistryApi::KeyIndex& HiveRegistryApi::Children(std::uint32_t key) {
  KeyIndex& index = indexes_[key];
  if (index.childrenRead) return index;
  const bool read = cells_.Subkeys(KeyAt(key), index.children);
  CheckReads();
  if (!read) Corrupt("subkey list");
  // Kept for the run (the records keep every class's): no room beyond its subkeys.
  index.children.shrink_to_fit();
  index.childrenRead = true;
  return index;
}

const HiveRegistryApi::ValueIndex& HiveRegistryApi::Values(std::uint32_t key) {
  ValueIndex& index = values_;
  if (index.read && index.key == key) return index;
  index.read = false;
  const bool read = cells_.Values(KeyAt(key), index.values);
  CheckReads();
  if (!read) Corrupt("value list");
  index.key = key;
  index.read = true;
  return index;
}

std::u16string_view HiveRegistryApi::LookupName(std::string_view ansi,
                                                std::u16string& converted) const {
  converted = AnsiToUtf16(codePage_, ansi);
  return converted;
}

std::u16string_view HiveRegistryApi::LookupName(std::u16string_view wide, std::u16string&) {
  return wide;
}

std::uint32_t HiveRegistryApi::FindChild(KeyIndex& index, std::u16string_view name) const {
  const auto same = [&](const HiveKey& child) {
    return child.offset != 0 && SameName(child.name, child.compressedName, name);
  };
  if (index.children.size() <= kLinearSearch) {
    for (const HiveKey& child : index.children) {
      if (same(child)) return child.offset;
    }
    return 0;
  }
  if (index.byHash.empty()) {
    index.byHash.reserve(index.children.size());
    for (std::uint32_t i = 0; i < index.children.size(); ++i) {
      const HiveKey& child = index.children[i];
      index.byHash.emplace_back(NameHash(StoredName(child.name, child.compressedName)), i);
    }
    // Of two equal names (only in a damaged hive) the first answers, as a search in order.
    std::sort(index.byHash.begin(), index.byHash.end());
  }
  const std::uint64_t hash = NameHash(name);
  for (auto at = std::lower_bound(index.byHash.begin(), index.byHash.end(),
                                  std::pair<std::uint64_t, std::uint32_t>(hash, 0));
       at != index.byHash.end() && at->first == hash; ++at) {
    if (same(index.children[at->second])) return index.children[at->second].offset;
  }
  return 0;
}

const HiveValue* HiveRegistryApi::FindValue(const ValueIndex& index,
                                            std::u16string_view name) const {
  for (const HiveValue& value : index.values) {
    if (SameName(value.name, value.compressedName, name)) return &value;
  }
  return nullptr;
}

const HiveRegistryApi::ValueData& HiveRegistryApi::Data(const HiveValue& value, bool wide) {
  if (lastData_.value == value.offset && lastData_.wide == wide) return lastData_;
  lastData_.value = 0;
  const bool read = cells_.ValueData(value, lastData_.bytes);
  CheckReads();
  if (!read) Corrupt("value data");
  if (!wide && IsTextType(value.type)) lastData_.bytes = Utf16ToAnsi(codePage_, lastData_.bytes);
  lastData_.wide = wide;
  lastData_.value = value.offset;
  return lastData_;
}

bool HiveRegistryApi::Node(RegKey key, std::uint32_t* node) const {
  const auto found = handles_.find(key);
  if (found == handles_.end()) return false;
  *node = found->second;
  return true;
}

template <typename Char>
long HiveRegistryApi::Open(RegKey key, std::basic_string_view<Char> path, std::uint32_t options,
                           std::uint32_t samDesired, RegKey* result) {
  if (options != 0 || !result) return kErrorInvalidParameter;
  if (samDesired & kWriteAccess) return kErrorAccessDenied;
  std::uint32_t node = 0;
  std::u16string converted;
  if (key == kHKeyLocalMachine) {
    // HKEY_LOCAL_MACHINE holds one key here, SYSTEM: the hive's root.
    const auto first = path.substr(0, path.find(Char('\\')));
    if (!SameName("SYSTEM", true, LookupName(first, converted))) return kErrorFileNotFound;
    path.remove_prefix(first.size());
    if (!path.empty()) path.remove_prefix(1);
    node = cells_.Root();
  } else if (!Node(key, &node)) {
    return kErrorInvalidHandle;
  }
  // A trailing backslash names the same key; an empty name inside the path names none.
  if (!path.empty() && path.back() == Char('\\')) path.remove_suffix(1);
  while (!path.empty()) {
    const std::size_t end = std::min(path.find(Char('\\')), path.size());
    const auto name = path.substr(0, end);
    if (name.empty()) return kErrorFileNotFound;
    node = FindChild(Children(node), LookupName(name, converted));
    if (!node) return kErrorFileNotFound;
    path.remove_prefix(end == path.size() ? end : end + 1);
  }
  const RegKey handle = nextHandle_;
  nextHandle_ += 4;
  handles_.emplace(handle, node);
  *result = handle;
  return kErrorSuccess;
}

long HiveRegistryApi::OpenKeyEx(RegKey key, const char* subKey, std::uint32_t options,
                                std::uint32_t samDesired, RegKey* result) {
  return Open(key, std::string_view(subKey ? subKey : ""), options, samDesired, result);
}

long HiveRegistryApi::OpenKeyExW(RegKey key, const char16_t* subKey, std::uint32_t options,
                                 std::uint32_t samDesired, RegKey* result) {
  return CorruptAsCode([&] {
    return Open(key, std::u16string_view(subKey ? subKey : u""), options, samDesired, result);
  });
}

long HiveRegistryApi::QueryInfoKey(RegKey key, std::uint32_t* subKeys, std::uint32_t* maxSubKeyLen,
                                   std::uint32_t* values, std::uint32_t* maxValueNameLen,
                                   std::uint32_t* maxValueLen, std::uint64_t* lastWriteTime) {
  std::uint32_t node = 0;
  if (!Node(key, &node)) return kErrorInvalidHandle;
  if (subKeys || maxSubKeyLen) {
    const KeyIndex& index = Children(node);
    if (subKeys) *subKeys = static_cast<std::uint32_t>(index.children.size());
    if (maxSubKeyLen) {
      std::size_t longest = 0;
      for (const HiveKey& child : index.children) {
        longest =
            std::max(longest, child.compressedName ? child.name.size() : child.name.size() / 2);
      }
      *maxSubKeyLen = static_cast<std::uint32_t>(longest);
    }
  }
  if (values || maxValueNameLen || maxValueLen) {
    const ValueIndex& withValues = Values(node);
    std::size_t longestName = 0;
    std::uint32_t longestData = 0;
    for (const HiveValue& value : withValues.values) {
      longestName =
          std::max(longestName, value.compressedName ? value.name.size() : value.name.size() / 2);
      longestData = std::max(longestData, value.dataSize);
    }
    if (values) *values = static_cast<std::uint32_t>(withValues.values.size());
    if (maxValueNameLen) *maxValueNameLen = static_cast<std::uint32_t>(longestName);
    if (maxValueLen) *maxValueLen = longestData;
  }
  if (lastWriteTime) {
    // A time past the last a FILETIME can say (the top bit set) reads as none.
    const std::uint64_t time = KeyAt(node).lastWritten;
    *lastWriteTime = time >> 63 ? 0 : time;
  }
  return kErrorSuccess;
}

template <typename Char>
long HiveRegistryApi::EnumKey(RegKey key, std::uint32_t index, Char* name,
                              std::uint32_t* nameSize) {
  std::uint32_t node = 0;
  if (!Node(key, &node)) return kErrorInvalidHandle;
  if (!name || !nameSize) return kErrorInvalidParameter;
  const KeyIndex& keyIndex = Children(node);
  if (index >= keyIndex.children.size()) return kErrorNoMoreItems;
  const HiveKey& child = keyIndex.children[index];
  if (child.offset == 0) Corrupt("subkey");
  std::basic_string<Char> text;
  if constexpr (std::is_same_v<Char, char16_t>) {
    text = StoredName(child.name, child.compressedName);
  } else {
    const bool ascii = child.compressedName &&
                       std::all_of(child.name.begin(), child.name.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    text = ascii ? std::string(child.name)
                 : Utf16ToAnsi(codePage_, Utf16Bytes(StoredName(child.name, child.compressedName)));
  }
  if (text.size() >= *nameSize) return kErrorMoreData;
  std::copy(text.begin(), text.end(), name);
  name[text.size()] = Char{};
  *nameSize = static_cast<std::uint32_t>(text.size());
  return kErrorSuccess;
}

long HiveRegistryApi::EnumKeyEx(RegKey key, std::uint32_t index, char* name,
                                std::uint32_t* nameSize) {
  return EnumKey(key, index, name, nameSize);
}

template <typename Char>
long HiveRegistryApi::QueryValue(RegKey key, std::basic_string_view<Char> valueName,
                                 std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataSize) {
  constexpr bool wide = std::is_same_v<Char, char16_t>;
  std::uint32_t node = 0;
  if (!Node(key, &node)) return kErrorInvalidHandle;
  if (data && !dataSize) return kErrorInvalidParameter;
  std::u16string converted;
  const HiveValue* found = FindValue(Values(node), LookupName(valueName, converted));
  if (!found) return kErrorFileNotFound;
  const ValueData& value = Data(*found, wide);
  const auto size = static_cast<std::uint32_t>(value.bytes.size());
  if (type) *type = found->type;
  if (data) {
    if (*dataSize < size) {
      *dataSize = size;
      return kErrorMoreData;
    }
    std::memcpy(data, value.bytes.data(), size);
    // As Windows' A call does: a text stored without its NUL gets one where the buffer has room.
    if (!wide && IsTextType(found->type) && size < *dataSize &&
        (size == 0 || data[size - 1] != 0)) {
      data[size] = 0;
    }
  }
  if (dataSize) *dataSize = size;
  return kErrorSuccess;
}

long HiveRegistryApi::QueryValueEx(RegKey key, const char* valueName, std::uint32_t* type,
                                   std::uint8_t* data, std::uint32_t* dataSize) {
  return QueryValue(key, std::string_view(valueName ? valueName : ""), type, data, dataSize);
}

long HiveRegistryApi::QueryValueExW(RegKey key, const char16_t* valueName, std::uint32_t* type,
                                    std::uint8_t* data, std::uint32_t* dataSize) {
  return CorruptAsCode([&] {
    return QueryValue(key, std::u16string_view(valueName ? valueName : u""), type, data, dataSize);
  });
}

long HiveRegistryApi::QueryInfoKeyW(RegKey key, std::uint32_t* subKeys, std::uint32_t* maxSubKeyLen,
                                    std::uint32_t* values, std::uint32_t* maxValueNameLen,
                                    std::uint32_t* maxValueLen, std::uint64_t* lastWriteTime) {
  return CorruptAsCode([&] {
    return QueryInfoKey(key, subKeys, maxSubKeyLen, values, maxValueNameLen, maxValueLen,
                        lastWriteTime);
  });
}

long HiveRegistryApi::EnumKeyExW(RegKey key, std::uint32_t index, char16_t* name,
                                 std::uint32_t* nameSize) {
  return CorruptAsCode([&] { return EnumKey(key, index, name, nameSize); });
}

long HiveRegistryApi::CloseKey(RegKey key) {
  return handles_.erase(key) ? kErrorSuccess : kErrorInvalidHandle;
}

std::uint32_t HiveRegistryApi::GetThreadLocale() {
  constexpr std::uint32_t kUsEnglish = 0x0409;
  return kUsEnglish;
}

bool HiveRegistryApi::GetCPInfo(std::uint32_t codePage, CpInfo* info) {
  if (codePage != kCpAcp && codePage != codePage_) return false;
  *info = CpInfo{};
  info->maxCharSize = codePage_ == kCodePageUtf8 ? 4 : 1;
  info->defaultChar[0] = '?';
  return true;
}
