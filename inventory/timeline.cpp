#include "inventory/timeline.h"

#include <algorithm>
#include <array>
#include <cstdint>
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

// A time as one number, its digits in order (YYYYMMDDHHMMSS), for sorting.
std::uint64_t SortKey(std::string_view second) {
  std::uint64_t key = 0;
  for (const char c : second) {
    if (c >= '0' && c <= '9') key = key * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return key;
}

// One time of one row: where it sorts, and where it is.
struct Place {
  std::uint64_t second;
  std::size_t rank;  // of the view, in Views()
  std::size_t at;    // the row's place, in the order read
};

bool Before(const Place& a, const Place& b) {
  return a.second != b.second ? a.second < b.second : a.rank < b.rank;
}

// The rows of every view with times of one registry. The timeline's rows are made in their
// order (their strings then lie in memory as they are written), each view's row's strings
// moving to the last of its times.
class TimelineScan {
 public:
  void Add(const ViewSchema& view, std::size_t rank, std::vector<ViewRow> rows) {
    Source& source = sources_.emplace_back(Source{&view, std::move(rows), {}});
    for (std::size_t i = 0; i < kWhere.size(); ++i) {
      source.where[i] = FieldIndex(view, kFields[kWhere[i]]);
    }
    std::vector<std::size_t> fields;
    for (const ViewTime& time : view.times) fields.push_back(FieldIndex(view, time.field));
    for (std::size_t r = 0; r < source.rows.size(); ++r) {
      const ViewRow& row = source.rows[r];
      for (std::size_t t = 0; t < fields.size(); ++t) {
        std::string second = fields[t] < row.size() ? IsoSecond(row[fields[t]]) : std::string();
        if (second.empty()) continue;
        places_.push_back({SortKey(second), rank, times_.size()});
        times_.push_back({sources_.size() - 1, r, t, std::move(second)});
      }
    }
  }

  void Append(std::vector<ViewRow>& rows) {
    std::stable_sort(places_.begin(), places_.end(), Before);
    // How many times of each row are still to be made, by its first time.
    std::vector<std::size_t> left(times_.size(), 0);
    std::vector<std::size_t> first(times_.size());
    for (std::size_t i = 0; i < times_.size(); ++i) {
      first[i] = i && SameRow(times_[i - 1], times_[i]) ? first[i - 1] : i;
      ++left[first[i]];
    }
    // The item and the message's start of each row, made at its first time in order.
    std::vector<std::string> items(times_.size()), starts(times_.size());
    rows.reserve(rows.size() + places_.size());
    for (const Place& place : places_) {
      Time& time = times_[place.at];
      Source& source = sources_[time.source];
      const ViewSchema& view = *source.view;
      ViewRow& from = source.rows[time.row];
      const std::size_t head = first[place.at];
      if (starts[head].empty()) {
        items[head] = RowItem(view, from);
        starts[head] = MessageStart(view, from, items[head]);
      }
      const bool spent = --left[head] == 0;
      ViewRow& row = rows.emplace_back(kFieldCount);
      const ViewTime& what = view.times[time.time];
      row[kDatetime] = std::move(time.second);
      row[kTimestampDesc] = what.desc;
      row[kMessage].reserve(starts[head].size() + what.event.size());
      row[kMessage].append(starts[head]).append(what.event);
      row[kView] = view.name;
      for (std::size_t i = 0; i < kWhere.size(); ++i) {
        if (source.where[i] >= from.size()) continue;
        std::string& field = from[source.where[i]];
        row[kWhere[i]] = spent ? std::move(field) : field;
      }
      row[kItem] = spent ? std::move(items[head]) : items[head];
      if (spent) std::string().swap(starts[head]);
    }
  }

 private:
  static constexpr std::array<Field, 4> kWhere{kHive, kKeyPath, kComputerName, kControlSet};
  struct Source {
    const ViewSchema* view;
    std::vector<ViewRow> rows;
    std::array<std::size_t, kWhere.size()> where;
  };
  struct Time {
    std::size_t source;
    std::size_t row;
    std::size_t time;
    std::string second;
  };
  static bool SameRow(const Time& a, const Time& b) {
    return a.source == b.source && a.row == b.row;
  }

  std::vector<Source> sources_;
  std::vector<Time> times_;
  std::vector<Place> places_;
};

// Every view with times, in turn; one whose key the registry lacks adds nothing, and only a
// registry that has none of them is an error (the first view's).
void ReadTimeline(RegistryApi& registry, const ViewScope& scope, std::vector<ViewRow>& rows,
                  const RecordWarningFn& warn) {
  std::optional<ERecordsError> absent;
  bool found = false;
  TimelineScan scan;
  const auto views = Views();
  for (std::size_t rank = 0; rank < views.size(); ++rank) {
    const ViewSchema& view = views[rank];
    if (view.read == ReadTimeline || view.times.empty()) continue;
    std::vector<ViewRow> read;
    try {
      view.read(registry, scope, read, warn);
      found = true;
    } catch (const ERecordsError& e) {
      if (e.Code() != 0) throw;
      if (!absent) absent = e;
    }
    scan.Add(view, rank, std::move(read));
  }
  if (!found && absent) throw *absent;
  scan.Append(rows);
}

// Oldest first; at one time, in the order of the views, then as read: the rows of each
// registry are in that order already, and keep their places among equals.
void OrderTimeline(std::vector<ViewRow>& rows) {
  const auto views = Views();
  std::vector<Place> places;
  places.reserve(rows.size());
  for (const ViewRow& row : rows) {
    std::size_t rank = 0;
    while (rank < views.size() && views[rank].name != row[kView]) ++rank;
    places.push_back({SortKey(row[kDatetime]), rank, places.size()});
  }
  if (std::is_sorted(places.begin(), places.end(), Before)) return;
  std::stable_sort(places.begin(), places.end(), Before);
  std::vector<ViewRow> ordered;
  ordered.reserve(rows.size());
  for (const Place& place : places) ordered.push_back(std::move(rows[place.at]));
  rows.swap(ordered);
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
