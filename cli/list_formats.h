// A view's rows as tolvane-list writes them: an aligned text table (LF), CSV (RFC 4180,
// CR LF), one JSON array, or JSON Lines (one object a line, LF), all UTF-8, every JSON field a
// string, every name the view's own. Written through a large buffer in front of the file seam.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/exception.h"
#include "inventory/view.h"
#include "output/file_api.h"

enum class ListFormat { kText, kCsv, kJson, kJsonLines, kSave };

// A write to the output failed: the seam's Windows code.
class EWriteError : public Exception {
 public:
  explicit EWriteError(std::uint32_t code);
  std::uint32_t Code() const { return code_; }

 private:
  std::uint32_t code_;
};

// A field as RFC 4180 writes it: quoted, with each quote doubled, when it holds a comma, a
// quote, a CR or an LF; as it is otherwise.
std::string CsvField(std::string_view field);
// The same, appended to out.
void AppendCsvField(std::string& out, std::string_view field);
// Appends text as a JSON string: quoted, with quotes, backslashes and control characters
// escaped, and each byte that is not part of valid UTF-8 written as U+FFFD.
void AppendJsonString(std::string& out, std::string_view text);
// The columns a terminal gives the text: two for East Asian wide characters and emoji, none
// for combining marks, one for the rest.
std::size_t DisplayWidth(std::string_view utf8);

class ListOutput;

// The rows of a view in CSV, JSON or JSON Lines as they are read, batch by batch, to the output
// seam (named as the entry points' seams take standard output): the same bytes as WriteView of
// all the rows at once. Created with the header (CSV) or opening bracket (JSON); Close ends the
// listing. Raises EWriteError.
class ViewWriter {
 public:
  ViewWriter(FileApi& files, ListFormat format, const ViewSchema& view);
  ~ViewWriter();
  ViewWriter(const ViewWriter&) = delete;
  ViewWriter& operator=(const ViewWriter&) = delete;

  void Add(const std::vector<ViewRow>& rows);
  void Close();

 private:
  std::unique_ptr<ListOutput> out_;
  ListFormat format_;
  const ViewSchema& view_;
  bool written_ = false;  // a row is written
};

// Writes a view's rows in one of the inventory formats (not kSave) to the output seam, named
// as the entry points' seams take standard output. The text table shows the view's columns,
// after a Hive column where several hives are listed, and nothing at all for no rows. Raises
// EWriteError.
void WriteView(FileApi& files, ListFormat format, const ViewSchema& view,
               const std::vector<ViewRow>& rows, bool severalHives);
