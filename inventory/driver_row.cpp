#include "inventory/driver_row.h"

#include "common/text.h"

EStringListError::EStringListError(std::size_t index)
    : Exception(FormatNumber("List index out of bounds (%d)", static_cast<long long>(index))) {}

const std::string& DriverRow::SubItem(std::size_t index) const {
  if (index >= subItems.size()) throw EStringListError(index);
  return subItems[index];
}

DriverRow& RowStore::Append(std::string caption) {
  DriverRow& row = rows_.emplace_back();
  row.caption = std::move(caption);
  row.subItems.reserve(kDriverColumns.size() - 1);
  return row;
}
