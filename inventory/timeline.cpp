#include "inventory/timeline.h"

#include <algorithm>
#include <array>
#include <cstdint>

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

using Place = TimelineScan::Place;

// Oldest first; at one time, in the order of the views, then as read.
bool Before(const Place& a, const Place& b) {
  return a.second != b.second ? a.second < b.second : a.rank < b.rank;
}

std::size_t ViewRank(std::string_view name) {
  const auto views = Views();
  std::size_t rank = 0;
  while (rank < views.size() && views[rank].name != name) ++rank;
  return rank;
}

// The rows of several registries, each in order already, merged; rows keep their places among
// equals.
void OrderTimeline(std::vector<ViewRow>& rows) {
  std::vector<Place> places;
  places.reserve(rows.size());
  for (const ViewRow& row : rows) {
    places.push_back({SortKey(row[kDatetime]), ViewRank(row[kView]), places.size()});
  }
  if (std::is_sorted(places.begin(), places.end(), Before)) return;
  std::stable_sort(places.begin(), places.end(), Before);
  std::vector<ViewRow> ordered;
  ordered.reserve(rows.size());
  for (const Place& place : places) ordered.push_back(std::move(rows[place.at]));
  rows.swap(ordered);
}

constexpr std::array<Field, 4> kWhere{kHive, kKeyPath, kComputerName, kControlSet};

constexpr ViewSchema kTimeline{"timeline",
                               "one row for each time the other views hold, from every hive "
                               "listed, oldest first (at one time in the order of the views)",
                               kFields,
                               kColumns,
                               nullptr,
                               false,
                               kTimes,
                               {},
                               {},
                               {},
                               OrderTimeline};

}  // namespace

const ViewSchema& TimelineView() { return kTimeline; }

void TimelineScan::Add(const ViewSchema& view, std::vector<ViewRow> rows) {
  Source& source = sources_.emplace_back(Source{&view, std::move(rows), {}});
  for (const Field field : kWhere) source.where.push_back(FieldIndex(view, kFields[field]));
  const std::size_t rank = ViewRank(view.name);
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

void TimelineScan::Append(std::vector<ViewRow>& rows) {
  std::stable_sort(places_.begin(), places_.end(), Before);
  // How many times of each row are still to be made, by its first time.
  std::vector<std::size_t> left(times_.size(), 0);
  std::vector<std::size_t> first(times_.size());
  for (std::size_t i = 0; i < times_.size(); ++i) {
    const bool same =
        i && times_[i - 1].source == times_[i].source && times_[i - 1].row == times_[i].row;
    first[i] = same ? first[i - 1] : i;
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
  sources_.clear();
  times_.clear();
  places_.clear();
}
