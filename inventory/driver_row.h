// The driver rows: the one store of what a scan found, the list view's model, and the one
// definition of the list's columns. The scan writes the store; export and report only read it.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "common/exception.h"

// A sub-item fetched by an index that the row does not have: "List index out of bounds (%d)".
class EStringListError : public Exception {
 public:
  explicit EStringListError(std::size_t index);
};

struct DriverColumn {
  std::string_view caption;
  int width;  // pixels at 96 pixels per inch
  std::string_view valueName;
};

// Column 0 shows the row's caption, column j >= 1 its sub-item j - 1.
inline constexpr std::array<DriverColumn, 9> kDriverColumns{{
    {"Driver", 250, "DriverDesc"},
    {"Provider", 100, "ProviderName"},
    {"Version", 100, "DriverVersion"},
    {"Driver Date", 100, "DriverDate"},
    {"Inf Path", 80, "InfPath"},
    {"Inf Section", 80, "InfSection"},
    {"Inf Section Ext", 90, "InfSectionExt"},
    {"Matching Device Id", 100, "MatchingDeviceId"},
    {"EnumPropPages32", 150, "EnumPropPages32"},
}};

struct DriverRow {
  std::string caption;                // DriverDesc, never empty
  std::vector<std::string> subItems;  // eight, fewer only in a row cut short by an error

  // Throws EStringListError for an index the row does not have.
  const std::string& SubItem(std::size_t index) const;
};

class RowStore {
 public:
  void Clear() { rows_.clear(); }
  DriverRow& Append(std::string caption);
  std::size_t Count() const { return rows_.size(); }
  const DriverRow& Row(std::size_t index) const { return rows_[index]; }

  // The one rule for a cell: column 0 is the row's caption, column j >= 1 its sub-item j - 1;
  // null for a cell the store does not have (a row past the end, a sub-item the row lacks).
  const std::string* FindCell(std::size_t row, std::size_t column) const;
  // The cell's text, empty for a cell the store does not have.
  std::string CellText(std::size_t row, std::size_t column) const;

 private:
  std::vector<DriverRow> rows_;
};
