#include "cli/hive_registry_api.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <type_traits>

#include "cli/code_page.h"
#include "common/utf.h"
#include "common/message_text.h"

namespace {

// What a read-only hive refuses: KEY_SET_VALUE, KEY_CREATE_SUB_KEY, KEY_CREATE_LINK, DELETE,
// WRITE_DAC and WRITE_OWNER.
constexpr std::uint32_t kWriteAccess = 0x2 | 0x4 | 0x20 | 0x10000 | 0x40000 | 0x80000;

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Malloced = std::unique_ptr<T, FreeDeleter>;

std::string Errno() { return std::strerror(errno); }

// Above this many subkeys a key's names are hashed for lookups.
constexpr std::size_t kLinearSearch = 16;

// hivex reports a value's type as stored, any 32-bit number, through a pointer to its enum:
// it is received into a plain number so that no value outside the enum is read as one.
static_assert(sizeof(hive_type) == sizeof(std::uint32_t));
hive_type* TypeOut(std::uint32_t& type) { return reinterpret_cast<hive_type*>(&type); }

bool IsTextType(std::uint32_t type) {
  return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
}

bool IsAscii(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

std::string Utf16Bytes(const std::u16string& units) {
  std::string bytes;
  bytes.reserve(units.size() * 2);
  for (const char16_t unit : units) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

// A name in upper case, UTF-8, from its UTF-8 (as hivex gives names) or its UTF-16 units.
std::string Folded(std::u16string units) {
  for (char16_t& unit : units) unit = UpperCaseUnit(unit);
  return Utf16ToAnsi(kCodePageUtf8, Utf16Bytes(units));
}

std::string FoldedUtf8(std::string_view utf8) {
  if (!IsAscii(utf8)) return Folded(AnsiToUtf16(kCodePageUtf8, utf8));
  std::string folded(utf8);
  for (char& c : folded) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return folded;
}

bool IsAscii(std::u16string_view units) {
  for (const char16_t unit : units) {
    if (unit >= 0x80) return false;
  }
  return true;
}

std::string AsciiBytes(std::u16string_view units) {
  return std::string(units.begin(), units.end());
}

// The W calls answer what the A calls raise for a damaged hive with a Windows code.
template <typename Call>
long CorruptAsCode(Call call) {
  try {
    return call();
  } catch (const EHiveError&) {
    return kErrorRegistryCorrupt;
  }
}

bool EqualsAsciiFolded(const char* name, std::string_view ascii) {
  std::size_t i = 0;
  for (; i < ascii.size(); ++i) {
    const auto fold = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
    if (name[i] == '\0' || fold(name[i]) != fold(ascii[i])) return false;
  }
  return name[i] == '\0';
}

}  // namespace

HiveRegistryApi::HiveRegistryApi(std::string_view image, const std::string& hiveName,
                                 unsigned codePage)
    : path_(QuotedName(hiveName)),
      codePage_(codePage),
      image_(memfd_create("hive", MFD_CLOEXEC | MFD_ALLOW_SEALING)) {
  CheckHiveBytes(image, hiveName);
  if (image_.get() < 0) throw EHiveError(path_ + ": no memory for the hive (" + Errno() + ")");
  for (std::size_t done = 0; done < image.size();) {
    const ssize_t n = write(image_.get(), image.data() + done, image.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw EHiveError(path_ + ": no memory for the hive (" + Errno() + ")");
    done += static_cast<std::size_t>(n);
  }
  if (fcntl(image_.get(), F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE | F_SEAL_SEAL) !=
      0) {
    throw EHiveError(path_ + ": cannot seal the hive's copy (" + Errno() + ")");
  }
  const std::string copy = "/proc/self/fd/" + std::to_string(image_.get());
  hive_.reset(hivex_open(copy.c_str(), 0));
  if (!hive_) throw EHiveError(path_ + ": truncated or corrupt registry hive (" + Errno() + ")");
}

HiveRegistryApi::~HiveRegistryApi() = default;

void HiveRegistryApi::Corrupt(const char* what) const {
  throw EHiveError(path_ + ": corrupt registry hive (" + what + ": " + std::strerror(errno) + ")");
}

HiveRegistryApi::NodeIndex& HiveRegistryApi::Children(hive_node_h node) {
  NodeIndex& index = indexes_[node];
  if (index.childrenRead) return index;
  errno = 0;
  Malloced<hive_node_h> children(hivex_node_children(hive_.get(), node));
  if (!children) Corrupt("subkey list");
  for (const hive_node_h* child = children.get(); *child; ++child) {
    errno = 0;
    Malloced<char> name(hivex_node_name(hive_.get(), *child));
    if (!name) Corrupt("key name");
    const std::string_view utf8 = name.get();
    if (IsAscii(utf8)) {
      index.children.push_back(Child{*child, std::string(utf8),
                                     std::u16string(utf8.begin(), utf8.end()), FoldedUtf8(utf8),
                                     static_cast<std::uint32_t>(utf8.size())});
    } else {
      std::u16string units = Utf8ToUtf16(utf8);
      const auto length = static_cast<std::uint32_t>(units.size());
      index.children.push_back(Child{*child, Utf16ToAnsi(codePage_, Utf16Bytes(units)),
                                     std::move(units), FoldedUtf8(utf8), length});
    }
  }
  index.childrenRead = true;
  return index;
}

const HiveRegistryApi::ValueIndex& HiveRegistryApi::Values(hive_node_h node) {
  ValueIndex& index = values_;
  if (index.node == node) return index;
  index.node = 0;
  index.values.clear();
  index.valueNames.clear();
  errno = 0;
  Malloced<hive_value_h> values(hivex_node_values(hive_.get(), node));
  if (!values) Corrupt("value list");
  for (const hive_value_h* value = values.get(); *value; ++value) {
    errno = 0;
    Malloced<char> name(hivex_value_key(hive_.get(), *value));
    if (!name) Corrupt("value name");
    index.values.emplace_back(*value, index.valueNames.size());
    index.valueNames.append(name.get()).push_back('\0');
  }
  index.node = node;
  return index;
}

std::string HiveRegistryApi::LookupName(std::string_view ansi) const {
  return IsAscii(ansi) ? FoldedUtf8(ansi) : Folded(AnsiToUtf16(codePage_, ansi));
}

std::string HiveRegistryApi::LookupName(std::u16string_view wide) const {
  return IsAscii(wide) ? FoldedUtf8(AsciiBytes(wide)) : Folded(std::u16string(wide));
}

hive_node_h HiveRegistryApi::FindChild(NodeIndex& index, const std::string& folded) const {
  if (index.children.size() <= kLinearSearch) {
    for (const Child& child : index.children) {
      if (child.folded == folded) return child.node;
    }
    return 0;
  }
  if (index.childByName.empty()) {
    index.childByName.reserve(index.children.size());
    // The first of two equal names (only in a damaged hive) answers, as a search in order.
    for (const Child& child : index.children) index.childByName.emplace(child.folded, child.node);
  }
  const auto found = index.childByName.find(folded);
  return found == index.childByName.end() ? 0 : found->second;
}

hive_value_h HiveRegistryApi::FindValue(const ValueIndex& index, std::string_view ansi) const {
  // Folding keeps ASCII letters ASCII and the others not: an ASCII name can only equal an
  // ASCII one, which needs no conversion.
  if (IsAscii(ansi)) {
    for (const auto& [value, name] : index.values) {
      if (EqualsAsciiFolded(index.valueNames.c_str() + name, ansi)) return value;
    }
    return 0;
  }
  const std::string folded = LookupName(ansi);
  for (const auto& [value, name] : index.values) {
    if (FoldedUtf8(index.valueNames.c_str() + name) == folded) return value;
  }
  return 0;
}

hive_value_h HiveRegistryApi::FindValue(const ValueIndex& index, std::u16string_view wide) const {
  if (IsAscii(wide)) return FindValue(index, AsciiBytes(wide));
  const std::string folded = LookupName(wide);
  for (const auto& [value, name] : index.values) {
    if (FoldedUtf8(index.valueNames.c_str() + name) == folded) return value;
  }
  return 0;
}

const HiveRegistryApi::ValueData& HiveRegistryApi::Data(hive_value_h value, bool wide) {
  if (lastData_.value == value && lastData_.wide == wide) return lastData_;
  std::uint32_t type = 0;
  std::size_t length = 0;
  errno = 0;
  if (hivex_value_type(hive_.get(), value, TypeOut(type), &length) != 0) Corrupt("value type");
  lastData_.value = 0;
  lastData_.type = type;
  lastData_.bytes.clear();
  if (length != 0) {
    Malloced<char> bytes(hivex_value_value(hive_.get(), value, TypeOut(type), &length));
    if (!bytes) Corrupt("value data");
    lastData_.bytes.assign(bytes.get(), length);
  }
  if (!wide && IsTextType(lastData_.type)) {
    lastData_.bytes = Utf16ToAnsi(codePage_, lastData_.bytes);
  }
  lastData_.wide = wide;
  lastData_.value = value;
  return lastData_;
}

bool HiveRegistryApi::Node(RegKey key, hive_node_h* node) const {
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
  hive_node_h node = 0;
  if (key == kHKeyLocalMachine) {
    // HKEY_LOCAL_MACHINE holds one key here, SYSTEM: the hive's root.
    const auto first = path.substr(0, path.find(Char('\\')));
    if (LookupName(first) != "SYSTEM") return kErrorFileNotFound;
    path.remove_prefix(first.size());
    if (!path.empty()) path.remove_prefix(1);
    node = hivex_root(hive_.get());
    if (!node) Corrupt("root key");
  } else if (!Node(key, &node)) {
    return kErrorInvalidHandle;
  }
  // A trailing backslash names the same key; an empty name inside the path names none.
  if (!path.empty() && path.back() == Char('\\')) path.remove_suffix(1);
  while (!path.empty()) {
    const std::size_t end = std::min(path.find(Char('\\')), path.size());
    const auto name = path.substr(0, end);
    if (name.empty()) return kErrorFileNotFound;
    node = FindChild(Children(node), LookupName(name));
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
  hive_node_h node = 0;
  if (!Node(key, &node)) return kErrorInvalidHandle;
  if (subKeys || maxSubKeyLen) {
    const NodeIndex& index = Children(node);
    if (subKeys) *subKeys = static_cast<std::uint32_t>(index.children.size());
    if (maxSubKeyLen) {
      std::uint32_t longest = 0;
      for (const Child& child : index.children) longest = std::max(longest, child.length);
      *maxSubKeyLen = longest;
    }
  }
  if (values || maxValueNameLen || maxValueLen) {
    const ValueIndex& withValues = Values(node);
    std::uint32_t longestName = 0;
    std::uint32_t longestData = 0;
    for (const auto& [value, name] : withValues.values) {
      const std::u16string units = AnsiToUtf16(kCodePageUtf8, withValues.valueNames.c_str() + name);
      longestName = std::max(longestName, static_cast<std::uint32_t>(units.size()));
      std::uint32_t type = 0;
      std::size_t length = 0;
      if (hivex_value_type(hive_.get(), value, TypeOut(type), &length) != 0) Corrupt("value type");
      longestData = std::max(longestData, static_cast<std::uint32_t>(length));
    }
    if (values) *values = static_cast<std::uint32_t>(withValues.values.size());
    if (maxValueNameLen) *maxValueNameLen = longestName;
    if (maxValueLen) *maxValueLen = longestData;
  }
  if (lastWriteTime) {
    const std::int64_t time = hivex_node_timestamp(hive_.get(), node);
    *lastWriteTime = time < 0 ? 0 : static_cast<std::uint64_t>(time);
  }
  return kErrorSuccess;
}

template <typename Char>
long HiveRegistryApi::EnumKey(RegKey key, std::uint32_t index, Char* name,
                              std::uint32_t* nameSize) {
  hive_node_h node = 0;
  if (!Node(key, &node)) return kErrorInvalidHandle;
  if (!name || !nameSize) return kErrorInvalidParameter;
  const NodeIndex& keyIndex = Children(node);
  if (index >= keyIndex.children.size()) return kErrorNoMoreItems;
  const Child& child = keyIndex.children[index];
  const std::basic_string<Char>* text;
  if constexpr (std::is_same_v<Char, char16_t>) {
    text = &child.wideName;
  } else {
    text = &child.ansiName;
  }
  if (text->size() >= *nameSize) return kErrorMoreData;
  std::copy(text->begin(), text->end(), name);
  name[text->size()] = Char{};
  *nameSize = static_cast<std::uint32_t>(text->size());
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
  hive_node_h node = 0;
  if (!Node(key, &node)) return kErrorInvalidHandle;
  if (data && !dataSize) return kErrorInvalidParameter;
  const hive_value_h found = FindValue(Values(node), valueName);
  if (!found) return kErrorFileNotFound;
  const ValueData& value = Data(found, wide);
  const auto size = static_cast<std::uint32_t>(value.bytes.size());
  if (type) *type = value.type;
  if (data) {
    if (*dataSize < size) {
      *dataSize = size;
      return kErrorMoreData;
    }
    std::memcpy(data, value.bytes.data(), size);
    // As Windows' A call does: a text stored without its NUL gets one where the buffer has room.
    if (!wide && IsTextType(value.type) && size < *dataSize && (size == 0 || data[size - 1] != 0)) {
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
