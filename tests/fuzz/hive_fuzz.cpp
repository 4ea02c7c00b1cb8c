// Fuzz target: the input is a hive file. tolvane-list reads it through the hive back end
// (either code page, the window's order or --current for the save format; Select's control
// set or every one for the records; each of the five formats) into the in-memory files.
// Every input must be refused with one line a message or listed, never crash, hang or leak,
// and leave no key open.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <functional>
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

// Lines end LF and hold no CR: JSON escapes every control character, the text table too.
bool LineEndsAreLf(const std::string& text) {
  return text.find('\r') == text.npos && (text.empty() || text.ends_with("\n"));
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
  options.hives = {InputPath()};
  options.codePage = choice & 1 ? kCodePageUtf8 : kCodePageWestern;
  options.current = (choice & 2) != 0;
  options.allControlSets = (choice & 4) != 0;
  try {
    HiveRegistryApi hive(InputPath(), options.codePage);
    std::string errors;
    const ListHost host{
        [&](const std::string&, const std::function<void(RegistryApi&)>& use) { use(hive); },
        [&](const std::string& line) {
          Check(line.starts_with("tolvane-list: ") && line.find('\n') == line.npos);
          errors += line;
        },
        [](long code) { return "code " + std::to_string(code); }};
    for (const ListFormat format : {ListFormat::kSave, ListFormat::kText, ListFormat::kCsv,
                                    ListFormat::kJson, ListFormat::kJsonLines}) {
      options.format = format;
      ListOptions run = options;
      if (format == ListFormat::kSave) run.allControlSets = false;
      if (format != ListFormat::kSave) run.current = false;
      FakeFileApi files;
      errors.clear();
      const int status = RunList(run, ListSource::kHiveFile, files, host);
      Check(status == 0 || status == 1);
      Check(status == 0 || !errors.empty());
      Check(hive.OpenHandles() == 0);
      Check(files.OpenHandles() == 0);
      const std::string& out = files.Contents(std::string(kListOutputName));
      switch (format) {
        case ListFormat::kSave:
          Check(out.empty() || out.ends_with("\r\n"));
          Check(status == 1 || errors.empty());
          break;
        case ListFormat::kText:
        case ListFormat::kJsonLines:
          Check(LineEndsAreLf(out));
          break;
        case ListFormat::kCsv:
          Check(CsvLineEndsAreCrLf(out) && out.starts_with("hive,computer_name,control_set,"));
          break;
        case ListFormat::kJson:
          Check(LineEndsAreLf(out) && out.starts_with("[") && out.ends_with("]\n"));
          break;
      }
    }
  } catch (const EHiveError& e) {
    Check(!e.Message().empty() && e.Message().find('\n') == std::string::npos);
  }
  return 0;
}
