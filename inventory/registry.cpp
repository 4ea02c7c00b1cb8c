#include "inventory/registry.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <memory>
#include <new>

#include "common/text.h"

namespace {

// Key names are at most 255 characters; even at four bytes a character a name fits. A name
// that still does not fit is not a name the registry can hold.
constexpr std::uint32_t kLargestNameBuffer = 4 * 255 + 1;

// The languages of Europe, by primary language id (the low ten bits of an LCID). Any other
// language counts as not Western, which can only make a name buffer larger.
constexpr std::uint16_t kWesternLanguages[] = {
    0x02, 0x03, 0x05, 0x06, 0x07, 0x08,  // Bulgarian, Catalan, Czech, Danish, German, Greek
    0x09, 0x0A, 0x0B, 0x0C, 0x0E, 0x0F,  // English, Spanish, Finnish, French, Hungarian, Icelandic
    0x10, 0x13, 0x14, 0x15, 0x16, 0x17,  // Italian, Dutch, Norwegian, Polish, Portuguese, Romansh
    0x18, 0x19, 0x1A, 0x1B, 0x1C, 0x1D,  // Romanian, Russian, Croatian/Serbian, Slovak, Albanian,
                                         // Swedish
    0x1F, 0x22, 0x23, 0x24, 0x25, 0x26,  // Turkish, Ukrainian, Belarusian, Slovenian, Estonian,
                                         // Latvian
    0x27, 0x2D, 0x2E, 0x2F, 0x38, 0x3A,  // Lithuanian, Basque, Sorbian, Macedonian, Faroese,
                                         // Maltese
    0x3B, 0x3C, 0x52, 0x56, 0x62, 0x6E,  // Sami, Irish, Welsh, Galician, Frisian, Luxembourgish
    0x7E, 0x82, 0x83, 0x84, 0x91,        // Breton, Occitan, Corsican, Alsatian, Scottish Gaelic
};

// The key summary counts a name's length in characters, and a double-byte code page can
// spend two bytes on one: where the thread's language is not Western and the ANSI code page
// has lead bytes, a name can need twice its length in bytes.
bool NamesMayNeedTwoBytesACharacter(LocaleApi& locale) {
  const std::uint32_t language = locale.GetThreadLocale() & 0x3FF;
  if (std::find(std::begin(kWesternLanguages), std::end(kWesternLanguages), language) !=
      std::end(kWesternLanguages)) {
    return false;
  }
  CpInfo info;
  return locale.GetCPInfo(kCpAcp, &info) && info.leadByte[0] != 0;
}

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
  std::uint32_t length = std::min(longest, kLargestNameBuffer - 1);
  if (NamesMayNeedTwoBytesACharacter(api_)) length = std::min(2 * length, kLargestNameBuffer - 1);
  // A name that still does not fit (one added since the summary, or more bytes a character
  // than that) is retried with a larger buffer rather than lost.
  std::uint32_t bufferSize = length + 1;
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

  // Not zeroed: only the bytes the second query reports written are looked at. A size that
  // no buffer can be made for is data that cannot be read.
  std::unique_ptr<std::uint8_t[]> buffer(new (std::nothrow) std::uint8_t[size]);
  std::uint32_t written = size;
  if (!buffer || api_.QueryValueEx(currentKey_, valueName.c_str(), &type, buffer.get(), &written) !=
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
