#include "inventory/device_view.h"

#include <array>
#include <map>

#include "common/utf.h"
#include "inventory/registry_read.h"

namespace {

enum Field : std::size_t {
  kHive,
  kComputerName,
  kControlSet,
  kDeviceId,
  kEnumerator,
  kKeyPath,
  kLastWritten,
  kDescription,
  kDescriptionRaw,
  kFriendlyName,
  kFriendlyNameRaw,
  kManufacturer,
  kManufacturerRaw,
  kClassGuid,
  kClassName,
  kHardwareIds,
  kCompatibleIds,
  kService,
  kDriverKey,
  kDriver,
  kContainerId,
  kConfigFlags,
  kDisabled,
  kInstallDate,
  kFirstInstallDate,
  kLastArrivalDate,
  kLastRemovalDate,
  kFieldCount
};

constexpr std::array<std::string_view, kFieldCount> kFields{"hive",
                                                            "computer_name",
                                                            "control_set",
                                                            "device_id",
                                                            "enumerator",
                                                            "key_path",
                                                            "last_written",
                                                            "description",
                                                            "description_raw",
                                                            "friendly_name",
                                                            "friendly_name_raw",
                                                            "manufacturer",
                                                            "manufacturer_raw",
                                                            "class_guid",
                                                            "class_name",
                                                            "hardware_ids",
                                                            "compatible_ids",
                                                            "service",
                                                            "driver_key",
                                                            "driver",
                                                            "container_id",
                                                            "config_flags",
                                                            "disabled",
                                                            "install_date",
                                                            "first_install_date",
                                                            "last_arrival_date",
                                                            "last_removal_date"};

constexpr std::array<ViewColumn, 7> kColumns{{{"Control set", "control_set"},
                                              {"Device ID", "device_id"},
                                              {"Last arrival", "last_arrival_date"},
                                              {"First install", "first_install_date"},
                                              {"Description", "description", "friendly_name"},
                                              {"Driver", "driver"},
                                              {"Service", "service"}}};

// The values read as they are.
constexpr std::array<std::pair<std::u16string_view, Field>, 7> kValues{{
    {u"ClassGUID", kClassGuid},
    {u"Class", kClassName},
    {u"HardwareID", kHardwareIds},
    {u"CompatibleIDs", kCompatibleIds},
    {u"Service", kService},
    {u"Driver", kDriverKey},
    {u"ContainerID", kContainerId},
}};
// The display strings: the text shown, and the value as stored.
constexpr std::array<DisplayValue, 3> kDisplayValues{{
    {u"DeviceDesc", kDescription, kDescriptionRaw},
    {u"FriendlyName", kFriendlyName, kFriendlyNameRaw},
    {u"Mfg", kManufacturer, kManufacturerRaw},
}};

// The device property set of the install and arrival times, and each time's property key.
constexpr std::u16string_view kTimesPropertySet = u"{83da6326-97a6-4088-9453-a1923f573b29}";
constexpr std::array<std::pair<std::u16string_view, Field>, 4> kTimes{{
    {u"0064", kInstallDate},
    {u"0065", kFirstInstallDate},
    {u"0066", kLastArrivalDate},
    {u"0067", kLastRemovalDate},
}};
// A FILETIME as Windows 8 and later store a property: the key's default value of this type.
constexpr std::uint32_t kFileTimeProperty = 0xFFFF0010;
constexpr std::uint32_t kConfigFlagDisabled = 0x1;

class DeviceScan {
 public:
  DeviceScan(RegistryApi& api, const ViewScope& scope, std::vector<ViewRow>& rows,
             const RecordWarningFn& warn)
      : reader_(api, warn), scope_(scope), rows_(rows), warn_(warn) {}

  void Run() {
    RegistryApi& api = reader_.Api();
    computerName_ = ComputerName(reader_, scope_.setKey);
    const std::string enumPath = scope_.setKey + "\\Enum";
    OpenKey enumKey(api);
    OpenListedKey(enumKey, enumPath, scope_.setKey + " has no Enum key");
    for (const std::u16string& enumerator : reader_.Subkeys(enumKey.Key(), enumPath)) {
      OpenKey enumeratorKey(api);
      const std::string enumeratorPath = enumPath + "\\" + Utf16ToUtf8(enumerator);
      if (!Open(enumeratorKey, enumKey.Key(), enumPath, enumerator)) continue;
      for (const std::u16string& device : reader_.Subkeys(enumeratorKey.Key(), enumeratorPath)) {
        OpenKey deviceKey(api);
        const std::string devicePath = enumeratorPath + "\\" + Utf16ToUtf8(device);
        if (!Open(deviceKey, enumeratorKey.Key(), enumeratorPath, device)) continue;
        for (const std::u16string& instance : reader_.Subkeys(deviceKey.Key(), devicePath)) {
          Instance(deviceKey.Key(), devicePath, enumerator, device, instance);
        }
      }
    }
  }

 private:
  // A key that is absent now was listed a moment ago: that is a warning too.
  bool Open(OpenKey& key, RegKey parent, const std::string& parentPath,
            const std::u16string& name) {
    const long code = key.Open(parent, name);
    if (code != kErrorSuccess) reader_.Warn(parentPath + "\\" + Utf16ToUtf8(name), u"", code);
    return code == kErrorSuccess;
  }

  void Instance(RegKey deviceKey, const std::string& devicePath, const std::u16string& enumerator,
                const std::u16string& device, const std::u16string& instance) {
    OpenKey key(reader_.Api());
    if (!Open(key, deviceKey, devicePath, instance)) return;
    ViewRow& row = rows_.emplace_back(kFieldCount);
    row[kHive] = scope_.hive;
    row[kComputerName] = computerName_;
    row[kControlSet] = scope_.controlSet;
    row[kEnumerator] = Utf16ToUtf8(enumerator);
    row[kDeviceId] = row[kEnumerator] + "\\" + Utf16ToUtf8(device) + "\\" + Utf16ToUtf8(instance);
    row[kKeyPath] = scope_.setKey + "\\Enum\\" + row[kDeviceId];
    const std::string& path = row[kKeyPath];
    row[kLastWritten] = reader_.LastWritten(key.Key(), path);
    for (const auto& [name, field] : kValues) row[field] = reader_.Text(key.Key(), path, name);
    for (const DisplayValue& value : kDisplayValues) {
      row[value.raw] = reader_.Text(key.Key(), path, value.name);
      row[value.shown] = DisplayText(row[value.raw]);
    }
    std::uint32_t type = kRegNone;
    if (reader_.Raw(key.Key(), path, u"ConfigFlags", type, data_)) {
      row[kConfigFlags] = RecordValueText(type, data_);
      if (type == kRegDword && data_.size() == 4) {
        row[kDisabled] = LittleEndian(data_) & kConfigFlagDisabled ? "yes" : "no";
      }
    }
    row[kDriver] = Driver(row[kDriverKey]);
    Times(key.Key(), path, row);
  }

  // The driver field of the record the Driver value names, read once for each record.
  const std::string& Driver(const std::string& driverKey) {
    static const std::string kNone;
    if (driverKey.empty()) return kNone;
    const auto [at, added] = drivers_.try_emplace(UpperAscii(driverKey));
    if (!added) return at->second;
    const std::string path = scope_.setKey + "\\Control\\Class\\" + driverKey;
    OpenKey record(reader_.Api());
    const long code = record.Open(kHKeyLocalMachine, SystemPath(path));
    if (code == kErrorSuccess) {
      at->second = reader_.Text(record.Key(), path, u"DriverDesc");
    } else if (code != kErrorFileNotFound) {
      reader_.Warn(path, u"", code);
    }
    return at->second;
  }

  void Times(RegKey instance, const std::string& path, ViewRow& row) {
    OpenKey properties(reader_.Api());
    if (!OpenProperty(properties, instance, path, u"Properties")) return;
    const std::string propertiesPath = path + "\\Properties";
    OpenKey set(reader_.Api());
    if (!OpenProperty(set, properties.Key(), propertiesPath, std::u16string(kTimesPropertySet))) {
      return;
    }
    const std::string setPath = propertiesPath + "\\" + Utf16ToUtf8(kTimesPropertySet);
    for (const auto& [id, field] : kTimes) {
      OpenKey property(reader_.Api());
      if (OpenProperty(property, set.Key(), setPath, std::u16string(id))) {
        row[field] = Time(property.Key(), setPath + "\\" + Utf16ToUtf8(id));
      }
    }
  }

  // Opens a key of the device's properties. Where it is closed to the run (on Windows the
  // system account alone may read them), one note stands for every device.
  bool OpenProperty(OpenKey& key, RegKey parent, const std::string& parentPath,
                    const std::u16string& name) {
    const long code = key.Open(parent, name);
    if (code == kErrorAccessDenied) {
      if (warn_) {
        warn_(RecordWarning{parentPath + "\\" + Utf16ToUtf8(name), "", code, kDeviceTimesDenied});
      }
    } else if (code != kErrorSuccess && code != kErrorFileNotFound) {
      reader_.Warn(parentPath + "\\" + Utf16ToUtf8(name), u"", code);
    }
    return code == kErrorSuccess;
  }

  // A property's FILETIME: the key's default value (Windows 8 and later), or the Data value
  // of its subkey 00000000 (Windows 7).
  std::string Time(RegKey property, const std::string& path) {
    std::uint32_t type = kRegNone;
    if (reader_.Raw(property, path, u"", type, data_)) {
      if (type == kFileTimeProperty && data_.size() == 8) return IsoTime(LittleEndian(data_));
      reader_.Warn(path, u"", kErrorInvalidData);
      return std::string();
    }
    OpenKey old(reader_.Api());
    const std::string oldPath = path + "\\00000000";
    if (!reader_.Open(old, property, path, u"00000000")) return std::string();
    if (!reader_.Raw(old.Key(), oldPath, u"Data", type, data_)) return std::string();
    if (data_.size() == 8) return IsoTime(LittleEndian(data_));
    reader_.Warn(oldPath, u"Data", kErrorInvalidData);
    return std::string();
  }

  RowReader reader_;
  const ViewScope& scope_;
  std::vector<ViewRow>& rows_;
  const RecordWarningFn& warn_;
  std::string computerName_;
  std::map<std::string, std::string> drivers_;
  std::string data_;
};

void ReadDevices(RegistryApi& registry, const ViewScope& scope, std::vector<ViewRow>& rows,
                 const RecordWarningFn& warn) {
  DeviceScan(registry, scope, rows, warn).Run();
}

constexpr std::array<ViewTime, 5> kViewTimes{
    {{"last_written", "Device key last written", "key last written"},
     {"install_date", "Device driver installed", "driver installed"},
     {"first_install_date", "Device first installed", "first installed"},
     {"last_arrival_date", "Device last arrived", "last arrived"},
     {"last_removal_date", "Device last removed", "last removed"}}};
constexpr std::array<ViewKey, 1> kKeys{{{"Device ID", "device_id"}}};
constexpr std::array<ViewDetail, 2> kDetails{{{"driver", "driver"}, {"service", "service"}}};

constexpr ViewSchema kView{"devices",
                           "every device instance key Enum\\<enumerator>\\<device>\\<instance>, "
                           "present or not, with its driver record and times",
                           kFields,
                           kColumns,
                           ReadDevices,
                           false,
                           kViewTimes,
                           kKeys,
                           kColumns[4],
                           kDetails};

}  // namespace

const ViewSchema& DevicesView() { return kView; }
