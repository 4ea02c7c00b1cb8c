// tolvane-list, the driver inventory for scripts and investigators: its options, its help,
// and one run over one or more registries written to an output file seam, either as the
// inventory's records (text, CSV, JSON, JSON Lines) or as the window's File, Save writes its
// rows. The entry points (win32_list_main.cpp over the live registry, hive_main.cpp over hive
// files) only supply the seams and the process's streams.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/code_page.h"
#include "cli/list_formats.h"
#include "common/exception.h"
#include "common/version.h"
#include "inventory/registry_api.h"
#include "inventory/view.h"
#include "output/file_api.h"

inline constexpr std::string_view kListProgram = "tolvane-list";
inline constexpr std::string_view kListVersion = TOLVANE_VERSION_WORD;
// The name the output seam is opened with: the entry points' seams take standard output.
inline constexpr std::string_view kListOutputName = "-";
// What a record of the live registry names as its hive.
inline constexpr std::string_view kLiveRegistryName = "HKLM";

// Where the build reads the records: only a hive reader takes files and a code page. On
// Windows either: the hive files named, else the live registry (the options then name no
// hive: the entry point lists kLiveRegistryName as kLiveRegistry).
enum class ListSource { kLiveRegistry, kHiveFile, kHiveFileOrLive };

struct ListOptions {
  ListFormat format = ListFormat::kText;
  const ViewSchema* view = nullptr;  // null: each hive's kind chooses
  bool current = false;              // save: the control set Select names
  unsigned controlSet = 0;           // 0: the one Select names (save: the window's order)
  bool allControlSets = false;
  bool help = false;
  bool version = false;
  std::vector<std::string> hives;  // as given; "-" is standard input
  std::string outputPath;          // empty: standard output
  unsigned codePage = kCodePageWestern;
  // A dirty hive's transaction logs: those named, else those beside it; none with noLogs.
  std::vector<std::string> logPaths;
  bool noLogs = false;
  // Where the recovered hive is written instead of listing it.
  std::string saveRecovered;
  // The list of known-vulnerable drivers the driver files are checked against.
  std::string knownVulnerable;
  // The rows kept: those with a time in the range (none: every row).
  TimeRange times;
  // The two hives (OLD, NEW) compared instead of listed.
  bool diff = false;
};

// A command line that cannot be run: one line saying why.
class EUsageError : public Exception {
 public:
  using Exception::Exception;
};

// The arguments after the program's name. Raises EUsageError.
ListOptions ParseListOptions(int argc, const char* const* argv, ListSource source);

// A time of --since (the start of what it names) or --until (its end): an ISO 8601 date, or date
// and time to the minute or second, UTC, as "YYYY-MM-DDTHH:MM:SSZ". Raises EUsageError.
std::string ParseListTime(std::string_view text, bool end);

// Lines ended by LF.
std::string ListHelp(ListSource source);
// The first line "tolvane-list (Tolvane) " and the version with '-' for its space, then the
// copyright and licence lines. Lines ended by LF.
std::string ListVersionText();

// What the command line alone answers: a usage error (status 2, for standard error), the help or
// the version (status 0, for standard output). Lines ended by LF.
struct ListReply {
  int status;
  bool toError;
  std::string text;
};

// Parses the arguments after the program's name into options. Returns the reply when the command
// line is answered without a listing, nothing when the list is to be run.
std::optional<ListReply> ReplyWithoutList(int argc, const char* const* argv, ListSource source,
                                          ListOptions& options);

// What a run takes from its entry point.
struct ListHost {
  // Opens the registry a hive names (the live registry: kLiveRegistryName) and hands it to use.
  // Raises Exception, its message whole, when the hive cannot be opened.
  std::function<void(const std::string& hive, const std::function<void(RegistryApi&)>& use)>
      withRegistry;
  // One line for standard error, without its line end.
  std::function<void(const std::string& line)> error;
  // The system's words for a Windows error code, without a final period.
  std::function<std::string(long code)> errorText;
  // The whole of a file. Raises Exception, saying why, when it cannot be read.
  std::function<std::string(const std::string& path)> readFile = {};
};

// Lists each hive of the options (the live registry: kLiveRegistryName) to the output seam.
// Warnings and errors go to the host's error stream, one line each. Returns 0, or 1 when a
// hive could not be read (the others are listed), the output could not be written, or the save
// format met an error.
int RunList(const ListOptions& options, ListSource source, FileApi& output, const ListHost& host);

// "tolvane-list: " and the message with the error box's period rule.
std::string ListErrorLine(std::string_view message);
