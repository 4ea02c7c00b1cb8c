#include "inventory/driver_row.h"

#include "common/text.h"

EStringListError::EStringListError(std::size_t index)
    : Exception(FormatNumber("List index out of bounds (%d)", static_cast<long long>(index))) {}

const std::string& DriverRow::SubItem(std::size_t index) const {
  if (index >= subItems.size()) throw EStringListError(index);
  return subItems[index];
}

const std::string* RowStore::FindCell(std::size_t row, std::size_t column) const {
  if (row >= rows_.size()) return nullptr;
  const DriverRow& driver = rows_[row];
  if (column == 0) return &driver.caption;
  return column - 1 < driver.subItems.size() ? &driver.subItems[column - 1] : nullptr;
}

std::string RowStore::CellText(std::size_t row, std::size_t column) const {
  const std::string* text = FindCell(row, column);
  return text != nullptr ? *text : std::string();
}

DriverRow& RowStore::Append(std::string caption) {
  DriverRow& row = rows_.emplace_back();
  row.caption = std::move(caption);
  row.subItems.reserve(kDriverColumns.size() - 1);
  return row;
}
