#include "inventory/driver_packages.h"

#include <array>
#include <cstdio>
#include <unordered_map>

#include "common/utf.h"
#include "inventory/registry_read.h"

namespace {

enum Field : std::size_t {
  kHive,
  kComputerName,
  kPackage,
  kKeyPath,
  kLastWritten,
  kPublishedName,
  kOriginalName,
  kProvider,
  kClassGuid,
  kClassName,
  kVersion,
  kDriverDateIso,
  kSigner,
  kSignerScore,
  kImportDate,
  kCatalog,
  kActive,
  kInbox,
  kFieldCount
};

constexpr std::array<std::string_view, kFieldCount> kFields{
    "hive",           "computer_name",   "package",  "key_path",     "last_written",
    "published_name", "original_name",   "provider", "class_guid",   "class_name",
    "version",        "driver_date_iso", "signer",   "signer_score", "import_date",
    "catalog",        "active",          "inbox"};

constexpr std::array<ViewColumn, 8> kColumns{{{"Published", "published_name"},
                                              {"Original", "original_name"},
                                              {"Provider", "provider"},
                                              {"Class", "class_guid", "class_name"},
                                              {"Version", "version"},
                                              {"Driver date", "driver_date_iso"},
                                              {"Active", "active"},
                                              {"Package", "package"}}};

constexpr std::array<std::pair<std::u16string_view, Field>, 4> kTexts{{
    {u"Provider", kProvider},
    {u"SignerName", kSigner},
    {u"Catalog", kCatalog},
    {u"InfName", kOriginalName},
}};

constexpr char kPackagesPath[] = "DriverDatabase\\DriverPackages";
constexpr char kInfFilesPath[] = "DriverDatabase\\DriverInfFiles";

// The Version value: the class GUID at 8, the driver date (a FILETIME) at 24, the version at 32.
constexpr std::size_t kVersionBytes = 40;

std::string Hex(std::uint64_t number, int digits) {
  char text[20];
  std::snprintf(text, sizeof text, "%0*llx", digits, static_cast<unsigned long long>(number));
  return text;
}

// 16 bytes in GUID layout (three little-endian numbers, then eight bytes) as {xxxxxxxx-...}.
std::string GuidText(std::string_view bytes) {
  std::string text(1, '{');
  text += Hex(LittleEndian(bytes.substr(0, 4)), 8);
  text += '-';
  text += Hex(LittleEndian(bytes.substr(4, 2)), 4);
  text += '-';
  text += Hex(LittleEndian(bytes.substr(6, 2)), 4);
  for (std::size_t i = 8; i < 16; ++i) {
    if (i == 8 || i == 10) text += '-';
    text += Hex(static_cast<unsigned char>(bytes[i]), 2);
  }
  return text + '}';
}

// oemN.inf, in any case: a package a vendor added, not one Windows brought.
bool IsOemName(std::string_view name) {
  const std::string upper = UpperAscii(name);
  if (upper.size() < 8 || !upper.starts_with("OEM") || !upper.ends_with(".INF")) return false;
  for (std::size_t i = 3; i + 4 < upper.size(); ++i) {
    if (upper[i] < '0' || upper[i] > '9') return false;
  }
  return true;
}

class PackageScan {
 public:
  PackageScan(RegistryApi& api, const ViewScope& scope, std::vector<ViewRow>& rows,
              const RecordWarningFn& warn)
      : reader_(api, warn), scope_(scope), rows_(rows) {}

  void Run() {
    OpenKey packages(reader_.Api());
    OpenListedKey(packages, kPackagesPath,
                  std::string("no ") + kPackagesPath + " key (Windows keeps one since Windows 8)");
    if (!scope_.setKey.empty()) computerName_ = ComputerName(reader_, scope_.setKey);
    if (const long code = infFiles_.Open(kHKeyLocalMachine, SystemPath(kInfFilesPath));
        code != kErrorSuccess && code != kErrorFileNotFound) {
      reader_.Warn(kInfFilesPath, u"", code);
    }
    for (const std::u16string& name : reader_.Subkeys(packages.Key(), kPackagesPath)) {
      Package(packages.Key(), name);
    }
  }

 private:
  void Package(RegKey packages, const std::u16string& name) {
    OpenKey key(reader_.Api());
    const std::string path = std::string(kPackagesPath) + "\\" + Utf16ToUtf8(name);
    if (const long code = key.Open(packages, name); code != kErrorSuccess) {
      reader_.Warn(path, u"", code);
      return;
    }
    ViewRow& row = rows_.emplace_back(kFieldCount);
    row[kHive] = scope_.hive;
    row[kComputerName] = computerName_;
    row[kPackage] = Utf16ToUtf8(name);
    row[kKeyPath] = path;
    row[kLastWritten] = reader_.LastWritten(key.Key(), path);
    row[kPublishedName] = reader_.Text(key.Key(), path, u"");
    for (const auto& [value, field] : kTexts) row[field] = reader_.Text(key.Key(), path, value);
    if (row[kOriginalName].empty()) row[kOriginalName] = PackageInfName(row[kPackage]);
    Version(key.Key(), path, row);
    std::uint32_t type = kRegNone;
    if (reader_.Raw(key.Key(), path, u"SignerScore", type, data_)) {
      if (type == kRegDword && data_.size() == 4) {
        row[kSignerScore] = Hex(LittleEndian(data_), 8);
      } else {
        reader_.Warn(path, u"SignerScore", kErrorInvalidData);
      }
    }
    if (reader_.Raw(key.Key(), path, u"ImportDate", type, data_)) {
      if (data_.size() == 8 && (type == kRegBinary || type == kRegQword)) {
        row[kImportDate] = IsoTime(LittleEndian(data_));
      } else {
        reader_.Warn(path, u"ImportDate", kErrorInvalidData);
      }
    }
    if (!row[kPublishedName].empty()) {
      row[kInbox] = IsOemName(row[kPublishedName]) ? "no" : "yes";
      row[kActive] =
          UpperAscii(Active(row[kPublishedName])) == UpperAscii(row[kPackage]) ? "yes" : "no";
    }
  }

  void Version(RegKey key, const std::string& path, ViewRow& row) {
    std::uint32_t type = kRegNone;
    if (!reader_.Raw(key, path, u"Version", type, data_)) return;
    if (type != kRegBinary || data_.size() < kVersionBytes) {
      reader_.Warn(path, u"Version", kErrorInvalidData);
      return;
    }
    const std::string_view bytes(data_);
    row[kClassGuid] = GuidText(bytes.substr(8, 16));
    row[kClassName] = ClassName(row[kClassGuid]);
    row[kDriverDateIso] = IsoTime(LittleEndian(bytes.substr(24, 8))).substr(0, 10);
    const std::uint64_t version = LittleEndian(bytes.substr(32, 8));
    row[kVersion] = std::to_string(version >> 48) + "." + std::to_string(version >> 32 & 0xFFFF) +
                    "." + std::to_string(version >> 16 & 0xFFFF) + "." +
                    std::to_string(version & 0xFFFF);
  }

  // The Class value of the control set's class key of that GUID, once a GUID.
  const std::string& ClassName(const std::string& guid) {
    const auto [known, added] = classNames_.try_emplace(guid);
    if (!added || scope_.setKey.empty()) return known->second;
    OpenKey key(reader_.Api());
    const std::string path = scope_.setKey + "\\Control\\Class\\" + guid;
    const long code = key.Open(kHKeyLocalMachine, SystemPath(path));
    if (code == kErrorSuccess) {
      known->second = reader_.Text(key.Key(), path, u"Class");
    } else if (code != kErrorFileNotFound) {
      reader_.Warn(path, u"", code);
    }
    return known->second;
  }

  // The package DriverInfFiles\<published name> names as the one Windows installs from.
  std::string Active(const std::string& published) {
    if (!infFiles_.Key()) return std::string();
    OpenKey key(reader_.Api());
    if (!reader_.Open(key, infFiles_.Key(), kInfFilesPath, Utf8ToUtf16(published))) {
      return std::string();
    }
    return reader_.Text(key.Key(), std::string(kInfFilesPath) + "\\" + published, u"Active");
  }

  RowReader reader_;
  const ViewScope& scope_;
  std::vector<ViewRow>& rows_;
  std::string computerName_;
  OpenKey infFiles_{reader_.Api()};
  std::unordered_map<std::string, std::string> classNames_;
  std::string data_;
};

void ReadPackages(RegistryApi& registry, const ViewScope& scope, std::vector<ViewRow>& rows,
                  const RecordWarningFn& warn) {
  PackageScan(registry, scope, rows, warn).Run();
}

constexpr std::array<ViewTime, 2> kTimes{
    {{"last_written", "Driver package key last written", "key last written"},
     {"import_date", "Driver package imported into the driver store",
      "imported into the driver store"}}};
constexpr std::array<ViewKey, 1> kKeys{{{"Package", "package"}}};
constexpr std::array<ViewDetail, 3> kDetails{
    {{"class", "class_name"}, {"version", "version"}, {"published as", "published_name"}}};

constexpr ViewSchema kView{"packages",
                           "each driver package of the driver store, under "
                           "DriverDatabase\\DriverPackages of a SYSTEM or DRIVERS hive",
                           kFields,
                           kColumns,
                           ReadPackages,
                           true,
                           kTimes,
                           kKeys,
                           {"Provider", "provider"},
                           kDetails};

}  // namespace

const ViewSchema& PackagesView() { return kView; }

std::string PackageInfName(std::string_view package) {
  const std::size_t hash = package.rfind('_');
  if (hash == package.npos || hash == 0) return std::string(package);
  const std::size_t architecture = package.rfind('_', hash - 1);
  if (architecture == package.npos || architecture == 0) return std::string(package);
  return std::string(package.substr(0, architecture));
}
