#include "inventory/registry_read.h"

#include <iterator>

#include "common/utf.h"

namespace {

// A value that keeps growing between the size query and the read (a live registry being
// written) is given up after this many tries.
constexpr int kValueReadTries = 8;

}  // namespace

std::string_view UpToNul(std::string_view bytes) {
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    if (bytes[i] == 0 && bytes[i + 1] == 0) return bytes.substr(0, i);
  }
  return bytes;
}

std::uint64_t LittleEndian(std::string_view bytes) {
  std::uint64_t number = 0;
  for (std::size_t i = bytes.size(); i-- > 0;) {
    number = number << 8 | static_cast<unsigned char>(bytes[i]);
  }
  return number;
}

long ReadValue(RegistryApi& api, RegKey key, std::u16string_view name, std::uint32_t& type,
               std::string& data) {
  // The name as the call takes it, NUL-terminated: on the stack where it is short, as the
  // names a view reads are.
  char16_t shortName[64];
  std::u16string longName;
  const char16_t* terminated = shortName;
  if (name.size() < std::size(shortName)) {
    std::copy(name.begin(), name.end(), shortName);
    shortName[name.size()] = u'\0';
  } else {
    longName = name;
    terminated = longName.c_str();
  }
  data.resize(std::max<std::size_t>(data.capacity(), 512));
  for (int tries = 0; tries < kValueReadTries; ++tries) {
    auto size = static_cast<std::uint32_t>(data.size());
    const long code = api.QueryValueExW(key, terminated, &type,
                                        reinterpret_cast<std::uint8_t*>(data.data()), &size);
    if (code == kErrorSuccess) {
      data.resize(std::min<std::size_t>(size, data.size()));
      return code;
    }
    if (code != kErrorMoreData) {
      data.clear();
      return code;
    }
    data.resize(std::max<std::size_t>(size, data.size() * 2));
  }
  data.clear();
  return kErrorMoreData;
}

void RowReader::Warn(const std::string& keyPath, std::u16string_view name, long code) const {
  if (warn_) warn_(RecordWarning{keyPath, Utf16ToUtf8(name), code});
}

bool RowReader::Raw(RegKey key, const std::string& keyPath, std::u16string_view name,
                    std::uint32_t& type, std::string& data) {
  const long code = ReadValue(api_, key, name, type, data);
  if (code != kErrorSuccess && code != kErrorFileNotFound) Warn(keyPath, name, code);
  return code == kErrorSuccess;
}

std::string RowReader::Text(RegKey key, const std::string& keyPath, std::u16string_view name) {
  std::uint32_t type = kRegNone;
  return Raw(key, keyPath, name, type, data_) ? RecordValueText(type, data_) : std::string();
}

std::string RowReader::LastWritten(RegKey key, const std::string& keyPath) const {
  std::uint64_t written = 0;
  const long code = api_.QueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, &written);
  if (code == kErrorSuccess) return IsoTime(written);
  Warn(keyPath, u"", code);
  return std::string();
}

bool RowReader::Open(OpenKey& key, RegKey parent, const std::string& parentPath,
                     const std::u16string& name) {
  const long code = key.Open(parent, name);
  if (code != kErrorSuccess && code != kErrorFileNotFound) {
    Warn(parentPath + "\\" + Utf16ToUtf8(name), u"", code);
  }
  return code == kErrorSuccess;
}

std::vector<std::u16string> RowReader::Subkeys(RegKey key, const std::string& keyPath) const {
  std::vector<std::u16string> names;
  const auto warn = [&](long code) { Warn(keyPath, u"", code); };
  if (const long code = ::Subkeys(api_, key, names, warn); code != kErrorSuccess) warn(code);
  return names;
}

void OpenListedKey(OpenKey& key, const std::string& path, const std::string& missing) {
  if (const long code = key.Open(kHKeyLocalMachine, SystemPath(path)); code != kErrorSuccess) {
    throw ERecordsError(missing, code == kErrorFileNotFound ? 0 : code);
  }
}

std::string ComputerName(RowReader& reader, const std::string& setKey) {
  const std::string namePath = setKey + "\\Control\\ComputerName\\ComputerName";
  OpenKey computer(reader.Api());
  const long code = computer.Open(kHKeyLocalMachine, SystemPath(namePath));
  if (code == kErrorSuccess) return reader.Text(computer.Key(), namePath, u"ComputerName");
  if (code != kErrorFileNotFound) reader.Warn(namePath, u"", code);
  return std::string();
}

std::u16string SystemPath(const std::string& path) { return u"SYSTEM\\" + Utf8ToUtf16(path); }

std::string UpperAscii(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper;
}
