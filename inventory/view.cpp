#include "inventory/view.h"

#include <array>

#include "inventory/device_view.h"
#include "inventory/driver_files.h"
#include "inventory/driver_packages.h"
#include "inventory/record_view.h"
#include "inventory/service_view.h"
#include "inventory/timeline.h"

std::string DisplayText(std::string_view stored) {
  const std::size_t semicolon = stored.find(';');
  if (!stored.starts_with('@') || semicolon == stored.npos) return std::string(stored);
  std::string_view text = stored.substr(semicolon + 1);
  const std::size_t list = text.rfind(";(");
  if (list == text.npos || !text.ends_with(')')) return std::string(text);
  std::vector<std::string_view> inserts;
  for (std::string_view items = text.substr(list + 2, text.size() - list - 3);;) {
    const std::size_t comma = items.find(',');
    inserts.push_back(items.substr(0, comma));
    if (comma == items.npos) break;
    items.remove_prefix(comma + 1);
  }
  text = text.substr(0, list);
  std::string shown;
  for (std::size_t at = 0; at < text.size(); ++at) {
    std::size_t digits = at + 1;
    std::size_t number = 0;
    while (text[at] == '%' && digits < text.size() && text[digits] >= '0' && text[digits] <= '9' &&
           digits - at <= 2) {
      number = number * 10 + static_cast<std::size_t>(text[digits++] - '0');
    }
    if (number >= 1 && number <= inserts.size()) {
      shown += inserts[number - 1];
      at = digits - 1;
    } else {
      shown += text[at];
    }
  }
  return shown;
}

std::span<const ViewSchema> Views() {
  static const std::array<ViewSchema, 6> views{RecordsView(),  DevicesView(), ServicesView(),
                                               PackagesView(), FilesView(),   TimelineView()};
  return views;
}

const ViewSchema* FindView(std::string_view name) {
  for (const ViewSchema& view : Views()) {
    if (view.name == name) return &view;
  }
  return nullptr;
}

std::size_t FieldIndex(const ViewSchema& view, std::string_view field) {
  std::size_t i = 0;
  while (i < view.fields.size() && view.fields[i] != field) ++i;
  return i;
}

std::string_view FieldOf(const ViewSchema& view, const ViewRow& row, std::string_view field) {
  const std::size_t i = FieldIndex(view, field);
  return i < row.size() ? std::string_view(row[i]) : std::string_view();
}

std::string_view ColumnText(const ViewSchema& view, const ViewRow& row, const ViewColumn& column) {
  const std::string_view preferred = FieldOf(view, row, column.preferred);
  return preferred.empty() ? FieldOf(view, row, column.field) : preferred;
}

std::string RowItem(const ViewSchema& view, const ViewRow& row) {
  std::string item;
  for (const ViewKey& key : view.keys) {
    if (&key != view.keys.data()) item += '\\';
    const std::string_view text = FieldOf(view, row, key.field);
    item += text.empty() ? FieldOf(view, row, key.otherwise) : text;
  }
  return item;
}

std::string IsoSecond(std::string_view time) {
  const auto digits = [&](std::size_t at, std::size_t n) {
    for (std::size_t i = at; i < at + n; ++i) {
      if (time[i] < '0' || time[i] > '9') return false;
    }
    return true;
  };
  const bool date = time.size() >= 10 && digits(0, 4) && time[4] == '-' && digits(5, 2) &&
                    time[7] == '-' && digits(8, 2);
  if (date && time.size() == 10) return std::string(time) + "T00:00:00Z";
  if (date && time.size() == 20 && time[10] == 'T' && digits(11, 2) && time[13] == ':' &&
      digits(14, 2) && time[16] == ':' && digits(17, 2) && time[19] == 'Z') {
    return std::string(time);
  }
  return std::string();
}

bool InTimeRange(const ViewSchema& view, const ViewRow& row, const TimeRange& range) {
  for (const ViewTime& time : view.times) {
    const std::string second = IsoSecond(FieldOf(view, row, time.field));
    if (!second.empty() && (range.since.empty() || second >= range.since) &&
        (range.until.empty() || second <= range.until)) {
      return true;
    }
  }
  return false;
}
