// The Save command's body: the rows, in list order, as lines of text ("caption,sub-item
// 0,sub-item 1" and CR LF) written through the 128-byte output buffer to the named file.
#pragma once

#include <string>

#include "inventory/driver_row.h"
#include "output/file_api.h"
#include "output/text_file.h"

// Raises EInOutError for a failed file step and EStringListError for a row without two
// sub-items. Whatever the error, the file is closed again and holds every whole line that
// preceded it (but for the block whose write failed), and ioResult is left clear.
void SaveRows(FileApi& files, const RowStore& rows, const std::string& path, IoResult& ioResult);
