#include "cli/list_formats.h"

#include <cstdio>

namespace {

constexpr std::size_t kFullRow = kDriverColumns.size() - 1;

bool IsFullRow(const DriverRow& row) { return row.subItems.size() >= kFullRow; }

const std::string& Field(const DriverRow& row, std::size_t column) {
  return column == 0 ? row.caption : row.subItems[column - 1];
}

// The pieces of one output, written in the order given, a line end after each line.
class Writer {
 public:
  Writer(FileApi& files, IoResult& ioResult)
      : file_(files, ioResult, std::string(kListOutputName)), ioResult_(ioResult) {
    file_.Rewrite();
    ioResult_.Test();
  }
  void Write(std::string_view bytes) { file_.Write(bytes); }
  void EndLine() {
    file_.WriteLineEnd();
    ioResult_.Test();
  }
  void Close() {
    file_.Close();
    ioResult_.Test();
  }

 private:
  TextOutputFile file_;
  IoResult& ioResult_;
};

}  // namespace

std::string CsvField(std::string_view field) {
  if (field.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(field);
  std::string quoted = "\"";
  for (const char c : field) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  quoted += '"';
  return quoted;
}

std::string JsonString(std::string_view utf8) {
  std::string out = "\"";
  for (const char c : utf8) {
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
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escape[8];
          std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned char>(c));
          out += escape;
        } else {
          out += c;
        }
    }
  }
  out += '"';
  return out;
}

void SaveCsv(FileApi& files, const RowStore& rows, IoResult& ioResult) {
  Writer out(files, ioResult);
  for (std::size_t column = 0; column < kDriverColumns.size(); ++column) {
    if (column) out.Write(",");
    out.Write(CsvField(kDriverColumns[column].caption));
  }
  out.EndLine();
  for (std::size_t index = 0; index < rows.Count(); ++index) {
    const DriverRow& row = rows.Row(index);
    if (!IsFullRow(row)) continue;
    for (std::size_t column = 0; column < kDriverColumns.size(); ++column) {
      if (column) out.Write(",");
      out.Write(CsvField(Field(row, column)));
    }
    out.EndLine();
  }
  out.Close();
}

void SaveJson(FileApi& files, const RowStore& rows, const AnsiToUtf8Fn& toUtf8,
              IoResult& ioResult) {
  Writer out(files, ioResult);
  std::size_t written = 0;
  out.Write("[");
  for (std::size_t index = 0; index < rows.Count(); ++index) {
    const DriverRow& row = rows.Row(index);
    if (!IsFullRow(row)) continue;
    if (written++) out.Write(",");
    out.EndLine();
    out.Write("  {");
    for (std::size_t column = 0; column < kDriverColumns.size(); ++column) {
      if (column) out.Write(", ");
      out.Write(JsonString(kDriverColumns[column].caption));
      out.Write(": ");
      out.Write(JsonString(toUtf8(Field(row, column))));
    }
    out.Write("}");
  }
  if (written) out.EndLine();
  out.Write("]");
  out.EndLine();
  out.Close();
}
