#include "inventory/service_view.h"

#include <array>
#include <unordered_map>

#include "common/utf.h"
#include "inventory/registry_read.h"

namespace {

enum Field : std::size_t {
  kHive,
  kComputerName,
  kControlSet,
  kName,
  kKeyPath,
  kLastWritten,
  kDisplayName,
  kDisplayNameRaw,
  kDescription,
  kDescriptionRaw,
  kType,
  kStart,
  kErrorControl,
  kGroup,
  kTag,
  kImagePath,
  kFilePath,
  kOwners,
  kDevices,
  kFieldCount
};

constexpr std::array<std::string_view, kFieldCount> kFields{
    "hive",         "computer_name", "control_set",      "name",        "key_path",
    "last_written", "display_name",  "display_name_raw", "description", "description_raw",
    "type",         "start",         "error_control",    "group",       "tag",
    "image_path",   "file_path",     "owners",           "devices"};

constexpr std::array<ViewColumn, 7> kColumns{{{"Control set", "control_set"},
                                              {"Name", "name"},
                                              {"Start", "start"},
                                              {"Type", "type"},
                                              {"Last written", "last_written"},
                                              {"Display name", "display_name"},
                                              {"File path", "file_path"}}};

constexpr std::array<std::pair<std::u16string_view, Field>, 3> kValues{{
    {u"Group", kGroup},
    {u"Tag", kTag},
    {u"Owners", kOwners},
}};
constexpr std::array<DisplayValue, 2> kDisplayValues{{
    {u"DisplayName", kDisplayName, kDisplayNameRaw},
    {u"Description", kDescription, kDescriptionRaw},
}};

// The words for a number, by the number; a number without words is written in decimal.
struct Named {
  std::uint64_t number;
  std::string_view words;
};
constexpr std::array<Named, 4> kDriverTypes{
    {{1, "kernel"}, {2, "file system"}, {4, "adapter"}, {8, "recognizer"}}};
constexpr std::array<Named, 5> kStarts{
    {{0, "boot"}, {1, "system"}, {2, "auto"}, {3, "demand"}, {4, "disabled"}}};
constexpr std::array<Named, 4> kErrorControls{
    {{0, "ignore"}, {1, "normal"}, {2, "severe"}, {3, "critical"}}};

template <std::size_t N>
const Named* Find(const std::array<Named, N>& names, std::uint64_t number) {
  for (const Named& named : names) {
    if (named.number == number) return &named;
  }
  return nullptr;
}

template <std::size_t N>
std::string Words(const std::array<Named, N>& names, std::uint64_t number) {
  const Named* named = Find(names, number);
  return named ? std::string(named->words) : std::to_string(number);
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && UpperAscii(text.substr(0, prefix.size())) == prefix;
}

class ServiceScan {
 public:
  ServiceScan(RegistryApi& api, const ViewScope& scope, std::vector<ViewRow>& rows,
              const RecordWarningFn& warn)
      : reader_(api, warn), scope_(scope), rows_(rows) {}

  void Run() {
    RegistryApi& api = reader_.Api();
    computerName_ = ComputerName(reader_, scope_.setKey);
    const std::string servicesPath = scope_.setKey + "\\Services";
    OpenKey services(api);
    OpenListedKey(services, servicesPath, scope_.setKey + " has no Services key");
    CountDevices();
    for (const std::u16string& name : reader_.Subkeys(services.Key(), servicesPath)) {
      Service(services.Key(), servicesPath, name);
    }
  }

 private:
  // How many device instances name each service, by its name in upper case. Anything of Enum
  // that cannot be read is reported and leaves every count unknown (empty).
  void CountDevices() {
    RegistryApi& api = reader_.Api();
    const std::string enumPath = scope_.setKey + "\\Enum";
    OpenKey enumKey(api);
    if (const long code = enumKey.Open(kHKeyLocalMachine, SystemPath(enumPath));
        code != kErrorSuccess) {
      if (code != kErrorFileNotFound) Unknown(enumPath, u"", code);
      return;
    }
    std::uint32_t type = kRegNone;
    for (const std::u16string& enumerator : Subkeys(enumKey.Key(), enumPath)) {
      const std::string enumeratorPath = enumPath + "\\" + Utf16ToUtf8(enumerator);
      OpenKey enumeratorKey(api);
      if (!Open(enumeratorKey, enumKey.Key(), enumeratorPath, enumerator)) continue;
      for (const std::u16string& device : Subkeys(enumeratorKey.Key(), enumeratorPath)) {
        const std::string devicePath = enumeratorPath + "\\" + Utf16ToUtf8(device);
        OpenKey deviceKey(api);
        if (!Open(deviceKey, enumeratorKey.Key(), devicePath, device)) continue;
        for (const std::u16string& instance : Subkeys(deviceKey.Key(), devicePath)) {
          const std::string path = devicePath + "\\" + Utf16ToUtf8(instance);
          OpenKey instanceKey(api);
          if (!Open(instanceKey, deviceKey.Key(), path, instance)) continue;
          const long code = ReadValue(api, instanceKey.Key(), u"Service", type, data_);
          if (code == kErrorSuccess) {
            ++devices_[UpperAscii(RecordValueText(type, data_))];
          } else if (code != kErrorFileNotFound) {
            Unknown(path, u"Service", code);
          }
        }
      }
    }
  }

  void Unknown(const std::string& path, std::u16string_view name, long code) {
    reader_.Warn(path, name, code);
    countsKnown_ = false;
  }

  std::vector<std::u16string> Subkeys(RegKey key, const std::string& path) {
    std::vector<std::u16string> names;
    const auto unknown = [&](long code) { Unknown(path, u"", code); };
    if (const long code = ::Subkeys(reader_.Api(), key, names, unknown); code != kErrorSuccess) {
      unknown(code);
    }
    return names;
  }

  bool Open(OpenKey& key, RegKey parent, const std::string& path, const std::u16string& name) {
    const long code = key.Open(parent, name);
    if (code != kErrorSuccess) Unknown(path, u"", code);
    return code == kErrorSuccess;
  }

  void Service(RegKey services, const std::string& servicesPath, const std::u16string& name) {
    OpenKey key(reader_.Api());
    const std::string path = servicesPath + "\\" + Utf16ToUtf8(name);
    if (const long code = key.Open(services, name); code != kErrorSuccess) {
      reader_.Warn(path, u"", code);
      return;
    }
    std::uint32_t type = kRegNone;
    if (!reader_.Raw(key.Key(), path, u"Type", type, data_)) return;
    if (type != kRegDword || data_.size() != 4) {
      reader_.Warn(path, u"Type", kErrorInvalidData);
      return;
    }
    const Named* driverType = Find(kDriverTypes, LittleEndian(data_));
    if (!driverType) return;
    ViewRow& row = rows_.emplace_back(kFieldCount);
    row[kHive] = scope_.hive;
    row[kComputerName] = computerName_;
    row[kControlSet] = scope_.controlSet;
    row[kName] = Utf16ToUtf8(name);
    row[kKeyPath] = path;
    row[kLastWritten] = reader_.LastWritten(key.Key(), path);
    for (const DisplayValue& value : kDisplayValues) {
      row[value.raw] = reader_.Text(key.Key(), path, value.name);
      row[value.shown] = DisplayText(row[value.raw]);
    }
    row[kType] = driverType->words;
    row[kStart] = Number(key.Key(), path, u"Start", kStarts);
    row[kErrorControl] = Number(key.Key(), path, u"ErrorControl", kErrorControls);
    for (const auto& [value, field] : kValues) row[field] = reader_.Text(key.Key(), path, value);
    row[kImagePath] = reader_.Text(key.Key(), path, u"ImagePath");
    row[kFilePath] = ServiceFilePath(row[kName], row[kImagePath]);
    if (countsKnown_) {
      const auto devices = devices_.find(UpperAscii(row[kName]));
      row[kDevices] = std::to_string(devices == devices_.end() ? 0 : devices->second);
    }
  }

  // A REG_DWORD in words; any other value as RecordValueText writes it.
  template <std::size_t N>
  std::string Number(RegKey key, const std::string& path, std::u16string_view name,
                     const std::array<Named, N>& names) {
    std::uint32_t type = kRegNone;
    if (!reader_.Raw(key, path, name, type, data_)) return std::string();
    if (type == kRegDword && data_.size() == 4) return Words(names, LittleEndian(data_));
    return RecordValueText(type, data_);
  }

  RowReader reader_;
  const ViewScope& scope_;
  std::vector<ViewRow>& rows_;
  std::string computerName_;
  std::unordered_map<std::string, std::size_t> devices_;
  bool countsKnown_ = true;
  std::string data_;
};

void ReadServices(RegistryApi& registry, const ViewScope& scope, std::vector<ViewRow>& rows,
                  const RecordWarningFn& warn) {
  ServiceScan(registry, scope, rows, warn).Run();
}

constexpr std::array<ViewTime, 1> kTimes{
    {{"last_written", "Driver service last written", "last written"}}};
constexpr std::array<ViewKey, 1> kKeys{{{"Name", "name"}}};
constexpr std::array<ViewDetail, 2> kDetails{{{"start", "start"}, {"file", "file_path"}}};

constexpr ViewSchema kView{"services",
                           "every key under ControlSetNNN\\Services whose Type is a driver's: 1 "
                           "kernel, 2 file system, 4 adapter, 8 recognizer",
                           kFields,
                           kColumns,
                           ReadServices,
                           false,
                           kTimes,
                           kKeys,
                           {"Display name", "display_name"},
                           kDetails};

}  // namespace

const ViewSchema& ServicesView() { return kView; }

std::string ServiceFilePath(std::string_view name, std::string_view imagePath) {
  if (imagePath.empty()) {
    return "%SystemRoot%\\System32\\drivers\\" + std::string(name) + ".sys";
  }
  if (StartsWithNoCase(imagePath, "\\SYSTEMROOT\\")) {
    return "%SystemRoot%" + std::string(imagePath.substr(11));
  }
  if (imagePath.starts_with("\\??\\")) return std::string(imagePath.substr(4));
  const bool drive = imagePath.size() >= 2 && imagePath[1] == ':';
  if (imagePath.starts_with('\\') || imagePath.starts_with('%') || drive) {
    return std::string(imagePath);
  }
  return "%SystemRoot%\\" + std::string(imagePath);
}
