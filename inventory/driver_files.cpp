#include "inventory/driver_files.h"

#include <array>

#include "common/utf.h"
#include "inventory/registry_read.h"

namespace {

enum Field : std::size_t {
  kHive,
  kKeyPath,
  kLastWritten,
  kPath,
  kName,
  kSha1,
  kCompany,
  kProduct,
  kProductVersion,
  kVersion,
  kSigned,
  kInbox,
  kKernelMode,
  kLinkDate,
  kLastModified,
  kImageSize,
  kService,
  kInf,
  kPackage,
  kWdfVersion,
  kKnownVulnerable,
  kFieldCount
};

constexpr std::array<std::string_view, kFieldCount> kFields{
    "hive",        "key_path",    "last_written",    "path",       "name",    "sha1",
    "company",     "product",     "product_version", "version",    "signed",  "inbox",
    "kernel_mode", "link_date",   "last_modified",   "image_size", "service", "inf",
    "package",     "wdf_version", "known_vulnerable"};

constexpr std::array<ViewColumn, 7> kColumns{{{"Name", "name"},
                                              {"SHA-1", "sha1"},
                                              {"Company", "company"},
                                              {"Version", "version"},
                                              {"Signed", "signed"},
                                              {"Link date", "link_date"},
                                              {"Known vulnerable", "known_vulnerable"}}};

constexpr std::array<std::pair<std::u16string_view, Field>, 11> kTexts{{
    {u"DriverName", kName},
    {u"DriverCompany", kCompany},
    {u"Product", kProduct},
    {u"ProductVersion", kProductVersion},
    {u"DriverVersion", kVersion},
    {u"DriverInBox", kInbox},
    {u"DriverIsKernelMode", kKernelMode},
    {u"Service", kService},
    {u"Inf", kInf},
    {u"DriverPackageStrongName", kPackage},
    {u"WdfVersion", kWdfVersion},
}};

constexpr char kFilesPath[] = "Root\\InventoryDriverBinary";
// Seconds from FILETIME's epoch (1601) to 1970.
constexpr std::uint64_t kUnixEpochSeconds = 11644473600;

bool IsHex(std::string_view text) {
  for (const char c : text) {
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'))) {
      return false;
    }
  }
  return true;
}

// A decimal number of text, where all of it is one.
bool Decimal(std::string_view text, std::uint64_t& number) {
  number = 0;
  if (text.empty() || text.size() > 19) return false;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    number = number * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return true;
}

class FileScan {
 public:
  FileScan(RegistryApi& api, const ViewScope& scope, std::vector<ViewRow>& rows,
           const RecordWarningFn& warn)
      : reader_(api, warn), scope_(scope), rows_(rows) {}

  void Run() {
    OpenKey files(reader_.Api());
    OpenListedKey(files, kFilesPath, std::string("no ") + kFilesPath + " key");
    for (const std::u16string& name : reader_.Subkeys(files.Key(), kFilesPath)) {
      File(files.Key(), name);
    }
  }

 private:
  void File(RegKey files, const std::u16string& name) {
    OpenKey key(reader_.Api());
    const std::string keyName = Utf16ToUtf8(name);
    const std::string path = std::string(kFilesPath) + "\\" + keyName;
    if (const long code = key.Open(files, name); code != kErrorSuccess) {
      reader_.Warn(path, u"", code);
      return;
    }
    ViewRow& row = rows_.emplace_back(kFieldCount);
    row[kHive] = scope_.hive;
    row[kKeyPath] = path;
    row[kLastWritten] = reader_.LastWritten(key.Key(), path);
    const bool named = keyName.starts_with("0000") && IsHex(keyName);
    if (!named) row[kPath] = keyName;
    for (const auto& [value, field] : kTexts) row[field] = reader_.Text(key.Key(), path, value);
    row[kSha1] = FileIdSha1(reader_.Text(key.Key(), path, u"DriverId"));
    if (row[kSha1].empty() && named) row[kSha1] = FileIdSha1(keyName);
    row[kSigned] = Signed(key.Key(), path);
    std::uint64_t seconds = 0;
    if (Number(key.Key(), path, u"DriverTimeStamp", seconds)) {
      row[kLinkDate] = IsoTime((seconds + kUnixEpochSeconds) * 10000000);
    }
    row[kLastModified] = AmcacheTime(reader_.Text(key.Key(), path, u"DriverLastWriteTime"));
    if (std::uint64_t size = 0; Number(key.Key(), path, u"ImageSize", size)) {
      row[kImageSize] = std::to_string(size);
    }
  }

  // DriverSigned as yes or no: a number or the words true and false.
  std::string Signed(RegKey key, const std::string& path) {
    std::uint32_t type = kRegNone;
    if (!reader_.Raw(key, path, u"DriverSigned", type, data_)) return std::string();
    const std::string text = UpperAscii(RecordValueText(type, data_));
    if (text == "1" || text == "TRUE") return "yes";
    if (text == "0" || text == "FALSE") return "no";
    reader_.Warn(path, u"DriverSigned", kErrorInvalidData);
    return std::string();
  }

  // A REG_DWORD or REG_QWORD, or text of a decimal or a 0x hex number; false (with a warning
  // where it is there but none of those) otherwise.
  bool Number(RegKey key, const std::string& path, std::u16string_view name,
              std::uint64_t& number) {
    std::uint32_t type = kRegNone;
    if (!reader_.Raw(key, path, name, type, data_)) return false;
    if ((type == kRegDword && data_.size() == 4) || (type == kRegQword && data_.size() == 8)) {
      number = LittleEndian(data_);
      return true;
    }
    if (type == kRegSz) {
      const std::string text = RecordValueText(type, data_);
      if (Decimal(text, number)) return true;
      const std::string_view digits = std::string_view(text).substr(2);
      if ((text.starts_with("0x") || text.starts_with("0X")) && !digits.empty() &&
          digits.size() <= 16 && IsHex(digits)) {
        number = std::stoull(std::string(digits), nullptr, 16);
        return true;
      }
    }
    reader_.Warn(path, name, kErrorInvalidData);
    return false;
  }

  RowReader reader_;
  const ViewScope& scope_;
  std::vector<ViewRow>& rows_;
  std::string data_;
};

void ReadFiles(RegistryApi& registry, const ViewScope& scope, std::vector<ViewRow>& rows,
               const RecordWarningFn& warn) {
  FileScan(registry, scope, rows, warn).Run();
}

constexpr std::array<ViewTime, 3> kTimes{
    {{"last_written", "Driver file entry last written", "entry last written"},
     {"link_date", "Driver file linked (PE header)", "linked"},
     {"last_modified", "Driver file last modified", "last modified"}}};
constexpr std::array<ViewKey, 1> kKeys{{{"SHA-1", "sha1", "path"}}};
constexpr std::array<ViewDetail, 3> kDetails{
    {{"company", "company"}, {"version", "version"}, {"service", "service"}}};

constexpr ViewSchema kView{"files",
                           "each driver file Windows saw, under Root\\InventoryDriverBinary of an "
                           "Amcache hive, with the SHA-1 Windows recorded for it",
                           kFields,
                           kColumns,
                           ReadFiles,
                           true,
                           kTimes,
                           kKeys,
                           {"Name", "name"},
                           kDetails};

}  // namespace

const ViewSchema& FilesView() { return kView; }

std::string FileIdSha1(std::string_view id) {
  if (id.size() == 44 && id.starts_with("0000")) id.remove_prefix(4);
  if (id.size() != 40 || !IsHex(id)) return std::string();
  std::string sha1(id);
  for (char& c : sha1) {
    if (c >= 'A' && c <= 'F') c = static_cast<char>(c - 'A' + 'a');
  }
  return sha1;
}

std::string AmcacheTime(std::string_view text) {
  // MM/DD/YYYY HH:MM:SS
  static constexpr std::string_view kShape = "00/00/0000 00:00:00";
  bool shaped = text.size() == kShape.size();
  for (std::size_t i = 0; shaped && i < text.size(); ++i) {
    shaped = kShape[i] == '0' ? text[i] >= '0' && text[i] <= '9' : text[i] == kShape[i];
  }
  const auto number = [&](std::size_t at, std::size_t digits) {
    return std::stoi(std::string(text.substr(at, digits)));
  };
  if (!shaped || number(0, 2) < 1 || number(0, 2) > 12 || number(3, 2) < 1 || number(3, 2) > 31 ||
      number(11, 2) > 23 || number(14, 2) > 59 || number(17, 2) > 59) {
    return std::string(text);
  }
  return std::string(text.substr(6, 4)) + "-" + std::string(text.substr(0, 2)) + "-" +
         std::string(text.substr(3, 2)) + "T" + std::string(text.substr(11, 8)) + "Z";
}
