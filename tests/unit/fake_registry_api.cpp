#include "fake_registry_api.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "common/utf.h"

namespace {

// Bytes of a caller's buffer that a call does not report as written: Windows promises
// nothing about them, so the fake spoils them to catch a reader that looks.
constexpr char kJunk = '\xCD';

unsigned char UpperByte(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte >= 'a' && byte <= 'z' ? static_cast<unsigned char>(byte - 'a' + 'A') : byte;
}

int CompareNoCase(std::string_view a, std::string_view b) {
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    const int diff = UpperByte(a[i]) - UpperByte(b[i]);
    if (diff != 0) return diff;
  }
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

struct LessNoCase {
  bool operator()(const std::string& a, const std::string& b) const {
    return CompareNoCase(a, b) < 0;
  }
};

// Splits a key path at backslashes; one trailing backslash names the same key. Nullopt for a
// path with an empty name inside it.
std::optional<std::vector<std::string_view>> SplitPath(std::string_view path) {
  std::vector<std::string_view> parts;
  if (!path.empty() && path.back() == '\\') path.remove_suffix(1);
  if (path.empty()) return parts;
  for (;;) {
    const auto at = path.find('\\');
    const std::string_view part = path.substr(0, at);
    if (part.empty()) return std::nullopt;
    parts.push_back(part);
    if (at == std::string_view::npos) return parts;
    path.remove_prefix(at + 1);
  }
}

const char* CallName(RegCall call) {
  switch (call) {
    case RegCall::OpenKeyEx:
      return "Open";
    case RegCall::QueryInfoKey:
      return "QueryInfo";
    case RegCall::EnumKeyEx:
      return "Enum";
    case RegCall::QueryValueEx:
      return "QueryValue";
    case RegCall::CloseKey:
      return "Close";
  }
  return "?";
}

}  // namespace

struct FakeRegistry::Node {
  struct Value {
    std::uint32_t type = kRegNone;
    std::string data;
    std::optional<std::uint32_t> reportedSize;
  };

  std::string name;
  std::string path;                            // from the root's short name on
  std::vector<std::shared_ptr<Node>> subkeys;  // in case-insensitive name order
  std::map<std::string, Value, LessNoCase> values;
  std::uint32_t deniedAccess = 0;
  std::uint64_t lastWritten = 0;
  bool deleted = false;

  std::vector<std::shared_ptr<Node>>::iterator LowerBound(std::string_view child) {
    return std::lower_bound(subkeys.begin(), subkeys.end(), child,
                            [](const std::shared_ptr<Node>& node, std::string_view wanted) {
                              return CompareNoCase(node->name, wanted) < 0;
                            });
  }
  std::shared_ptr<Node> Child(std::string_view child) {
    const auto at = LowerBound(child);
    return at != subkeys.end() && CompareNoCase((*at)->name, child) == 0 ? *at : nullptr;
  }
  void MarkDeleted() {
    deleted = true;
    for (const auto& sub : subkeys) sub->MarkDeleted();
  }
};

FakeRegistry::FakeRegistry() {
  for (const auto& [key, name] :
       {std::pair{kHKeyLocalMachine, "HKLM"}, std::pair{kHKeyCurrentUser, "HKCU"}}) {
    auto node = std::make_shared<Node>();
    node->name = name;
    node->path = name;
    roots_[key] = node;
  }
}

FakeRegistry::~FakeRegistry() = default;

std::shared_ptr<FakeRegistry::Node> FakeRegistry::RootNode(RegKey root) {
  const auto at = roots_.find(root);
  return at == roots_.end() ? nullptr : at->second;
}

std::shared_ptr<FakeRegistry::Node> FakeRegistry::Find(const std::shared_ptr<Node>& base,
                                                       std::string_view path) const {
  const auto parts = SplitPath(path);
  if (!base || !parts) return nullptr;
  std::shared_ptr<Node> node = base;
  for (const std::string_view part : *parts) {
    node = node->Child(part);
    if (!node) return nullptr;
  }
  return node;
}

std::shared_ptr<FakeRegistry::Node> FakeRegistry::Create(RegKey root, std::string_view path) {
  std::shared_ptr<Node> node = RootNode(root);
  const auto parts = SplitPath(path);
  if (!node || !parts) return nullptr;
  for (const std::string_view part : *parts) {
    const auto at = node->LowerBound(part);
    if (at != node->subkeys.end() && CompareNoCase((*at)->name, part) == 0) {
      node = *at;
      continue;
    }
    auto child = std::make_shared<Node>();
    child->name = std::string(part);
    child->path = node->path + '\\' + child->name;
    node->subkeys.insert(at, child);
    node = child;
  }
  return node;
}

void FakeRegistry::AddKey(std::string_view path, RegKey root) { Create(root, path); }

void FakeRegistry::SetValue(std::string_view keyPath, std::string_view name, std::uint32_t type,
                            std::string_view data, RegKey root) {
  if (const auto node = Create(root, keyPath)) {
    node->values[std::string(name)] = Node::Value{type, std::string(data), std::nullopt};
  }
}

void FakeRegistry::SetText(std::string_view keyPath, std::string_view name, std::string_view text,
                           RegKey root) {
  std::string data(text);
  data.push_back('\0');
  SetValue(keyPath, name, kRegSz, data, root);
}

bool FakeRegistry::DeleteKey(std::string_view path, RegKey root) {
  const auto parts = SplitPath(path);
  if (!parts || parts->empty()) return false;
  std::string parentPath;
  for (std::size_t i = 0; i + 1 < parts->size(); ++i) {
    parentPath.append((*parts)[i]).push_back('\\');
  }
  const auto parent = Find(RootNode(root), parentPath);
  if (!parent) return false;
  const auto at = parent->LowerBound(parts->back());
  if (at == parent->subkeys.end() || CompareNoCase((*at)->name, parts->back()) != 0) return false;
  (*at)->MarkDeleted();
  parent->subkeys.erase(at);
  return true;
}

void FakeRegistry::SetLastWritten(std::string_view path, std::uint64_t fileTime, RegKey root) {
  if (const auto node = Create(root, path)) node->lastWritten = fileTime;
}

void FakeRegistry::RefuseAccess(std::string_view path, std::uint32_t deniedMask, RegKey root) {
  if (const auto node = Create(root, path)) node->deniedAccess = deniedMask;
}

void FakeRegistry::ReportSize(std::string_view keyPath, std::string_view name, std::uint32_t size,
                              RegKey root) {
  const auto node = Find(RootNode(root), keyPath);
  if (!node) return;
  const auto at = node->values.find(std::string(name));
  if (at != node->values.end()) at->second.reportedSize = size;
}

void FakeRegistry::FailCall(RegCall call, std::size_t ordinal, long code) {
  faults_.FailCall(call, ordinal, code);
}

void FakeRegistry::FailNthCall(std::size_t ordinal, long code) {
  faults_.FailNthCall(ordinal, code);
}

void FakeRegistry::OnCall(std::function<void(RegCall, std::size_t)> hook) {
  hook_ = std::move(hook);
}

std::vector<std::string> FakeRegistry::Trace() const {
  std::vector<std::string> lines;
  lines.reserve(calls_.size());
  for (const RegCallRecord& r : calls_) {
    std::string line = std::string(CallName(r.call)) + ' ' + r.key;
    char number[32];
    switch (r.call) {
      case RegCall::OpenKeyEx:
        std::snprintf(number, sizeof number, " 0x%X", static_cast<unsigned>(r.number));
        line += ' ' + r.name + number;
        break;
      case RegCall::EnumKeyEx:
        std::snprintf(number, sizeof number, " %u [%u]", static_cast<unsigned>(r.number),
                      static_cast<unsigned>(r.size));
        line += number;
        break;
      case RegCall::QueryValueEx:
        std::snprintf(number, sizeof number, " [%u]", static_cast<unsigned>(r.size));
        line += ' ' + r.name + number;
        break;
      case RegCall::QueryInfoKey:
      case RegCall::CloseKey:
        break;
    }
    lines.push_back(line + " = " + std::to_string(r.result));
  }
  return lines;
}

std::shared_ptr<FakeRegistry::Node> FakeRegistry::Resolve(RegKey key) const {
  if (const auto at = roots_.find(key); at != roots_.end()) return at->second;
  if (const auto at = handles_.find(key); at != handles_.end()) return at->second;
  return nullptr;
}

std::string FakeRegistry::KeyName(RegKey key) const {
  if (const auto node = Resolve(key)) return node->path;
  char text[32];
  std::snprintf(text, sizeof text, "#%llX", static_cast<unsigned long long>(key));
  return text;
}

std::optional<long> FakeRegistry::Begin(RegCall call) {
  faults_.Count(call);
  if (hook_) hook_(call, faults_.Calls());
  return faults_.Planned(call);
}

bool FakeRegistry::Faulted(RegCallRecord& record) {
  const auto fault = Begin(record.call);
  if (fault) record.result = *fault;
  return fault.has_value();
}

long FakeRegistry::Record(RegCallRecord record) {
  calls_.push_back(std::move(record));
  return calls_.back().result;
}

long FakeRegistry::OpenKeyEx(RegKey key, const char* subKey, std::uint32_t, std::uint32_t sam,
                             RegKey* result) {
  const std::string path = subKey ? subKey : "";
  RegCallRecord record{RegCall::OpenKeyEx, KeyName(key), path, sam, 0, kErrorSuccess};
  if (Faulted(record)) return Record(std::move(record));
  const auto base = Resolve(key);
  if (!base || !result) {
    record.result = base ? kErrorInvalidParameter : kErrorInvalidHandle;
    return Record(std::move(record));
  }
  if (base->deleted) {
    record.result = kErrorKeyDeleted;
    return Record(std::move(record));
  }
  const auto node = Find(base, path);
  if (!node) {
    record.result = kErrorFileNotFound;
  } else if ((node->deniedAccess & sam) != 0) {
    record.result = kErrorAccessDenied;
  } else {
    const RegKey handle = nextHandle_;
    nextHandle_ += 4;
    handles_[handle] = node;
    *result = handle;
  }
  return Record(std::move(record));
}

long FakeRegistry::QueryInfoKey(RegKey key, std::uint32_t* subKeys, std::uint32_t* maxSubKeyLen,
                                std::uint32_t* values, std::uint32_t* maxValueNameLen,
                                std::uint32_t* maxValueLen, std::uint64_t* lastWriteTime) {
  RegCallRecord record{RegCall::QueryInfoKey, KeyName(key), "", 0, 0, kErrorSuccess};
  if (Faulted(record)) return Record(std::move(record));
  const auto node = Resolve(key);
  if (!node || node->deleted) {
    record.result = node ? kErrorKeyDeleted : kErrorInvalidHandle;
    return Record(std::move(record));
  }
  std::size_t longestName = 0;
  for (const auto& sub : node->subkeys) longestName = std::max(longestName, sub->name.size());
  std::size_t longestValueName = 0;
  std::size_t longestData = 0;
  for (const auto& [name, value] : node->values) {
    longestValueName = std::max(longestValueName, name.size());
    longestData = std::max(longestData, value.data.size());
  }
  if (subKeys) *subKeys = static_cast<std::uint32_t>(node->subkeys.size());
  if (maxSubKeyLen) *maxSubKeyLen = static_cast<std::uint32_t>(longestName);
  if (values) *values = static_cast<std::uint32_t>(node->values.size());
  if (maxValueNameLen) *maxValueNameLen = static_cast<std::uint32_t>(longestValueName);
  if (maxValueLen) *maxValueLen = static_cast<std::uint32_t>(longestData);
  if (lastWriteTime) *lastWriteTime = node->lastWritten;
  return Record(std::move(record));
}

// A name as the A call gives it (the stored bytes) or the W call (their UTF-16).
std::string_view NameAs(const std::string& name, char) { return name; }
std::u16string NameAs(const std::string& name, char16_t) { return Utf8ToUtf16(name); }

template <typename Char>
long FakeRegistry::Enum(RegKey key, std::uint32_t index, Char* name, std::uint32_t* nameSize) {
  RegCallRecord record{RegCall::EnumKeyEx,       KeyName(key), "", index,
                       nameSize ? *nameSize : 0, kErrorSuccess};
  if (Faulted(record)) return Record(std::move(record));
  const auto node = Resolve(key);
  if (!node || node->deleted) {
    record.result = node ? kErrorKeyDeleted : kErrorInvalidHandle;
  } else if (!name || !nameSize) {
    record.result = kErrorInvalidParameter;
  } else if (index >= node->subkeys.size()) {
    record.result = kErrorNoMoreItems;
  } else {
    const auto found = NameAs(node->subkeys[index]->name, Char{});
    std::fill(name, name + *nameSize, static_cast<Char>(sizeof(Char) == 1 ? kJunk : 0xCDCD));
    if (found.size() >= *nameSize) {
      // As Wine does: the size is left as it was, so the caller learns only "too small".
      record.result = kErrorMoreData;
    } else {
      std::copy(found.begin(), found.end(), name);
      name[found.size()] = Char{};
      *nameSize = static_cast<std::uint32_t>(found.size());
    }
  }
  return Record(std::move(record));
}

long FakeRegistry::EnumKeyEx(RegKey key, std::uint32_t index, char* name, std::uint32_t* nameSize) {
  return Enum(key, index, name, nameSize);
}

long FakeRegistry::QueryValueEx(RegKey key, const char* valueName, std::uint32_t* type,
                                std::uint8_t* data, std::uint32_t* dataSize) {
  RegCallRecord record{RegCall::QueryValueEx,
                       KeyName(key),
                       valueName ? valueName : "",
                       0,
                       data && dataSize ? *dataSize : 0,
                       kErrorSuccess};
  if (Faulted(record)) return Record(std::move(record));
  const auto node = Resolve(key);
  if (!node || node->deleted) {
    record.result = node ? kErrorKeyDeleted : kErrorInvalidHandle;
    return Record(std::move(record));
  }
  if (data && !dataSize) {
    record.result = kErrorInvalidParameter;
    return Record(std::move(record));
  }
  const auto at = node->values.find(record.name);
  if (at == node->values.end()) {
    record.result = kErrorFileNotFound;
    return Record(std::move(record));
  }
  const Node::Value& value = at->second;
  const auto stored = static_cast<std::uint32_t>(value.data.size());
  if (type) *type = value.type;
  if (!data) {
    if (dataSize) *dataSize = value.reportedSize.value_or(stored);
    return Record(std::move(record));
  }
  std::memset(data, kJunk, *dataSize);
  if (*dataSize < stored) {
    record.result = kErrorMoreData;
  } else {
    std::memcpy(data, value.data.data(), stored);
  }
  *dataSize = stored;
  return Record(std::move(record));
}

long FakeRegistry::CloseKey(RegKey key) {
  RegCallRecord record{RegCall::CloseKey, KeyName(key), "", 0, 0, kErrorSuccess};
  const auto fault = Begin(RegCall::CloseKey);
  const bool known = handles_.erase(key) > 0 || roots_.count(key) > 0;
  record.result = fault ? *fault : (known ? kErrorSuccess : kErrorInvalidHandle);
  return Record(std::move(record));
}

long FakeRegistry::OpenKeyExW(RegKey key, const char16_t* subKey, std::uint32_t options,
                              std::uint32_t sam, RegKey* result) {
  const std::string path = subKey ? Utf16ToUtf8(subKey) : "";
  return OpenKeyEx(key, subKey ? path.c_str() : nullptr, options, sam, result);
}

long FakeRegistry::QueryInfoKeyW(RegKey key, std::uint32_t* subKeys, std::uint32_t* maxSubKeyLen,
                                 std::uint32_t* values, std::uint32_t* maxValueNameLen,
                                 std::uint32_t* maxValueLen, std::uint64_t* lastWriteTime) {
  return QueryInfoKey(key, subKeys, maxSubKeyLen, values, maxValueNameLen, maxValueLen,
                      lastWriteTime);
}

long FakeRegistry::EnumKeyExW(RegKey key, std::uint32_t index, char16_t* name,
                              std::uint32_t* nameSize) {
  return Enum(key, index, name, nameSize);
}

long FakeRegistry::QueryValueExW(RegKey key, const char16_t* valueName, std::uint32_t* type,
                                 std::uint8_t* data, std::uint32_t* dataSize) {
  const std::string name = valueName ? Utf16ToUtf8(valueName) : "";
  return QueryValueEx(key, valueName ? name.c_str() : nullptr, type, data, dataSize);
}
