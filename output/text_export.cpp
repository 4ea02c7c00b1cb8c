#include "output/text_export.h"

namespace {

// Each full buffer is a trip into the system that leaves the caches cold; asking for the rows
// a few lines ahead keeps the export close to the cost of the writes alone.
constexpr std::size_t kReadAhead = 16;

}  // namespace

void SaveRows(FileApi& files, const RowStore& rows, const std::string& path, IoResult& ioResult) {
  TextOutputFile file(files, ioResult, path);
  file.Rewrite();
  ioResult.Test();
  const std::size_t count = rows.Count();
  for (std::size_t index = 0; index < count; ++index) {
    const DriverRow& row = rows.Row(index);
    if (index + kReadAhead < count) {
      const DriverRow& ahead = rows.Row(index + kReadAhead);
      __builtin_prefetch(ahead.caption.data());
      __builtin_prefetch(ahead.subItems.data());
    }
    // Both sub-items are fetched before a byte of the line is written, so a short row leaves
    // only whole lines behind.
    const std::string& provider = row.SubItem(0);
    const std::string& version = row.SubItem(1);
    file.Write(row.caption);
    file.Write(",");
    file.Write(provider);
    file.Write(",");
    file.Write(version);
    file.WriteLineEnd();
    ioResult.Test();
  }
  file.Close();
  ioResult.Test();
}
