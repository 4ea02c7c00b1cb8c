// The views tolvane-list writes: each one a name, an ordered list of field names (the CSV
// header and the JSON keys, in that order), the columns its text table shows, and rows of
// UTF-8 strings, one for each field. A view's reader fills its rows through the registry seam;
// the formats write any view, so a view is added here as one more schema and one reader.
#pragma once

#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "inventory/driver_record.h"
#include "inventory/registry_api.h"

// A column of the text table: its caption and the field it shows, or the preferred field where
// that one is not empty.
struct ViewColumn {
  std::string_view caption;
  std::string_view field;
  std::string_view preferred = {};
};

// A display string of a view's rows: the value's name, the field of its text (DisplayText's)
// and the field of the value as stored.
struct DisplayValue {
  std::u16string_view name;
  std::size_t shown;
  std::size_t raw;
};

// One row: a string for each field of its view, in the view's order.
using ViewRow = std::vector<std::string>;

// Takes the rows read so far, which it may clear.
using RowsReady = std::function<void(std::vector<ViewRow>& rows)>;

// One control set of one registry, as a view reads it.
struct ViewScope {
  std::string hive;        // as the rows name it
  std::string setKey;      // the key read under SYSTEM: ControlSetNNN or CurrentControlSet
  std::string controlSet;  // as the rows name it
  // Where set, a reader of many rows may hand those read so far to it part way through, so
  // that they need not all be in memory at once.
  RowsReady ready = {};
};

// Appends the rows of one control set. Raises ERecordsError (code 0 where the key is absent)
// when the key the view lists cannot be opened; anything less is a warning.
using ViewReader = void (*)(RegistryApi& registry, const ViewScope& scope,
                            std::vector<ViewRow>& rows, const RecordWarningFn& warn);

// A time a row holds: its field, what it means (a timeline row's timestamp_desc) and the
// words closing the row's message in the timeline.
struct ViewTime {
  std::string_view field;
  std::string_view desc;
  std::string_view event;
};

// A part of the key that tells a view's rows apart, as a diff pairs them: its field, or the
// otherwise field where that one is empty, with the diff table's caption.
struct ViewKey {
  std::string_view caption;
  std::string_view field;
  std::string_view otherwise = {};
};

// A part of a row's message after its key and description: ", label value" where not empty.
struct ViewDetail {
  std::string_view label;
  std::string_view field;
};

// Puts the rows of every hive of a run in the view's order, once all are read.
using ViewOrder = void (*)(std::vector<ViewRow>& rows);

struct ViewSchema {
  std::string_view name;   // what --view takes
  std::string_view about;  // what one row is, for the help
  std::span<const std::string_view> fields;
  std::span<const ViewColumn> columns;
  ViewReader read;  // none: a view made from other views' rows (the timeline, a diff)
  // Read once a hive (from its root), not once a control set; the scope's setKey is then the
  // control set it names its computer and classes from, or empty where the hive has none.
  bool perHive = false;
  // What the timeline, --since/--until and the diff know of a view: its times (ISO 8601, a
  // date or a second in UTC), its key, what names a row (the field, or the preferred one where
  // that is not empty) and the details of its message.
  std::span<const ViewTime> times = {};
  std::span<const ViewKey> keys = {};
  ViewColumn description = {};
  std::span<const ViewDetail> details = {};
  ViewOrder order = nullptr;  // none: the order read
};

// The text Windows shows for a display string when the resource an indirect one names is not
// at hand: of an "@" string holding a ';', what follows its first ';', with %1, %2, ... filled
// from a parenthesised, comma-separated list after a last ";(" where one ends it; any other
// string as stored.
std::string DisplayText(std::string_view stored);

// Every view, the default (the records) first.
std::span<const ViewSchema> Views();
// The view of that name, or null.
const ViewSchema* FindView(std::string_view name);
// The position of a field in its view's rows, or the number of fields where it has none.
std::size_t FieldIndex(const ViewSchema& view, std::string_view field);
// A row's field, or "" where the view has no such field.
std::string_view FieldOf(const ViewSchema& view, const ViewRow& row, std::string_view field);
// The column's text of a row: its preferred field where that is not empty, else its field.
std::string_view ColumnText(const ViewSchema& view, const ViewRow& row, const ViewColumn& column);
// What a row is about: its key's fields (each, or its otherwise field where empty) joined by
// '\'.
std::string RowItem(const ViewSchema& view, const ViewRow& row);

// A time of a row as a second in UTC, "YYYY-MM-DDTHH:MM:SSZ" (a date at its midnight), or ""
// where the field holds no time.
std::string IsoSecond(std::string_view time);
// The times from since to until, both included, each "YYYY-MM-DDTHH:MM:SSZ" or empty for no
// bound.
struct TimeRange {
  std::string since;
  std::string until;
};
// Whether one of the row's times is in the range.
bool InTimeRange(const ViewSchema& view, const ViewRow& row, const TimeRange& range);
