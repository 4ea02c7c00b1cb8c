// The inventory's records: every driver instance of every device setup class of one control
// set, with where it lives and when it was last written, read through the registry seam's W
// calls and kept as UTF-8, so that nothing of the registry's text is lost. A value or key that
// cannot be read leaves its field empty and is reported; the walk goes on. The window's rows
// (driver_row.h) are another view of the same registry and never mixed with these.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "common/exception.h"
#include "inventory/registry_api.h"

// The values a driver record holds, in the order of the window's columns.
inline constexpr std::array<std::u16string_view, 9> kDriverValueNames{
    u"DriverDesc", u"ProviderName",  u"DriverVersion",    u"DriverDate",     u"InfPath",
    u"InfSection", u"InfSectionExt", u"MatchingDeviceId", u"EnumPropPages32"};

struct DriverRecord {
  std::string computerName;  // empty where the control set names none
  std::string controlSet;    // e.g. "ControlSet001"
  std::string classGuid;     // the class key's name
  std::string className;     // its "Class" value
  std::string instance;      // e.g. "0003"
  std::string keyPath;       // from the hive's root, HKEY_LOCAL_MACHINE\SYSTEM
  std::string lastWritten;   // UTC, ISO 8601 to the second; empty where it cannot be read
  std::array<std::string, kDriverValueNames.size()> values;  // as kDriverValueNames
  std::string driverDateIso;  // YYYY-MM-DD, empty where no date reads
};

// What could not be read: the key (its path from the hive's root), the value (empty for the
// key itself) and the registry's error code.
// A warning with a note stands for every one like it: the note is said once for a run.
struct RecordWarning {
  std::string keyPath;
  std::string valueName;
  long code;
  std::string_view note = {};
};
using RecordWarningFn = std::function<void(const RecordWarning&)>;

// A key the records cannot do without (a control set's Class key, the root's list of control
// sets) cannot be read: what is missing, and the registry's code (0 where the key is absent).
class ERecordsError : public Exception {
 public:
  ERecordsError(std::string message, long code);
  long Code() const { return code_; }

 private:
  long code_;
};

// "ControlSet" and the number in three digits.
std::string ControlSetName(unsigned number);
// The control set HKEY_LOCAL_MACHINE\SYSTEM\Select's "Current" names, from 1 to 999. Raises
// Exception when Select is missing or holds no such number.
unsigned CurrentControlSet(RegistryApi& registry);
// Every ControlSetNNN key under SYSTEM, in stored order. Raises Exception when SYSTEM cannot
// be enumerated.
std::vector<std::string> ControlSets(RegistryApi& registry);

// Appends the records of one control set, read from the key of that name under SYSTEM
// (ControlSetName's, or CurrentControlSet): classes as enumerated, then their instances. The
// records name the control set as controlSet says. Raises ERecordsError when the set's Class
// key cannot be opened.
// classDone, where given, is called after each class with the records so far, which it may
// take.
void ScanDriverRecords(RegistryApi& registry, const std::string& setKey,
                       const std::string& controlSet, std::vector<DriverRecord>& records,
                       const RecordWarningFn& warn,
                       const std::function<void(std::vector<DriverRecord>&)>& classDone = {});

// A value's data as a record shows it: REG_SZ and REG_EXPAND_SZ (unexpanded) cut at the first
// NUL, REG_MULTI_SZ's strings joined by ';', REG_DWORD and REG_QWORD in decimal, anything else
// in lowercase hex. Texts are UTF-16LE bytes and come out as UTF-8.
std::string RecordValueText(std::uint32_t type, std::string_view data);
// A FILETIME as "YYYY-MM-DDTHH:MM:SSZ".
std::string IsoTime(std::uint64_t fileTime);
// The driver's date as YYYY-MM-DD: from DriverDateData (8 bytes, a FILETIME) where given,
// else from DriverDate's M-D-YYYY; empty where neither is a date.
std::string DriverDateIso(std::string_view driverDateData, std::string_view driverDate);
