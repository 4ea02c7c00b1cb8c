#include "inventory/driver_record.h"

#include <algorithm>
#include <cstdio>

#include "common/exception.h"
#include "common/utf.h"
#include "inventory/registry_read.h"

namespace {

constexpr std::u16string_view kClassValue = u"Class";
constexpr std::u16string_view kDriverDateData = u"DriverDateData";
constexpr std::size_t kDriverDateColumn = 3;
// Days since 1970-01-01 as year, month and day of the proleptic Gregorian calendar.
void CivilDate(long long days, long long& year, unsigned& month, unsigned& day) {
  days += 719468;
  const long long era = (days >= 0 ? days : days - 146096) / 146097;
  const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
  const unsigned yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const unsigned shifted = (5 * dayOfYear + 2) / 153;
  day = dayOfYear - (153 * shifted + 2) / 5 + 1;
  month = shifted < 10 ? shifted + 3 : shifted - 9;
  year = static_cast<long long>(yearOfEra) + era * 400 + (month <= 2);
}

// FILETIME's epoch, 1601-01-01, is this many days before 1970-01-01.
constexpr long long kFileTimeEpochDays = 134774;
constexpr std::uint64_t kFileTimeTicksPerSecond = 10000000;

// Appends n in decimal, with zeros in front to at least width digits.
void AppendDigits(std::string& out, unsigned long long n, std::size_t width) {
  char digits[24];
  std::size_t count = 0;
  do {
    digits[count++] = static_cast<char>('0' + n % 10);
    n /= 10;
  } while (n != 0);
  while (count < width) digits[count++] = '0';
  while (count != 0) out += digits[--count];
}

// A year from 0 on (those of a FILETIME and of an INF's date are).
std::string IsoDate(unsigned long long year, unsigned month, unsigned day) {
  std::string text;
  text.reserve(20);
  AppendDigits(text, year, 4);
  text += '-';
  AppendDigits(text, month, 2);
  text += '-';
  AppendDigits(text, day, 2);
  return text;
}

// Reads one to maxDigits decimal digits from the front of text.
bool TakeNumber(std::string_view& text, std::size_t minDigits, std::size_t maxDigits,
                unsigned& number) {
  std::size_t digits = 0;
  number = 0;
  while (digits < text.size() && digits < maxDigits && text[digits] >= '0' && text[digits] <= '9') {
    number = number * 10 + static_cast<unsigned>(text[digits] - '0');
    ++digits;
  }
  text.remove_prefix(digits);
  return digits >= minDigits;
}

bool TakeDash(std::string_view& text) {
  if (text.empty() || text.front() != '-') return false;
  text.remove_prefix(1);
  return true;
}

unsigned DaysInMonth(unsigned month, unsigned year) {
  static constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

class RecordScan {
 public:
  RecordScan(RegistryApi& api, const RecordWarningFn& warn) : api_(api), warn_(warn) {}

  // The value's text; empty, and a warning, where it cannot be read. False for an absent value.
  bool Text(RegKey key, const std::string& keyPath, std::u16string_view name, std::string& text) {
    text.clear();
    std::uint32_t type = kRegNone;
    const long code = ReadValue(api_, key, name, type, data_);
    if (code == kErrorFileNotFound) return false;
    if (code != kErrorSuccess) {
      Warn(keyPath, name, code);
    } else {
      text = RecordValueText(type, data_);
    }
    return true;
  }

  // DriverDateData's bytes where it is a FILETIME, empty otherwise.
  std::string DateData(RegKey key, const std::string& keyPath) {
    std::uint32_t type = kRegNone;
    const long code = ReadValue(api_, key, kDriverDateData, type, data_);
    if (code != kErrorSuccess && code != kErrorFileNotFound) Warn(keyPath, kDriverDateData, code);
    return code == kErrorSuccess && data_.size() == 8 ? data_ : std::string();
  }

  void Warn(const std::string& keyPath, std::u16string_view name, long code) {
    if (warn_) warn_(RecordWarning{keyPath, Utf16ToUtf8(name), code});
  }

  void Instance(RegKey classKey, const std::string& classPath, const std::u16string& name,
                DriverRecord& record, std::vector<DriverRecord>& records) {
    record.instance = Utf16ToUtf8(name);
    record.keyPath = classPath + "\\" + record.instance;
    OpenKey instance(api_);
    if (const long code = instance.Open(classKey, name); code != kErrorSuccess) {
      Warn(record.keyPath, u"", code);
      return;
    }
    bool driver = false;
    for (std::size_t i = 0; i < kDriverValueNames.size(); ++i) {
      driver |= Text(instance.Key(), record.keyPath, kDriverValueNames[i], record.values[i]);
    }
    if (!driver) return;
    record.driverDateIso =
        DriverDateIso(DateData(instance.Key(), record.keyPath), record.values[kDriverDateColumn]);
    std::uint64_t written = 0;
    const long code =
        api_.QueryInfoKeyW(instance.Key(), nullptr, nullptr, nullptr, nullptr, nullptr, &written);
    if (code == kErrorSuccess) {
      record.lastWritten = IsoTime(written);
    } else {
      record.lastWritten.clear();
      Warn(record.keyPath, u"", code);
    }
    // Moved, not copied: the next instance sets its own fields afresh; those the control set
    // and the class set are given back.
    const DriverRecord& added = records.emplace_back(std::move(record));
    record.computerName = added.computerName;
    record.controlSet = added.controlSet;
    record.classGuid = added.classGuid;
    record.className = added.className;
  }

  void Class(RegKey classes, const std::string& classesPath, const std::u16string& name,
             DriverRecord& record, std::vector<DriverRecord>& records) {
    record.classGuid = Utf16ToUtf8(name);
    const std::string classPath = classesPath + "\\" + record.classGuid;
    OpenKey classKey(api_);
    if (const long code = classKey.Open(classes, name); code != kErrorSuccess) {
      Warn(classPath, u"", code);
      return;
    }
    Text(classKey.Key(), classPath, kClassValue, record.className);
    std::vector<std::u16string> instances;
    const auto warn = [&](long code) { Warn(classPath, u"", code); };
    if (const long code = Subkeys(api_, classKey.Key(), instances, warn); code != kErrorSuccess) {
      warn(code);
    }
    for (const std::u16string& instance : instances) {
      Instance(classKey.Key(), classPath, instance, record, records);
    }
  }

  RegistryApi& api_;
  const RecordWarningFn& warn_;
  std::string data_;  // one buffer for every value read
};

}  // namespace

ERecordsError::ERecordsError(std::string message, long code)
    : Exception(std::move(message)), code_(code) {}

std::string ControlSetName(unsigned number) {
  char name[32];
  std::snprintf(name, sizeof name, "ControlSet%03u", number);
  return name;
}

unsigned CurrentControlSet(RegistryApi& registry) {
  OpenKey select(registry);
  if (select.Open(kHKeyLocalMachine, u"SYSTEM\\Select") != kErrorSuccess) {
    throw Exception("no current control set: HKEY_LOCAL_MACHINE\\SYSTEM\\Select is missing");
  }
  std::uint32_t type = kRegNone;
  std::array<std::uint8_t, 4> data{};
  std::uint32_t size = data.size();
  const long result = registry.QueryValueExW(select.Key(), u"Current", &type, data.data(), &size);
  const std::uint32_t number =
      data[0] | data[1] << 8 | data[2] << 16 | std::uint32_t{data[3]} << 24;
  if (result != kErrorSuccess || type != kRegDword || size != 4 || number == 0 || number > 999) {
    throw Exception(
        "no current control set: HKEY_LOCAL_MACHINE\\SYSTEM\\Select holds no \"Current\" "
        "number from 1 to 999");
  }
  return number;
}

std::vector<std::string> ControlSets(RegistryApi& registry) {
  OpenKey system(registry);
  std::vector<std::u16string> names;
  long code = system.Open(kHKeyLocalMachine, u"SYSTEM");
  const auto fail = [](long code) {
    throw ERecordsError("the control sets cannot be listed", code);
  };
  if (code == kErrorSuccess) code = Subkeys(registry, system.Key(), names, fail);
  if (code != kErrorSuccess) fail(code);
  std::vector<std::string> sets;
  for (const std::u16string& name : names) {
    const std::string text = Utf16ToUtf8(name);
    const auto digit = [&](std::size_t i) { return text[i] >= '0' && text[i] <= '9'; };
    const std::string prefix = UpperAscii(std::string_view(text).substr(0, 10));
    if (text.size() == 13 && prefix == "CONTROLSET" && digit(10) && digit(11) && digit(12)) {
      sets.push_back(text);
    }
  }
  return sets;
}

void ScanDriverRecords(RegistryApi& registry, const std::string& setKey,
                       const std::string& controlSet, std::vector<DriverRecord>& records,
                       const RecordWarningFn& warn,
                       const std::function<void(std::vector<DriverRecord>&)>& classDone) {
  RecordScan scan(registry, warn);
  DriverRecord record;
  record.controlSet = controlSet;

  RowReader reader(registry, warn);
  record.computerName = ComputerName(reader, setKey);

  const std::string classesPath = setKey + "\\Control\\Class";
  OpenKey classes(registry);
  OpenListedKey(classes, classesPath, setKey + " has no Class key");
  std::vector<std::u16string> names;
  const auto warnKey = [&](long code) { scan.Warn(classesPath, u"", code); };
  if (const long code = Subkeys(registry, classes.Key(), names, warnKey); code != kErrorSuccess) {
    throw ERecordsError(classesPath + " cannot be listed", code);
  }
  for (const std::u16string& name : names) {
    record.className.clear();
    scan.Class(classes.Key(), classesPath, name, record, records);
    if (classDone) classDone(records);
  }
}

std::string RecordValueText(std::uint32_t type, std::string_view data) {
  switch (type) {
    case kRegSz:
    case kRegExpandSz:
      return Utf16LeToUtf8(UpToNul(data));
    case kRegMultiSz: {
      std::string_view text = data.substr(0, data.size() & ~std::size_t{1});
      while (text.size() >= 2 && text[text.size() - 1] == 0 && text[text.size() - 2] == 0) {
        text.remove_suffix(2);
      }
      std::string joined = Utf16LeToUtf8(text);
      std::replace(joined.begin(), joined.end(), '\0', ';');
      return joined;
    }
    case kRegDword:
    case kRegQword:
      if (data.size() == (type == kRegDword ? 4u : 8u)) return std::to_string(LittleEndian(data));
      break;
    default:
      break;
  }
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(data.size() * 2);
  for (const char c : data) {
    hex += kDigits[static_cast<unsigned char>(c) >> 4];
    hex += kDigits[static_cast<unsigned char>(c) & 0xF];
  }
  return hex;
}

std::string IsoTime(std::uint64_t fileTime) {
  const std::uint64_t seconds = fileTime / kFileTimeTicksPerSecond;
  long long year = 0;
  unsigned month = 0, day = 0;
  CivilDate(static_cast<long long>(seconds / 86400) - kFileTimeEpochDays, year, month, day);
  const auto inDay = static_cast<unsigned>(seconds % 86400);
  std::string time = IsoDate(static_cast<unsigned long long>(year), month, day);
  time += 'T';
  AppendDigits(time, inDay / 3600, 2);
  time += ':';
  AppendDigits(time, inDay / 60 % 60, 2);
  time += ':';
  AppendDigits(time, inDay % 60, 2);
  time += 'Z';
  return time;
}

std::string DriverDateIso(std::string_view driverDateData, std::string_view driverDate) {
  if (driverDateData.size() == 8) return IsoTime(LittleEndian(driverDateData)).substr(0, 10);
  unsigned month = 0, day = 0, year = 0;
  std::string_view text = driverDate;
  if (!TakeNumber(text, 1, 2, month) || !TakeDash(text) || !TakeNumber(text, 1, 2, day) ||
      !TakeDash(text) || !TakeNumber(text, 4, 4, year) || !text.empty()) {
    return std::string();
  }
  if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(month, year)) return std::string();
  return IsoDate(year, month, day);
}
