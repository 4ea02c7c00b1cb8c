#include "inventory/registry.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "common/text.h"

namespace {

// Key names are at most 255 characters; even at four bytes a character a name fits. A name
// that still does not fit is not a name the registry can hold.
constexpr std::uint32_t kLargestNameBuffer = 4 * 255 + 1;

// The text of the first `count` bytes of a buffer, cut at its first NUL.
std::string TextUpToNul(const char* bytes, std::size_t count) {
  const void* nul = std::memchr(bytes, '\0', count);
  return std::string(bytes, nul ? static_cast<const char*>(nul) - bytes : count);
}

}  // namespace

TRegistry::TRegistry(RegistryApi& api) : api_(api) {}

TRegistry::~TRegistry() { CloseCurrent(); }

void TRegistry::SelectRoot(RegKey root) {
  if (root == root_) return;
  CloseCurrent();
  root_ = root;
}

bool TRegistry::OpenExisting(std::string_view path) {
  const bool absolute = !path.empty() && path.front() == '\\';
  if (absolute) path.remove_prefix(1);
  const bool relativeToOpenKey = !absolute && hasCurrentKey_;
  const RegKey base = relativeToOpenKey ? currentKey_ : root_;

  const std::string subKey(path);
  RegKey opened = 0;
  if (api_.OpenKeyEx(base, subKey.c_str(), 0, access_, &opened) != kErrorSuccess) return false;

  std::string newPath = relativeToOpenKey ? currentPath_ + '\\' + subKey : subKey;
  CloseCurrent();
  hasCurrentKey_ = true;
  currentKey_ = opened;
  currentPath_ = std::move(newPath);
  return true;
}

void TRegistry::ListSubkeys(std::vector<std::string>& list) {
  list.clear();
  std::uint32_t count = 0;
  std::uint32_t longest = 0;
  if (api_.QueryInfoKey(currentKey_, &count, &longest, nullptr, nullptr, nullptr, nullptr) !=
      kErrorSuccess) {
    return;
  }
  // The summary counts characters; with a multi-byte code page a name can need more bytes.
  // Such an index is retried with a larger buffer rather than lost.
  std::uint32_t bufferSize = std::min(longest, kLargestNameBuffer - 1) + 1;
  auto buffer = std::make_unique<char[]>(bufferSize);
  list.reserve(count);
  for (std::uint32_t index = 0; index < count; ++index) {
    for (;;) {
      std::uint32_t size = bufferSize;
      const long result = api_.EnumKeyEx(currentKey_, index, buffer.get(), &size);
      if (result == kErrorSuccess) {
        list.push_back(TextUpToNul(buffer.get(), std::min(size, bufferSize)));
        break;
      }
      if (result != kErrorMoreData || bufferSize >= kLargestNameBuffer) break;  // skip the index
      const std::uint32_t needed = size > bufferSize ? size + 1 : bufferSize * 2;
      bufferSize = std::min(needed, kLargestNameBuffer);
      buffer = std::make_unique<char[]>(bufferSize);
    }
  }
}

std::string TRegistry::ReadText(std::string_view name) {
  const std::string valueName(name);
  std::uint32_t type = kRegNone;
  std::uint32_t size = 0;
  if (api_.QueryValueEx(currentKey_, valueName.c_str(), &type, nullptr, &size) != kErrorSuccess ||
      size == 0) {
    return std::string();
  }

  // Not zeroed: only the bytes the second query reports written are looked at.
  auto buffer = std::make_unique_for_overwrite<std::uint8_t[]>(size);
  std::uint32_t written = size;
  if (api_.QueryValueEx(currentKey_, valueName.c_str(), &type, buffer.get(), &written) !=
      kErrorSuccess) {
    throw ERegistryException(FormatText("Failed to get data for '%s'", name));
  }
  if (type != kRegSz && type != kRegExpandSz) {
    throw ERegistryException(FormatText("Invalid data type for '%s'", name));
  }
  return TextUpToNul(reinterpret_cast<const char*>(buffer.get()), std::min(written, size));
}

void TRegistry::CloseCurrent() {
  if (!hasCurrentKey_) return;
  api_.CloseKey(currentKey_);
  hasCurrentKey_ = false;
  currentKey_ = 0;
  currentPath_.clear();
}
