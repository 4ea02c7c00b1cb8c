// tolvane-list, the window's driver list for scripts: its options, its help, and one run of
// the scan written to an output file seam (text as Save writes it, CSV or JSON). The
// entry points (win32_list_main.cpp over the live registry, hive_main.cpp over a hive file)
// only supply the seams and the process's streams.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/code_page.h"
#include "common/exception.h"
#include "inventory/registry_api.h"
#include "output/file_api.h"

inline constexpr std::string_view kListProgram = "tolvane-list";
inline constexpr std::string_view kListVersion = "1.07 beta";
// The name the output seam is opened with: the entry points' seams take standard output.
inline constexpr std::string_view kListOutputName = "-";

enum class ListFormat { kText, kCsv, kJson };
// Where the build reads the records: only a hive reader takes a file and a code page.
enum class ListSource { kLiveRegistry, kHiveFile };

struct ListOptions {
  ListFormat format = ListFormat::kText;
  bool current = false;
  bool help = false;
  bool version = false;
  std::string hivePath;
  unsigned codePage = kCodePageWestern;
  // A dirty hive's transaction logs: those named, else those beside it; none with noLogs.
  std::vector<std::string> logPaths;
  bool noLogs = false;
  // Where the recovered hive is written instead of listing it.
  std::string saveRecovered;
};

// A command line that cannot be run: one line saying why.
class EUsageError : public Exception {
 public:
  using Exception::Exception;
};

// The arguments after the program's name. Raises EUsageError.
ListOptions ParseListOptions(int argc, const char* const* argv, ListSource source);

// Lines ended by LF.
std::string ListHelp(ListSource source);

// What the command line alone answers: a usage error (status 2, for standard error), the help or
// the version (status 0, for standard output). Lines ended by LF.
struct ListReply {
  int status;
  bool toError;
  std::string text;
};

// Parses the arguments after the program's name into options. Returns the reply when the command
// line is answered without a scan, nothing when the list is to be run.
std::optional<ListReply> ReplyWithoutList(int argc, const char* const* argv, ListSource source,
                                          ListOptions& options);

// The ANSI code page's bytes to UTF-8, for JSON.
using AnsiToUtf8Fn = std::function<std::string(std::string_view)>;

// Scans the registry behind the seam and writes the rows to the output seam. Returns 0, or 1 with
// errorLine set to what standard error gets: the program's name and the message the window's error
// box would show.
int RunList(const ListOptions& options, RegistryApi& registry, FileApi& output,
            const AnsiToUtf8Fn& toUtf8, std::string& errorLine);

// "tolvane-list: " and the message with the error box's period rule.
std::string ListErrorLine(std::string_view message);
