#include "inventory/timeline.h"

#include <algorithm>
#include <array>
#include <optional>

#include "inventory/driver_record.h"

namespace {

enum Field : std::size_t {
  kDatetime,
  kTimestampDesc,
  kMessage,
  kView,
  kHive,
  kKeyPath,
  kComputerName,
  kControlSet,
  kItem,
  kFieldCount
};

constexpr std::array<std::string_view, kFieldCount> kFields{
    "datetime", "timestamp_desc", "message",     "view", "hive",
    "key_path", "computer_name",  "control_set", "item"};

constexpr std::array<ViewColumn, 4> kColumns{
    {{"Time", "datetime"}, {"What", "timestamp_desc"}, {"View", "view"}, {"Message", "message"}}};

constexpr std::array<ViewTime, 1> kTimes{{{"datetime", "", ""}}};

// "item (description), label detail, ...: " of a row, for each of its times' words to end.
std::string MessageStart(const ViewSchema& view, const ViewRow& row, const std::string& item) {
  std::string message = item;
  if (const std::string_view description = ColumnText(view, row, view.description);
      !description.empty()) {
    message.append(" (").append(description).append(")");
  }
  for (const ViewDetail& detail : view.details) {
    if (const std::string_view text = FieldOf(view, row, detail.field); !text.empty()) {
      message.append(", ").append(detail.label).append(" ").append(text);
    }
  }
  return message + ": ";
}

void AppendTimes(const ViewSchema& view, std::vector<ViewRow>& read, std::vector<ViewRow>& rows) {
  std::array<std::size_t, 4> where{};
  const std::array<std::string_view, 4> whereFields{"hive", "key_path", "computer_name",
                                                    "control_set"};
  for (std::size_t i = 0; i < where.size(); ++i) where[i] = FieldIndex(view, whereFields[i]);
  for (ViewRow& source : read) {
    std::optional<std::string> start;
    std::string item;
    for (const ViewTime& time : view.times) {
      std::string datetime = IsoSecond(FieldOf(view, source, time.field));
      if (datetime.empty()) continue;
      if (!start) {
        item = RowItem(view, source);
        start = MessageStart(view, source, item);
      }
      ViewRow& row = rows.emplace_back(kFieldCount);
      row[kDatetime] = std::move(datetime);
      row[kTimestampDesc] = time.desc;
      row[kMessage] = *start + std::string(time.event);
      row[kView] = view.name;
      for (std::size_t i = 0; i < where.size(); ++i) {
        if (where[i] < source.size()) row[kHive + i] = source[where[i]];
      }
      row[kItem] = item;
    }
  }
}

// Every view with times, in turn; one whose key the registry lacks adds nothing, and only a
// registry that has none of them is an error (the first view's).
void ReadTimeline(RegistryApi& registry, const ViewScope& scope, std::vector<ViewRow>& rows,
                  const RecordWarningFn& warn) {
  std::optional<ERecordsError> absent;
  bool found = false;
  std::vector<ViewRow> read;
  for (const ViewSchema& view : Views()) {
    if (view.read == ReadTimeline || view.times.empty()) continue;
    read.clear();
    try {
      view.read(registry, scope, read, warn);
      found = true;
    } catch (const ERecordsError& e) {
      if (e.Code() != 0) throw;
      if (!absent) absent = e;
    }
    AppendTimes(view, read, rows);
  }
  if (!found && absent) throw *absent;
}

// The rank of a view in the order of Views().
std::size_t ViewRank(std::string_view name) {
  const auto views = Views();
  std::size_t i = 0;
  while (i < views.size() && views[i].name != name) ++i;
  return i;
}

// Oldest first; at one time, in the order of the views, then as read.
void OrderTimeline(std::vector<ViewRow>& rows) {
  std::stable_sort(rows.begin(), rows.end(), [](const ViewRow& a, const ViewRow& b) {
    if (a[kDatetime] != b[kDatetime]) return a[kDatetime] < b[kDatetime];
    return a[kView] != b[kView] && ViewRank(a[kView]) < ViewRank(b[kView]);
  });
}

constexpr ViewSchema kTimeline{"timeline",
                               "one row for each time the other views hold, from every hive "
                               "listed, oldest first (at one time in the order of the views)",
                               kFields,
                               kColumns,
                               ReadTimeline,
                               kTimes,
                               {},
                               {},
                               {},
                               OrderTimeline};

}  // namespace

const ViewSchema& TimelineView() { return kTimeline; }
