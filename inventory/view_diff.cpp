#include "inventory/view_diff.h"

#include <algorithm>
#include <array>
#include <map>

#include "inventory/registry_read.h"

namespace {

// Fields that say where a row was read, not what the registry says of it.
constexpr std::array<std::string_view, 3> kWhereRead{"hive", "control_set", "key_path"};

}  // namespace

ViewDiff::ViewDiff(const ViewSchema& view) : view_(view) {
  const std::size_t count = view.fields.size();
  std::vector<bool> isKey(count, false);
  for (const ViewKey& key : view.keys) {
    for (const std::string_view field : {key.field, key.otherwise}) {
      const std::size_t i = FieldIndex(view, field);
      if (i < count && !isKey[i]) {
        isKey[i] = true;
        shown_.push_back(i);
      }
    }
  }
  changedAt_ = shown_.size() + 1;
  for (std::size_t i = 0; i < count; ++i) {
    if (!isKey[i]) shown_.push_back(i);
  }
  fields_.push_back("change");
  for (const std::size_t i : shown_) {
    if (fields_.size() == changedAt_) fields_.push_back("changed_fields");
    fields_.push_back(view.fields[i]);
  }
  oldNames_.reserve(count);
  for (const std::string_view field : view.fields) {
    fields_.push_back(oldNames_.emplace_back("old_" + std::string(field)));
  }
  compared_.assign(count, true);
  for (const std::string_view field : kWhereRead) {
    if (const std::size_t i = FieldIndex(view, field); i < count) compared_[i] = false;
  }
  columns_.push_back({"Change", "change"});
  for (const ViewKey& key : view.keys) {
    columns_.push_back(key.otherwise.empty() ? ViewColumn{key.caption, key.field}
                                             : ViewColumn{key.caption, key.otherwise, key.field});
  }
  columns_.push_back({"Changed fields", "changed_fields"});
  if (!view.description.field.empty()) columns_.push_back(view.description);
  schema_ = {view.name, view.about, fields_, columns_, nullptr};
}

ViewRow ViewDiff::Row(std::string_view change, const ViewRow& row, const ViewRow* old) const {
  const std::size_t count = view_.fields.size();
  ViewRow diff;
  diff.reserve(fields_.size());
  diff.emplace_back(change);
  std::string changed;
  std::vector<std::string> olds(count);
  for (std::size_t i = 0; old && i < count; ++i) {
    if (compared_[i] && (*old)[i] != row[i]) {
      if (!changed.empty()) changed += ';';
      changed += view_.fields[i];
      olds[i] = (*old)[i];
    }
  }
  for (const std::size_t i : shown_) {
    if (diff.size() == changedAt_) diff.push_back(changed);
    diff.push_back(row[i]);
  }
  for (std::string& value : olds) diff.push_back(std::move(value));
  return diff;
}

std::vector<ViewRow> ViewDiff::Compare(const std::vector<ViewRow>& oldRows,
                                       const std::vector<ViewRow>& newRows) const {
  // The old rows of each key, in order: of rows sharing a key, the n-th new pairs with the
  // n-th old.
  std::map<std::string, std::vector<const ViewRow*>> olds;
  for (auto at = oldRows.rbegin(); at != oldRows.rend(); ++at) {
    olds[UpperAscii(RowItem(view_, *at))].push_back(&*at);
  }
  std::vector<std::pair<std::string, ViewRow>> diffs;
  for (const ViewRow& row : newRows) {
    std::string key = UpperAscii(RowItem(view_, row));
    const auto same = olds.find(key);
    if (same == olds.end() || same->second.empty()) {
      diffs.emplace_back(std::move(key), Row("added", row, nullptr));
      continue;
    }
    const ViewRow* old = same->second.back();
    same->second.pop_back();
    ViewRow diff = Row("changed", row, old);
    if (!diff[changedAt_].empty()) diffs.emplace_back(std::move(key), std::move(diff));
  }
  for (const auto& [key, left] : olds) {
    for (auto at = left.rbegin(); at != left.rend(); ++at) {
      diffs.emplace_back(key, Row("removed", **at, nullptr));
    }
  }
  std::stable_sort(diffs.begin(), diffs.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<ViewRow> rows;
  rows.reserve(diffs.size());
  for (auto& diff : diffs) rows.push_back(std::move(diff.second));
  return rows;
}
