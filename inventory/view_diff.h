// What changed between two readings of one view (two hives, or two states of one): the rows
// paired by the view's key, without regard to case, and each row added, removed or changed
// listed once with the names of the fields that differ, its fields and the old values of those.
#pragma once

#include <string>
#include <vector>

#include "inventory/view.h"

class ViewDiff {
 public:
  // The view must have a key.
  explicit ViewDiff(const ViewSchema& view);
  ViewDiff(const ViewDiff&) = delete;
  ViewDiff& operator=(const ViewDiff&) = delete;

  // The diff's own view, one fixed set of fields whatever changed: change, the key's fields,
  // changed_fields, the view's other fields (as the new rows have them; a removed row as it
  // was), then old_<field> for each of the view's fields, filled only where it changed. It
  // reads nothing itself.
  const ViewSchema& Schema() const { return schema_; }

  // The rows that differ, in the order of their keys. Where the rows were read (hive,
  // control_set, key_path) is not compared.
  std::vector<ViewRow> Compare(const std::vector<ViewRow>& oldRows,
                               const std::vector<ViewRow>& newRows) const;

 private:
  ViewRow Row(std::string_view change, const ViewRow& row, const ViewRow* old) const;

  const ViewSchema& view_;
  std::vector<std::string> oldNames_;
  std::vector<std::string_view> fields_;
  std::vector<ViewColumn> columns_;
  std::vector<std::size_t> shown_;  // the view's field at each place after change but one
  std::size_t changedAt_ = 0;       // the place of changed_fields
  std::vector<bool> compared_;      // by the view's field
  ViewSchema schema_;
};
