// Fuzz target: the input is a hive file, then any transaction logs of it, each after the
// marker kLogMarker. tolvane-list recovers the hive from them in memory and reads it through
// the hive back end (either code page, the window's order or --current for the save format;
// Select's control set or every one for the views, one view picked by the input; each of the
// five formats) into the in-memory files. Every input must be refused with one line a message
// or listed, never crash, hang or leak, and leave no key open; a recovered hive opens in
// libhivex. Where libhivex opens the hive, both readers must read every key, value and time of
// it alike.
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdio>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "common/unique_handle.h"
#include "hive/hive_image.h"
#include "hive/hive_registry_api.h"
#include "cli/list_command.h"
#include "fake_file_api.h"
#include "hive_oracle.h"

namespace {

// Stops the run where a sanitizer would not: a broken invariant is a finding too.
void Check(bool holds) {
  if (!holds) __builtin_trap();
}

constexpr std::string_view kLogMarker = "\n=LOG=\n";

std::uint32_t Get32(std::string_view bytes, std::size_t at) {
  return static_cast<std::uint8_t>(bytes[at]) | static_cast<std::uint8_t>(bytes[at + 1]) << 8 |
         static_cast<std::uint8_t>(bytes[at + 2]) << 16 |
         std::uint32_t{static_cast<std::uint8_t>(bytes[at + 3])} << 24;
}

void Put32(std::string& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
}

// Mutations rarely leave a checksum or a hash whole: where the options byte asks, each base
// block's checksum and each log entry's hashes are made to hold again, so that the checks
// behind them are reached.
void Reseal(std::string& bytes) {
  if (bytes.size() >= 512 && bytes.starts_with("regf")) {
    Put32(bytes, 508, BaseBlockChecksum(bytes));
  }
  for (std::size_t at = 512; at + 40 <= bytes.size(); at += 512) {
    const std::uint32_t size = Get32(bytes, at + 4);
    if (bytes.compare(at, 4, "HvLE") != 0 || size < 40 || size > bytes.size() - at) continue;
    const std::uint64_t body =
        Marvin32(kLogEntryHashSeed, std::string_view(bytes).substr(at + 40, size - 40));
    Put32(bytes, at + 24, static_cast<std::uint32_t>(body));
    Put32(bytes, at + 28, static_cast<std::uint32_t>(body >> 32));
    const std::uint64_t head = Marvin32(kLogEntryHashSeed, std::string_view(bytes).substr(at, 32));
    Put32(bytes, at + 32, static_cast<std::uint32_t>(head));
    Put32(bytes, at + 36, static_cast<std::uint32_t>(head >> 32));
  }
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

// libhivex opens only a path: the image goes to a file in memory first. Returns whether
// libhivex opened it.
bool CompareWithHivex(std::string_view image) {
  const UniqueHandle<int, close, -1> file(memfd_create("hive", MFD_CLOEXEC));
  Check(file.get() >= 0 &&
        write(file.get(), image.data(), image.size()) == static_cast<ssize_t>(image.size()));
  const std::string path = "/proc/self/fd/" + std::to_string(file.get());
  hive_h* hivex = hivex_open(path.c_str(), 0);
  if (!hivex) return false;
  std::string difference;
  try {
    difference = hive_oracle::CompareWithHivex(image, hivex, false);
  } catch (const EHiveError&) {
    // Ours finds no bin or no root key where hivex reads one past its cell's end.
  }
  hivex_close(hivex);
  if (!difference.empty()) {
    const std::string line = "libhivex reads otherwise: " + difference + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
  }
  Check(difference.empty());
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::string primary;
  std::vector<HiveLog> logs;
  for (std::size_t at = 0, part = 0;; ++part) {
    const std::size_t end = input.find(kLogMarker, at);
    const std::string_view piece = input.substr(at, end == input.npos ? input.npos : end - at);
    if (part == 0) {
      primary = piece;
    } else {
      logs.push_back(HiveLog{"log" + std::to_string(part), std::string(piece)});
    }
    if (end == input.npos) break;
    at = end + kLogMarker.size();
  }
  // The last byte picks the run's options: the hive's own bytes rarely reach it.
  const std::uint8_t choice = size ? data[size - 1] : 0;
  if (choice & 4) {
    Reseal(primary);
    for (HiveLog& log : logs) Reseal(log.bytes);
  }
  const HiveImage image = RecoverHive(HiveMemory(primary), logs);
  const std::string said = RecoveryLine(image.recovery, "hive");
  Check(said.find('\n') == said.npos && said.empty() == !image.recovery.dirty);
  Check(image.recovery.refused.size() + image.recovery.logsUsed.size() <= logs.size());
  // A hive brought up to date opens in libhivex: logs that would leave it broken are refused.
  const bool hivexOpens = image.bytes.View().starts_with("regf") && CompareWithHivex(image.bytes);
  Check(hivexOpens || image.recovery.logsUsed.empty());
  ListOptions options;
  options.hives = {"hive"};
  options.codePage = choice & 1 ? kCodePageUtf8 : kCodePageWestern;
  options.current = (choice & 2) != 0;
  options.allControlSets = (choice & 8) != 0;
  options.view = &Views()[(choice >> 4) % Views().size()];
  try {
    HiveRegistryApi hive(image.bytes, "hive", options.codePage);
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
      if (format == ListFormat::kSave) {
        run.allControlSets = false;
        run.view = &Views().front();
      }
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
          Check(CsvLineEndsAreCrLf(out) &&
                out.starts_with(std::string(run.view->fields.front()) + ","));
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
