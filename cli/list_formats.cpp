#include "cli/list_formats.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <utility>

#include "cli/list_command.h"
#include "common/message_text.h"
#include "common/utf.h"

namespace {

// Big enough that a listing of thousands of records costs a few dozen writes.
constexpr std::size_t kOutputBuffer = 64 * 1024;

}  // namespace

// The output file: created at once, written in large blocks, closed by Close or, after an
// error, quietly when it goes.
class ListOutput {
 public:
  explicit ListOutput(FileApi& files) : files_(files) {
    const std::string name(kListOutputName);
    const std::uint32_t code = files_.CreateFileA(name.c_str(), kGenericWrite, kFileShareRead,
                                                  kCreateAlways, kFileAttributeNormal, &handle_);
    if (code != 0) throw EWriteError(code);
    open_ = true;
    buffer_.reserve(kOutputBuffer);
  }
  ~ListOutput() {
    if (open_) files_.CloseHandle(handle_);
  }
  ListOutput(const ListOutput&) = delete;
  ListOutput& operator=(const ListOutput&) = delete;

  void Write(std::string_view bytes) {
    buffer_.append(bytes);
    if (buffer_.size() >= kOutputBuffer) Flush();
  }
  // What is still to be written: a caller may append to it, then Write.
  std::string& Buffer() { return buffer_; }
  void Close() {
    Flush();
    open_ = false;
    if (const std::uint32_t code = files_.CloseHandle(handle_); code != 0) throw EWriteError(code);
  }

 private:
  void Flush() {
    std::size_t done = 0;
    while (done < buffer_.size()) {
      std::uint32_t written = 0;
      const std::uint32_t code =
          files_.WriteFile(handle_, buffer_.data() + done,
                           static_cast<std::uint32_t>(buffer_.size() - done), &written);
      if (code != 0) throw EWriteError(code);
      if (written == 0) throw EWriteError(kErrorDiskFull);
      done += written;
    }
    buffer_.clear();
  }

  FileApi& files_;
  FileHandle handle_ = kInvalidHandleValue;
  bool open_ = false;
  std::string buffer_;
};

namespace {

void WriteObject(ListOutput& out, const ViewSchema& view, const ViewRow& row) {
  std::string& line = out.Buffer();
  line += '{';
  for (std::size_t i = 0; i < view.fields.size(); ++i) {
    if (i) line += ", ";
    line += '"';
    line += view.fields[i];
    line += "\": ";
    AppendJsonString(line, row[i]);
  }
  line += '}';
  out.Write("");
}

// A table cell: control characters as escapes, so that every record stays one line.
std::string Cell(std::string_view text) {
  std::string cell;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7F) {
      cell += c;
    } else {
      AppendByteEscape(cell, byte);
    }
  }
  return cell;
}

// Nothing at all for no rows: a header alone would read as a listing.
void WriteTable(ListOutput& out, const ViewSchema& view, const std::vector<ViewRow>& rows,
                bool severalHives) {
  if (rows.empty()) return;
  // Each column's field, and the field it prefers where that is not empty.
  std::vector<std::pair<std::size_t, std::size_t>> shown;
  std::vector<std::vector<std::string>> cells(1);
  if (severalHives) {
    shown.emplace_back(FieldIndex(view, "hive"), view.fields.size());
    cells[0].emplace_back("Hive");
  }
  for (const ViewColumn& column : view.columns) {
    shown.emplace_back(FieldIndex(view, column.field), column.preferred.empty()
                                                           ? view.fields.size()
                                                           : FieldIndex(view, column.preferred));
    cells[0].emplace_back(column.caption);
  }
  for (const ViewRow& row : rows) {
    std::vector<std::string>& line = cells.emplace_back();
    for (const auto& [field, preferred] : shown) {
      line.push_back(
          Cell(preferred < row.size() && !row[preferred].empty() ? row[preferred] : row[field]));
    }
  }
  std::vector<std::size_t> widths(shown.size(), 0);
  for (const auto& row : cells) {
    for (std::size_t i = 0; i < row.size(); ++i) {
      widths[i] = std::max(widths[i], DisplayWidth(row[i]));
    }
  }
  std::string line;
  for (const auto& row : cells) {
    line.clear();
    for (std::size_t i = 0; i < row.size(); ++i) {
      line += row[i];
      if (i + 1 < row.size()) line.append(widths[i] - DisplayWidth(row[i]) + 2, ' ');
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    line += '\n';
    out.Write(line);
  }
}

bool IsWide(char32_t code) {
  return (code >= 0x1100 && code <= 0x115F) || (code >= 0x2E80 && code <= 0xA4CF) ||
         (code >= 0xAC00 && code <= 0xD7A3) || (code >= 0xF900 && code <= 0xFAFF) ||
         (code >= 0xFE30 && code <= 0xFE4F) || (code >= 0xFF00 && code <= 0xFF60) ||
         (code >= 0xFFE0 && code <= 0xFFE6) || (code >= 0x1F300 && code <= 0x1F64F) ||
         (code >= 0x1F900 && code <= 0x1F9FF) || (code >= 0x20000 && code <= 0x3FFFD);
}

bool IsZeroWidth(char32_t code) {
  return (code >= 0x0300 && code <= 0x036F) || (code >= 0x200B && code <= 0x200F) ||
         (code >= 0xFE00 && code <= 0xFE0F);
}

}  // namespace

EWriteError::EWriteError(std::uint32_t code) : Exception("write failed"), code_(code) {}

std::string CsvField(std::string_view field) {
  std::string written;
  AppendCsvField(written, field);
  return written;
}

void AppendCsvField(std::string& out, std::string_view field) {
  if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
    out.append(field);
    return;
  }
  out += '"';
  for (const char c : field) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

void AppendJsonString(std::string& out, std::string_view text) {
  out += '"';
  std::size_t run = 0;  // where the bytes not yet appended begin
  for (std::size_t at = 0; at < text.size();) {
    const auto c = static_cast<unsigned char>(text[at]);
    if (c >= 0x20 && c < 0x80 && c != '"' && c != '\\') {
      ++at;
      continue;
    }
    if (c >= 0x80) {
      // Valid UTF-8 stays as it is; anything else becomes U+FFFD.
      std::size_t next = at;
      const char32_t code = NextUtf8(text, next);
      if (code != kReplacementCharacter || text.substr(at, 3) == "\xef\xbf\xbd") {
        at = next;
        continue;
      }
      out.append(text, run, at - run);
      AppendUtf8(out, code);
      run = at = next;
      continue;
    }
    out.append(text, run, at - run);
    run = ++at;
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default: {
        char escape[8];
        std::snprintf(escape, sizeof escape, "\\u%04x", c);
        out += escape;
      }
    }
  }
  out.append(text, run, text.size() - run);
  out += '"';
}

std::size_t DisplayWidth(std::string_view utf8) {
  std::size_t width = 0;
  for (std::size_t at = 0; at < utf8.size();) {
    const char32_t code = NextUtf8(utf8, at);
    width += IsZeroWidth(code) ? 0 : IsWide(code) ? 2 : 1;
  }
  return width;
}

ViewWriter::ViewWriter(FileApi& files, ListFormat format, const ViewSchema& view)
    : out_(std::make_unique<ListOutput>(files)), format_(format), view_(view) {
  switch (format_) {
    case ListFormat::kCsv:
      for (std::size_t i = 0; i < view_.fields.size(); ++i) {
        if (i) out_->Write(",");
        out_->Write(view_.fields[i]);
      }
      out_->Write("\r\n");
      break;
    case ListFormat::kJson:
      out_->Write("[");
      break;
    default:
      break;
  }
}

ViewWriter::~ViewWriter() = default;

void ViewWriter::Add(const std::vector<ViewRow>& rows) {
  for (const ViewRow& row : rows) {
    switch (format_) {
      case ListFormat::kCsv: {
        std::string& line = out_->Buffer();
        for (std::size_t i = 0; i < row.size(); ++i) {
          if (i) line += ',';
          AppendCsvField(line, row[i]);
        }
        line += "\r\n";
        out_->Write("");
        break;
      }
      case ListFormat::kJson:
        out_->Write(written_ ? ",\n  " : "\n  ");
        WriteObject(*out_, view_, row);
        break;
      case ListFormat::kJsonLines:
        WriteObject(*out_, view_, row);
        out_->Write("\n");
        break;
      default:
        break;
    }
    written_ = true;
  }
}

void ViewWriter::Close() {
  if (format_ == ListFormat::kJson) out_->Write(written_ ? "\n]\n" : "]\n");
  out_->Close();
}

void WriteView(FileApi& files, ListFormat format, const ViewSchema& view,
               const std::vector<ViewRow>& rows, bool severalHives) {
  if (format != ListFormat::kText) {
    ViewWriter writer(files, format, view);
    writer.Add(rows);
    writer.Close();
    return;
  }
  ListOutput out(files);
  WriteTable(out, view, rows, severalHives);
  out.Close();
}
