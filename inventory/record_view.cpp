#include "inventory/record_view.h"

#include <array>

namespace {

// The records: every instance of every device setup class holding a driver value.
constexpr std::array<std::string_view, 18> kRecordFields{"hive",
                                                         "computer_name",
                                                         "control_set",
                                                         "class_guid",
                                                         "class_name",
                                                         "instance",
                                                         "key_path",
                                                         "last_written",
                                                         "driver",
                                                         "provider",
                                                         "version",
                                                         "driver_date",
                                                         "inf_path",
                                                         "inf_section",
                                                         "inf_section_ext",
                                                         "matching_device_id",
                                                         "enum_prop_pages32",
                                                         "driver_date_iso"};

constexpr std::array<ViewColumn, 9> kRecordColumns{{{"Control set", "control_set"},
                                                    {"Class", "class_name"},
                                                    {"Instance", "instance"},
                                                    {"Last written", "last_written"},
                                                    {"Driver", "driver"},
                                                    {"Provider", "provider"},
                                                    {"Version", "version"},
                                                    {"Driver date", "driver_date"},
                                                    {"INF", "inf_path"}}};

void ReadRecords(RegistryApi& registry, const ViewScope& scope, std::vector<ViewRow>& rows,
                 const RecordWarningFn& warn) {
  // Each class's records become rows as soon as they are read, and go to the listing where it
  // takes them then.
  const auto take = [&](std::vector<DriverRecord>& records) {
    for (DriverRecord& r : records) {
      ViewRow& row = rows.emplace_back();
      row.reserve(kRecordFields.size());
      row.push_back(scope.hive);
      for (std::string* field : {&r.computerName, &r.controlSet, &r.classGuid, &r.className,
                                 &r.instance, &r.keyPath, &r.lastWritten}) {
        row.push_back(std::move(*field));
      }
      for (std::string& value : r.values) row.push_back(std::move(value));
      row.push_back(std::move(r.driverDateIso));
    }
    records.clear();
    if (scope.ready) scope.ready(rows);
  };
  std::vector<DriverRecord> records;
  ScanDriverRecords(registry, scope.setKey, scope.controlSet, records, warn, take);
}

constexpr std::array<ViewTime, 2> kTimes{
    {{"last_written", "Driver record last written", "last written"},
     {"driver_date_iso", "Driver date (declared by its INF)", "driver dated"}}};
constexpr std::array<ViewKey, 2> kKeys{{{"Class GUID", "class_guid"}, {"Instance", "instance"}}};
constexpr std::array<ViewDetail, 3> kDetails{
    {{"class", "class_name"}, {"provider", "provider"}, {"version", "version"}}};

constexpr ViewSchema kView{
    "records",
    "each instance of each device setup class under ControlSetNNN\\Control\\Class holding a "
    "driver value",
    kRecordFields,
    kRecordColumns,
    ReadRecords,
    false,
    kTimes,
    kKeys,
    {"Driver", "driver"},
    kDetails};

}  // namespace

const ViewSchema& RecordsView() { return kView; }
