// The rows as CSV (RFC 4180, a header of the nine captions, CR LF) and as JSON (one array of
// objects keyed by the captions, UTF-8) for tolvane-list, written like Save writes its text:
// through the 128-byte output buffer and the file seam.
#pragma once

#include <string>
#include <string_view>

#include "cli/list_command.h"
#include "inventory/driver_row.h"
#include "output/file_api.h"
#include "output/text_file.h"

// A field as RFC 4180 writes it: quoted, with each quote doubled, when it holds a comma, a
// quote, a CR or an LF; as it is otherwise.
std::string CsvField(std::string_view field);
// UTF-8 text as a JSON string: quoted, with quotes, backslashes and control characters escaped.
std::string JsonString(std::string_view utf8);

// Rows with fewer than eight sub-items (the row a scan error cut short) are left out: every
// line or object holds all nine values. Raise EInOutError as SaveRows does.
void SaveCsv(FileApi& files, const RowStore& rows, IoResult& ioResult);
void SaveJson(FileApi& files, const RowStore& rows, const AnsiToUtf8Fn& toUtf8, IoResult& ioResult);
