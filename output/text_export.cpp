#include "output/text_export.h"

#include <vector>

namespace {

// The rows are read a batch at a time and their lines kept here until they go out: each full
// buffer is a trip into the system that leaves the caches cold, and rows read one at a time
// between those trips cost the export a sixth over the writes alone.
constexpr std::size_t kBatchBytes = 16 * 1024;
// Rows are asked for this many ahead of the one being gathered.
constexpr std::size_t kReadAhead = 8;

// Asks for the bytes [first, first + size) ahead of their use.
void Prefetch(const void* first, std::size_t size) {
  const char* bytes = static_cast<const char*>(first);
  __builtin_prefetch(bytes);
  __builtin_prefetch(bytes + (size > 0 ? size - 1 : 0));
}

struct Lines {
  std::string text;               // the lines, each with its line end
  std::vector<std::size_t> ends;  // where each line ends in text
};

// The lines of the rows from `next` on, until about kBatchBytes are gathered or the rows end;
// `next` is left at the first row not gathered. A short row raises EStringListError, with the
// lines before it gathered.
void GatherLines(const RowStore& rows, std::size_t& next, Lines& lines) {
  lines.text.clear();
  lines.ends.clear();
  const std::size_t count = rows.Count();
  for (; next < count && lines.text.size() < kBatchBytes; ++next) {
    if (next + kReadAhead < count) {
      const DriverRow& ahead = rows.Row(next + kReadAhead);
      Prefetch(ahead.caption.data(), ahead.caption.size());
      if (ahead.subItems.size() >= 2) Prefetch(ahead.subItems.data(), 2 * sizeof(std::string));
    }
    const DriverRow& row = rows.Row(next);
    // Both sub-items are fetched before a byte of the line is gathered, so a short row leaves
    // only whole lines behind.
    const std::string& provider = row.SubItem(0);
    const std::string& version = row.SubItem(1);
    lines.text += row.caption;
    lines.text += ',';
    lines.text += provider;
    lines.text += ',';
    lines.text += version;
    lines.text += "\r\n";
    lines.ends.push_back(lines.text.size());
  }
}

}  // namespace

void SaveRows(FileApi& files, const RowStore& rows, const std::string& path, IoResult& ioResult) {
  TextOutputFile file(files, ioResult, path);
  file.Rewrite();
  ioResult.Test();
  Lines lines;
  const auto writeLines = [&] {
    file.WriteLines(lines.text, lines.ends);
    ioResult.Test();
  };
  for (std::size_t next = 0; next < rows.Count();) {
    try {
      GatherLines(rows, next, lines);
    } catch (...) {
      // The lines before a short row go out first: a write of theirs that fails is the error
      // the user hears of, as it is when the rows are read one at a time.
      writeLines();
      throw;
    }
    writeLines();
  }
  file.Close();
  ioResult.Test();
}
