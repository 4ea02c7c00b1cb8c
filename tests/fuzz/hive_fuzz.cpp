// Fuzz target: the input is a hive file. tolvane-list reads it through the hive back end
// (either code page, the window's order or --current, each of the three formats) into the
// in-memory files. Every input must be refused with one line or listed, never crash, hang or
// leak, and leave no key open.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "cli/hive_registry_api.h"
#include "cli/list_command.h"
#include "fake_file_api.h"

namespace {

// Stops the run where a sanitizer would not: a broken invariant is a finding too.
void Check(bool holds) {
  if (!holds) __builtin_trap();
}

// hivex opens files by name only: the input goes into one memory file, rewritten each time.
const std::string& InputPath() {
  static const std::string path = "/proc/self/fd/" + std::to_string(memfd_create("hive", 0));
  return path;
}

bool WriteInput(const std::uint8_t* data, std::size_t size) {
  const int fd = std::stoi(InputPath().substr(InputPath().rfind('/') + 1));
  if (ftruncate(fd, 0) != 0 || lseek(fd, 0, SEEK_SET) != 0) return false;
  for (std::size_t done = 0; done < size;) {
    const ssize_t n = write(fd, data + done, size - done);
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// Every line ends CR LF. JSON escapes every control character, so any bare CR or LF is wrong.
bool LineEndsAreCrLf(const std::string& text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) return false;
  }
  return text.empty() || text.ends_with("\r\n");
}

// The same rule read as RFC 4180 reads CSV: inside a quoted field any byte may stand (a
// doubled quote closes and reopens the field); outside one a CR or an LF is only a line end.
bool CsvLineEndsAreCrLf(const std::string& text) {
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"') {
      quoted = !quoted;
    } else if (!quoted && c == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) {
      return false;
    } else if (!quoted && c == '\n' && (i == 0 || text[i - 1] != '\r')) {
      return false;
    }
  }
  return !quoted && (text.empty() || text.ends_with("\r\n"));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (!WriteInput(data, size)) return 0;
  // The last byte picks the run's options: the hive's own bytes rarely reach it.
  const std::uint8_t choice = size ? data[size - 1] : 0;
  ListOptions options;
  options.codePage = choice & 1 ? kCodePageUtf8 : kCodePageWestern;
  options.current = (choice & 2) != 0;
  try {
    HiveRegistryApi hive(InputPath(), options.codePage);
    for (const ListFormat format : {ListFormat::kText, ListFormat::kCsv, ListFormat::kJson}) {
      options.format = format;
      FakeFileApi files;
      std::string error;
      const int status = RunList(
          options, hive, files,
          [&](std::string_view text) { return AnsiToUtf8(options.codePage, text); }, error);
      Check(status == 0 || status == 1);
      Check((status == 0) == error.empty());
      Check(error.empty() ||
            (error.starts_with("tolvane-list: ") && error.find('\n') == error.npos));
      Check(hive.OpenHandles() == 0);
      Check(files.OpenHandles() == 0);
      const std::string& out = files.Contents(std::string(kListOutputName));
      switch (format) {
        case ListFormat::kText:
          Check(out.empty() || out.ends_with("\r\n"));
          break;
        case ListFormat::kCsv:
          Check(CsvLineEndsAreCrLf(out) && out.starts_with("Driver,Provider,Version,"));
          break;
        case ListFormat::kJson:
          Check(LineEndsAreCrLf(out) && out.starts_with("[") && out.ends_with("]\r\n"));
          break;
      }
    }
  } catch (const EHiveError& e) {
    Check(!e.Message().empty() && e.Message().find('\n') == std::string::npos);
  }
  return 0;
}
