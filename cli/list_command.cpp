#include "cli/list_command.h"

#include <optional>
#include <set>
#include <vector>

#include "cli/known_vulnerable.h"
#include "common/message_text.h"
#include "hive/hive_image.h"
#include "inventory/driver_record.h"
#include "inventory/driver_scan.h"
#include "inventory/hive_kind.h"
#include "inventory/timeline.h"
#include "inventory/view_diff.h"
#include "output/text_export.h"

namespace {

constexpr char kCurrentControlSet[] = "CurrentControlSet";

// A hive that holds nothing of the view asked for: what it is and what it serves, said whole.
class ENotServed : public Exception {
 public:
  using Exception::Exception;
};

std::string UsageLine(const EUsageError& e) {
  return std::string(kListProgram) + ": " + e.Message() +
         " (tolvane-list --help lists the options)";
}

ListFormat ParseFormat(std::string_view name) {
  if (name == "text") return ListFormat::kText;
  if (name == "csv") return ListFormat::kCsv;
  if (name == "json") return ListFormat::kJson;
  if (name == "jsonl") return ListFormat::kJsonLines;
  if (name == "save") return ListFormat::kSave;
  throw EUsageError("unknown format " + QuotedName(name) + " (text, csv, json, jsonl or save)");
}

const ViewSchema& ParseView(std::string_view name) {
  if (const ViewSchema* view = FindView(name)) return *view;
  std::string names;
  const auto views = Views();
  for (std::size_t i = 0; i < views.size(); ++i) {
    if (i) names += i + 1 == views.size() ? " or " : ", ";
    names += views[i].name;
  }
  throw EUsageError("unknown view " + QuotedName(name) + " (" + names + ")");
}

// A decimal number from 1 to most, or nothing.
std::optional<unsigned> ParseNumber(std::string_view text, unsigned most) {
  unsigned number = 0;
  if (text.empty() || text.size() > 5) return std::nullopt;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    number = number * 10 + static_cast<unsigned>(c - '0');
  }
  if (number == 0 || number > most) return std::nullopt;
  return number;
}

unsigned ParseCodePage(std::string_view text) {
  const auto number = ParseNumber(text, 65535);
  if (!number || !IsSupportedCodePage(*number)) {
    throw EUsageError("unsupported code page " + QuotedName(text) + " (1252 or 65001)");
  }
  return *number;
}

unsigned ParseControlSet(std::string_view text) {
  const auto number = ParseNumber(text, 999);
  if (!number) throw EUsageError("no control set " + QuotedName(text) + " (a number, 1 to 999)");
  return *number;
}

// The number of n digits at text[at], or nothing.
std::optional<unsigned> Digits(std::string_view text, std::size_t at, std::size_t n) {
  if (at + n > text.size()) return std::nullopt;
  unsigned number = 0;
  for (const char c : text.substr(at, n)) {
    if (c < '0' || c > '9') return std::nullopt;
    number = number * 10 + static_cast<unsigned>(c - '0');
  }
  return number;
}

bool ValidTime(std::string_view text, bool end, std::string& time) {
  const auto year = Digits(text, 0, 4), month = Digits(text, 5, 2), day = Digits(text, 8, 2);
  if (!year || !month || !day || text[4] != '-' || text[7] != '-') return false;
  const bool leap = *year % 4 == 0 && (*year % 100 != 0 || *year % 400 == 0);
  constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (*month < 1 || *month > 12 || *day < 1 ||
      *day > kDays[*month - 1] + (*month == 2 && leap ? 1 : 0)) {
    return false;
  }
  std::string_view clock = text.substr(10);
  if (clock.ends_with('Z')) clock.remove_suffix(1);
  std::string second = end ? "23:59:59" : "00:00:00";
  if (!clock.empty()) {
    const auto hour = Digits(clock, 1, 2), minute = Digits(clock, 4, 2);
    const bool seconds = clock.size() == 9;
    if ((clock[0] != 'T' && clock[0] != ' ') || !hour || !minute || clock[3] != ':' || *hour > 23 ||
        *minute > 59 || (clock.size() != 6 && !seconds) ||
        (seconds && (clock[6] != ':' || !Digits(clock, 7, 2) || clock.substr(7) > "59"))) {
      return false;
    }
    second = std::string(clock.substr(1, 5)) + (seconds ? std::string(clock.substr(6))
                                                : end   ? ":59"
                                                        : ":00");
  }
  time = std::string(text.substr(0, 10)) + "T" + second + "Z";
  return true;
}

// Text filled into lines of at most 79 columns, each after indent spaces, LF-ended.
std::string Wrap(std::string_view text, std::size_t indent) {
  constexpr std::size_t kWidth = 79;
  std::string wrapped, line(indent, ' ');
  while (!text.empty()) {
    const std::size_t space = text.find(' ');
    const std::string_view word = text.substr(0, space);
    text = space == text.npos ? std::string_view() : text.substr(space + 1);
    if (line.size() > indent && line.size() + 1 + word.size() > kWidth) {
      wrapped += line + "\n";
      line.assign(indent, ' ');
    }
    if (line.size() > indent) line += ' ';
    line += word;
  }
  return wrapped + line + "\n";
}

// The names of items, joined by ", ".
template <typename Items, typename Name>
std::string Joined(const Items& items, Name name) {
  std::string joined;
  for (const auto& item : items) {
    if (!joined.empty()) joined += ", ";
    joined += name(item);
  }
  return joined;
}

// The long name of a short option, or the argument itself.
std::string_view LongName(std::string_view arg) {
  if (arg == "-h") return "--help";
  if (arg == "-V") return "--version";
  if (arg == "-f") return "--format";
  if (arg == "-o") return "--output";
  return arg;
}

std::string SaveClassKeyPath(unsigned controlSet) {
  return "\\SYSTEM\\" + ControlSetName(controlSet) + "\\Control\\Class\\";
}

// The window's Save bytes of one registry. Returns the error's message, if any.
std::optional<std::string> RunSave(const ListOptions& options, RegistryApi& registry,
                                   FileApi& output) {
  RowStore rows;
  std::optional<std::string> error;
  try {
    std::vector<std::string> paths;
    if (options.controlSet) {
      paths.push_back(SaveClassKeyPath(options.controlSet));
    } else if (options.current) {
      paths.push_back(SaveClassKeyPath(CurrentControlSet(registry)));
    } else {
      paths.assign(kWindowClassKeyPaths.begin(), kWindowClassKeyPaths.end());
    }
    const std::vector<std::string_view> views(paths.begin(), paths.end());
    if (ScanDriverClasses(registry, rows, views).empty()) {
      error = options.controlSet || options.current
                  ? "the current control set has no Class key"
                  : "no Class key in ControlSet002, ControlSet003 or ControlSet001";
    }
  } catch (const Exception& e) {
    error = e.Message();
  }
  IoResult ioResult;
  try {
    SaveRows(output, rows, std::string(kListOutputName), ioResult);
  } catch (const EStringListError&) {
    // The row a scan error cut short before its version: Save stops at it too.
    if (!error) throw;
  }
  return error;
}

// What --diff and --since/--until allow with them.
void CheckDiffAndTimes(const ListOptions& options) {
  const bool times = !options.times.since.empty() || !options.times.until.empty();
  if (times && options.format == ListFormat::kSave) {
    throw EUsageError("the save format lists every record: --since and --until are not for it");
  }
  if (!options.times.since.empty() && !options.times.until.empty() &&
      options.times.since > options.times.until) {
    throw EUsageError("--since is after --until: no time is in between");
  }
  if (!options.diff) return;
  if (options.hives.size() != 2) {
    throw EUsageError("--diff OLD NEW compares two hives: give no other HIVE");
  }
  if (options.view && options.view->keys.empty()) {
    throw EUsageError("--diff compares rows by their key: the " + std::string(options.view->name) +
                      " has none");
  }
  if (options.format == ListFormat::kSave || options.allControlSets || times ||
      !options.saveRecovered.empty() || !options.knownVulnerable.empty()) {
    throw EUsageError(
        "--diff compares one control set of each hive in a view's rows: no save format, "
        "--all-control-sets, --since, --until, --save-recovered or --known-vulnerable");
  }
}

class ListRun {
 public:
  ListRun(const ListOptions& options, ListSource source, const ListHost& host)
      : options_(options), source_(source), host_(host) {}

  // Where a message about a hive's key begins: the hive's name, or the live registry's root.
  std::string KeyName(const std::string& hive, std::string_view keyPath) const {
    if (source_ == ListSource::kLiveRegistry) {
      return QuotedName("HKEY_LOCAL_MACHINE\\SYSTEM\\" + std::string(keyPath));
    }
    return QuotedName(hive) + ": " + QuotedName(keyPath);
  }

  std::string HivePrefix(const std::string& hive) const {
    return source_ == ListSource::kHiveFile ? QuotedName(hive) + ": " : std::string();
  }

  void Warn(const std::string& hive, const RecordWarning& warning) {
    if (!warning.note.empty()) {
      if (notes_.insert(warning.note).second) {
        host_.error(std::string(kListProgram) + ": warning: " + std::string(warning.note));
      }
      return;
    }
    std::string line = std::string(kListProgram) + ": warning: " + KeyName(hive, warning.keyPath);
    if (!warning.valueName.empty()) line += " value " + QuotedName(warning.valueName);
    host_.error(line + ": " + host_.errorText(warning.code));
  }

  void ReadHive(const std::string& hive, std::vector<ViewRow>& rows) {
    const RecordWarningFn warn = [&](const RecordWarning& w) { Warn(hive, w); };
    host_.withRegistry(hive, [&](RegistryApi& registry) {
      opened_ = true;
      const HiveKind* kind =
          source_ == ListSource::kLiveRegistry ? &SystemHiveKind() : FindHiveKind(registry);
      const ViewSchema& view = HiveView(hive, kind);
      if (view.read) {
        ReadView(registry, kind, hive, view, rows, warn, Streams(view) ? ready_ : RowsReady());
      } else {
        ReadTimeline(registry, kind, hive, rows, warn);
      }
    });
  }

  // Reads the view's rows of the hive's control sets, handing them to ready, where given, as
  // they are read.
  void ReadView(RegistryApi& registry, const HiveKind* kind, const std::string& hive,
                const ViewSchema& view, std::vector<ViewRow>& rows, const RecordWarningFn& warn,
                const RowsReady& ready = {}) {
    const auto read = [&](const std::string& setKey, const std::string& set) {
      view.read(registry, {hive, setKey, set, ready}, rows, warn);
      if (ready) ready(rows);
    };
    if (view.perHive) {
      const std::string set = NamingSet(registry, kind);
      read(set, set);
      return;
    }
    std::vector<std::string> sets;
    if (options_.allControlSets) {
      sets = ControlSets(registry);
      if (sets.empty()) throw ERecordsError("no control set (no ControlSetNNN key)", 0);
    } else if (options_.controlSet) {
      sets.push_back(ControlSetName(options_.controlSet));
    } else if (source_ == ListSource::kLiveRegistry) {
      // The live registry's CurrentControlSet is the set Windows booted with, whatever
      // Select says since; the records name it by Select's number where that reads.
      std::string name = kCurrentControlSet;
      try {
        name = ControlSetName(CurrentControlSet(registry));
      } catch (const Exception&) {
      }
      read(kCurrentControlSet, name);
      return;
    } else {
      sets.push_back(ControlSetName(CurrentControlSet(registry)));
    }
    for (const std::string& set : sets) {
      try {
        read(set, set);
      } catch (const ERecordsError& e) {
        // One control set without the key its view lists leaves the others to list.
        if (!options_.allControlSets || e.Code() != 0) throw;
        host_.error(std::string(kListProgram) + ": warning: " + HivePrefix(hive) + e.Message());
      }
    }
  }

  // The timeline of one hive: the rows of each view with times that its kind serves, read as
  // each is listed. A view whose key the hive lacks adds nothing; a hive that has none of them
  // is an error (the first view's).
  void ReadTimeline(RegistryApi& registry, const HiveKind* kind, const std::string& hive,
                    std::vector<ViewRow>& rows, const RecordWarningFn& warn) {
    TimelineScan scan;
    std::optional<ERecordsError> absent;
    bool found = false;
    for (const ViewSchema& view : Views()) {
      if (!view.read || view.times.empty() || (kind && !Serves(*kind, view))) continue;
      std::vector<ViewRow> read;
      try {
        ReadView(registry, kind, hive, view, read, warn);
        found = true;
      } catch (const ERecordsError& e) {
        if (e.Code() != 0) throw;
        if (!absent) absent = e;
      }
      scan.Add(view, std::move(read));
    }
    if (!found && absent) throw *absent;
    scan.Append(rows);
  }

  int Rows(FileApi& output) {
    std::optional<KnownVulnerableList> list;
    if (!options_.knownVulnerable.empty()) {
      try {
        list = ParseKnownVulnerable(host_.readFile(options_.knownVulnerable));
      } catch (const Exception& e) {
        host_.error(ListErrorLine("cannot use the known-vulnerable list " +
                                  QuotedName(options_.knownVulnerable) + ": " + e.Message()));
        return 2;
      }
    }
    std::vector<ViewRow> rows;
    // Rows are written as they are read where nothing after them can change them: in a view
    // without an order across hives, in a format that needs no widths, and where no later hive
    // can end the run with a usage error (one hive, or the view named).
    std::optional<ViewWriter> writer;
    std::size_t kept = 0;
    std::size_t marked = 0;
    std::optional<std::uint32_t> writeError;
    streaming_ = options_.format != ListFormat::kText &&
                 (options_.hives.size() == 1 || options_.view != nullptr);
    const RowsReady ready = [&](std::vector<ViewRow>& read) {
      const ViewSchema& view = RunView();
      KeepInOrder(view, read);
      if (list) marked += MarkKnownVulnerable(*list, view, read);
      kept += read.size();
      try {
        if (!writeError) {
          if (!writer) writer.emplace(output, options_.format, view);
          writer->Add(read);
        }
      } catch (const EWriteError& e) {
        writeError = e.Code();
        writer.reset();
      }
      read.clear();
    };
    ready_ = ready;
    int status = 0;
    for (const std::string& hive : options_.hives) {
      opened_ = false;
      if (const int read = ReadOrSay(hive, rows); read == 2) {
        return 2;
      } else if (read) {
        status = 1;
      }
    }
    ready_ = nullptr;
    const ViewSchema& view = RunView();
    if (writer || writeError) {
      ready(rows);  // what a hive's error cut short
      try {
        if (writer) writer->Close();
      } catch (const EWriteError& e) {
        writeError = e.Code();
      }
      if (writeError) {
        host_.error(WriteErrorLine(*writeError));
        status = 1;
      }
    } else {
      KeepInOrder(view, rows);
      if (list) marked = MarkKnownVulnerable(*list, view, rows);
      kept = rows.size();
      if (!Write(output, view, rows, options_.hives.size() > 1)) status = 1;
    }
    if (list) host_.error(KnownVulnerableLine(marked, kept));
    return status;
  }

  // The rows of each hive's control set, OLD's then NEW's, compared; nothing is written when
  // either cannot be read.
  int Diff(FileApi& output) {
    std::vector<ViewRow> rows[2];
    for (std::size_t i = 0; i < 2; ++i) {
      opened_ = false;
      if (const int read = ReadOrSay(options_.hives[i], rows[i])) return read;
    }
    const ViewDiff diff(RunView());
    return Write(output, diff.Schema(), diff.Compare(rows[0], rows[1]), false) ? 0 : 1;
  }

  // Reads a hive's rows, or says why not on standard error: 0 read, 1 not read, 2 not to be
  // read with the others (a usage error).
  int ReadOrSay(const std::string& hive, std::vector<ViewRow>& rows) {
    try {
      ReadHive(hive, rows);
      return 0;
    } catch (const EUsageError& e) {
      host_.error(UsageLine(e));
      return 2;
    } catch (const ENotServed& e) {
      host_.error(ListErrorLine(e.Message()));
    } catch (const ERecordsError& e) {
      const std::string words = e.Code() ? ": " + host_.errorText(e.Code()) : "";
      host_.error(ListErrorLine(HivePrefix(hive) + e.Message() + words));
    } catch (const EHiveError& e) {
      host_.error(ListErrorLine(e.Message()));  // it names its file
    } catch (const Exception& e) {
      host_.error(ListErrorLine(opened_ ? HivePrefix(hive) + e.Message() : e.Message()));
    }
    return 1;
  }

  // The view of the run: the one asked for, else the first hive's kind's own.
  const ViewSchema& RunView() const {
    return options_.view ? *options_.view : view_ ? *view_ : Views().front();
  }

  // The view's order across hives, then the rows with a time in --since and --until.
  void KeepInOrder(const ViewSchema& view, std::vector<ViewRow>& rows) const {
    if (view.order) view.order(rows);
    const TimeRange& range = options_.times;
    if (range.since.empty() && range.until.empty()) return;
    std::erase_if(rows, [&](const ViewRow& row) { return !InTimeRange(view, row, range); });
  }

  bool Write(FileApi& output, const ViewSchema& view, const std::vector<ViewRow>& rows,
             bool severalHives) {
    try {
      WriteView(output, options_.format, view, rows, severalHives);
      return true;
    } catch (const EWriteError& e) {
      host_.error(WriteErrorLine(e.Code()));
      return false;
    }
  }

  int Save(FileApi& output) {
    for (const std::string& hive : options_.hives) {
      std::optional<std::string> error;
      opened_ = false;
      try {
        host_.withRegistry(hive, [&](RegistryApi& registry) {
          opened_ = true;
          error = RunSave(options_, registry, output);
        });
      } catch (const EInOutError& e) {
        host_.error(WriteErrorLine(static_cast<std::uint32_t>(e.ErrorCode())));
        return 1;
      } catch (const Exception& e) {
        error = e.Message();
      }
      if (error) {
        host_.error(ListErrorLine(*error));
        return 1;
      }
    }
    return 0;
  }

 private:
  // Whether the rows of a hive in this view are written as they are read.
  bool Streams(const ViewSchema& view) const { return streaming_ && !view.order; }

  std::string WriteErrorLine(std::uint32_t code) const {
    const std::string target =
        options_.outputPath.empty() ? "standard output" : QuotedName(options_.outputPath);
    return ListErrorLine("cannot write " + target + ": " + host_.errorText(code));
  }

  // The view a hive is listed in: the one asked for, where the hive's kind serves it; else its
  // kind's own, which must be every hive's. A hive of none of the kinds takes the run's view.
  const ViewSchema& HiveView(const std::string& hive, const HiveKind* kind) {
    if (options_.view) {
      if (kind && !Serves(*kind, *options_.view)) {
        throw ENotServed(NotServedText(*kind, hive, *options_.view));
      }
      return *options_.view;
    }
    const ViewSchema& view = kind ? OwnView(*kind) : view_ ? *view_ : Views().front();
    if (!view_) {
      view_ = &view;
      firstHive_ = hive;
    } else if (view_ != &view) {
      throw EUsageError("hives of different kinds need --view: " + QuotedName(firstHive_) +
                        " lists its " + std::string(view_->name) + ", " + QuotedName(hive) +
                        " its " + std::string(view.name));
    }
    return view;
  }

  // The control set a view read once a hive names its computer and classes from: the one
  // chosen, else the one Windows boots with; none where the hive is not a SYSTEM hive.
  std::string NamingSet(RegistryApi& registry, const HiveKind* kind) const {
    if (kind != &SystemHiveKind()) return std::string();
    if (options_.controlSet) return ControlSetName(options_.controlSet);
    if (source_ == ListSource::kLiveRegistry) return kCurrentControlSet;
    return ControlSetName(CurrentControlSet(registry));
  }

  std::string KnownVulnerableLine(std::size_t marked, std::size_t files) const {
    const std::string counted = std::to_string(files) + " driver files ";
    return std::string(kListProgram) + ": " +
           (marked ? std::to_string(marked) + " of " + counted + (marked == 1 ? "is" : "are")
                   : "none of the " + counted + "are") +
           " on the known-vulnerable list " + QuotedName(options_.knownVulnerable);
  }

  const ListOptions& options_;
  ListSource source_;
  const ListHost& host_;
  const ViewSchema* view_ = nullptr;  // chosen by the first hive's kind
  bool streaming_ = false;            // whether the run's rows may be written as they are read
  RowsReady ready_;                   // takes them then
  std::string firstHive_;
  bool opened_ = false;
  std::set<std::string_view> notes_;  // said once for the run
};

}  // namespace

std::string ParseListTime(std::string_view text, bool end) {
  std::string time;
  if (!ValidTime(text, end, time)) {
    throw EUsageError("no time " + QuotedName(text) +
                      " (an ISO 8601 date or date and time, UTC: 2024-05-14 or "
                      "2024-05-14T09:46:00)");
  }
  return time;
}

namespace {

// The view the options ask for, where they decide it.
void CheckViewChoice(ListOptions& options, ListSource source) {
  const ViewSchema* files = FindView("files");
  if (!options.knownVulnerable.empty()) {
    if (options.view && options.view != files) {
      throw EUsageError("--known-vulnerable checks driver files: --view " +
                        std::string(options.view->name) + " is not for it");
    }
    options.view = files;
  }
  const bool live = source == ListSource::kLiveRegistry ||
                    (source == ListSource::kHiveFileOrLive && options.hives.empty());
  if (live && options.view == files) {
    throw EUsageError(
        "--view files lists the driver files of an Amcache hive file, which the live registry "
        "does not hold: name one (Windows\\AppCompat\\Programs\\Amcache.hve)");
  }
}

}  // namespace

ListOptions ParseListOptions(int argc, const char* const* argv, ListSource source) {
  ListOptions options;
  const bool hive = source != ListSource::kLiveRegistry;
  bool optionsEnded = false;
  for (int i = 0; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (optionsEnded || arg == "-" || !arg.starts_with("-")) {
      if (!hive) throw EUsageError("unexpected argument " + QuotedName(arg));
      options.hives.emplace_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    std::optional<std::string_view> value;
    if (const auto equals = arg.find('='); arg.starts_with("--") && equals != arg.npos) {
      value = arg.substr(equals + 1);
      arg = arg.substr(0, equals);
    } else if (!arg.starts_with("--") && arg.size() > 2 &&
               (arg.starts_with("-f") || arg.starts_with("-o"))) {
      value = arg.substr(2);
      arg = arg.substr(0, 2);
    }
    arg = LongName(arg);
    const bool takesValue =
        arg == "--format" || arg == "--output" || arg == "--control-set" || arg == "--view" ||
        arg == "--since" || arg == "--until" ||
        (hive && (arg == "--hive" || arg == "--codepage" || arg == "--log" ||
                  arg == "--save-recovered" || arg == "--diff" || arg == "--known-vulnerable"));
    const bool flag = arg == "--current" || arg == "--all-control-sets" || arg == "--help" ||
                      arg == "--version" || (hive && arg == "--no-logs");
    if (!takesValue && !flag) throw EUsageError("unknown option " + QuotedName(arg));
    if (takesValue && !value) {
      if (i + 1 == argc) throw EUsageError(std::string(arg) + " needs a value");
      value = argv[++i];
    } else if (flag && value) {
      throw EUsageError(std::string(arg) + " takes no value");
    }
    if (arg == "--diff") {
      if (i + 1 == argc) throw EUsageError("--diff needs two hives, OLD and NEW");
      options.diff = true;
      options.hives.emplace_back(*value);
      options.hives.emplace_back(argv[++i]);
    } else if (arg == "--since") {
      options.times.since = ParseListTime(*value, false);
    } else if (arg == "--until") {
      options.times.until = ParseListTime(*value, true);
    } else if (arg == "--format") {
      options.format = ParseFormat(*value);
    } else if (arg == "--view") {
      options.view = &ParseView(*value);
    } else if (arg == "--known-vulnerable") {
      if (value->empty()) throw EUsageError("--known-vulnerable needs a file name");
      options.knownVulnerable = *value;
    } else if (arg == "--output") {
      if (value->empty()) throw EUsageError("--output needs a file name");
      options.outputPath = *value;
    } else if (arg == "--control-set") {
      options.controlSet = ParseControlSet(*value);
    } else if (arg == "--hive") {
      options.hives.emplace_back(*value);
    } else if (arg == "--codepage") {
      options.codePage = ParseCodePage(*value);
    } else if (arg == "--log") {
      options.logPaths.emplace_back(*value);
    } else if (arg == "--no-logs") {
      options.noLogs = true;
    } else if (arg == "--save-recovered") {
      if (value->empty()) throw EUsageError("--save-recovered needs a file name");
      options.saveRecovered = *value;
    } else if (arg == "--current") {
      options.current = true;
    } else if (arg == "--all-control-sets") {
      options.allControlSets = true;
    } else if (arg == "--help") {
      options.help = true;
    } else {
      options.version = true;
    }
  }
  if (options.help || options.version) return options;
  CheckViewChoice(options, source);
  if (options.allControlSets && (options.controlSet || options.current)) {
    throw EUsageError("--all-control-sets lists every control set: it takes no other choice");
  }
  if (options.controlSet && options.current) {
    throw EUsageError("--current and --control-set each choose the control set: give one");
  }
  if (options.allControlSets && options.format == ListFormat::kSave) {
    throw EUsageError("the save format lists one control set: --all-control-sets is not for it");
  }
  if (options.format == ListFormat::kSave && options.view && options.view != &Views().front()) {
    throw EUsageError("the save format writes the records alone: --view " +
                      std::string(options.view->name) + " is not for it");
  }
  if (options.noLogs && !options.logPaths.empty()) {
    throw EUsageError("--log and --no-logs exclude each other");
  }
  if (source == ListSource::kHiveFile && options.hives.empty()) {
    throw EUsageError("a HIVE is needed: the records are read from SYSTEM hive files");
  }
  CheckDiffAndTimes(options);
  if (!options.saveRecovered.empty() &&
      (options.hives.size() != 1 || !options.outputPath.empty())) {
    throw EUsageError(
        "--save-recovered OUT writes one HIVE and lists nothing: give one HIVE, no -o");
  }
  if (!hive) options.hives.emplace_back(kLiveRegistryName);
  return options;
}

namespace {

std::string TimelineAndDiffHelp(bool hive) {
  std::string help = "\n" + Wrap(
                                "The timeline has a row for each time the views above hold, of "
                                "every hive listed (the views its kind serves): its datetime, its "
                                "timestamp_desc (the texts "
                                "above), a message naming the thing, its driver and what happened, "
                                "the view, where the row was read and its item (the view's key). "
                                "Timesketch imports its CSV or JSON Lines as written (they carry "
                                "message, datetime and timestamp_desc), as do the log engines.",
                                0);
  if (hive) {
    help +=
        "\n" + Wrap(
                   "--diff pairs the rows of OLD and NEW, two hives of one kind, in the view "
                   "asked for (else their kind's own) by the view's key (above), without "
                   "regard to case, each hive read in the control set it boots with or "
                   "--control-set names, and lists each row added, removed or changed, in the "
                   "order of the keys: change, the key, changed_fields (the fields that differ, "
                   "';'-joined), the view's other fields as NEW has them (OLD, for a removed "
                   "row), then old_FIELD for every field, filled where it changed. Where a row "
                   "was read (hive, control_set, key_path) is not compared. The text table "
                   "shows the change, the key, the changed fields and the description.",
                   0);
  }
  return help;
}

}  // namespace

std::string ListHelp(ListSource source) {
  const bool hive = source != ListSource::kLiveRegistry;
  const bool orLive = source == ListSource::kHiveFileOrLive;
  std::string help = "Usage: tolvane-list [OPTION]...";
  help += orLive ? " [HIVE]...\n" : hive ? " HIVE...\n" : "\n";
  help += hive ? "List the drivers of Windows registry hive files, one view at a time\n"
                 "(--view), of the control set Windows boots with (the one SYSTEM\\Select\n"
                 "\"Current\" names), each row with its key, control set and the time its key\n"
               : "List the drivers of this Windows installation, one view at a time (--view),\n"
                 "of the control set Windows booted with (CurrentControlSet), each row with\n"
                 "its key, control set and the time its key\n";
  help +=
      "was last written. Read-only. Texts are written as UTF-8, taken from the\n"
      "registry's UTF-16 with no code page in between.\n\n";
  if (hive) {
    help +=
        "A HIVE is a SYSTEM hive file (a reg save copy, or Windows\\System32\\config\\SYSTEM\n"
        "of a Windows disk), the DRIVERS hive beside it (the driver store), or an\n"
        "Amcache hive (Windows\\AppCompat\\Programs\\Amcache.hve: the driver files\n"
        "Windows saw); - reads one from standard input. A hive is known by what it\n"
        "holds and, without --view, lists its own kind's view: a SYSTEM hive its\n"
        "records, a DRIVERS hive its packages, an Amcache hive its files; hives of\n"
        "different kinds in one run need --view. A dirty hive (one Windows had not\n"
        "finished writing: its two sequence numbers differ) is brought up to date in\n"
        "memory from its transaction logs, as Windows does when it loads it (the log\n"
        "formats of Windows XP to 8 and of 8.1 and later); one line on standard error\n"
        "says so. Hives and logs are read once, whole, and never changed. A damaged\n"
        "hive (parts of it overwritten or cut off) is read as far as its intact parts\n"
        "go: one warning line says how much of it lies outside a valid bin, and a key\n"
        "or value that cannot be read gives its own warning. A hive whose lists lead\n"
        "to the same keys over and over is given up with one line.\n\n";
  }
  if (orLive) {
    help += "Without a HIVE, the live registry of this Windows installation is listed.\n\n";
  }
  help +=
      "Options:\n"
      "      --view=VIEW         what to list: one of the views below (without it,\n"
      "                          the records, or a hive's own kind's view)\n"
      "  -f, --format=FORMAT     text: an aligned table, one row a line (the\n"
      "                          default); csv: every field, a header, RFC 4180, CR LF;\n"
      "                          json: one array of objects; jsonl: one object a line;\n"
      "                          save: the bytes the window's File, Save writes (the\n"
      "                          records only)\n"
      "  -o, --output=FILE       write to FILE (created, or emptied) instead of\n"
      "                          standard output\n";
  if (hive) {
    help += "      --hive=HIVE         list HIVE too; may be given more than once\n";
  }
  help +=
      "      --since=TIME        keep the rows with a time at or after TIME (the\n"
      "                          timeline: whose datetime is), an ISO 8601 date or date\n"
      "                          and time in UTC: 2024-05-14, 2024-05-14T09:46:00\n"
      "      --until=TIME        keep the rows with a time at or before TIME (a date:\n"
      "                          to its end)\n"
      "      --control-set=N     list ControlSetNNN (N from 1 to 999) instead\n"
      "      --all-control-sets  list every ControlSetNNN in turn\n"
      "      --current           save format: the control set Select names, instead of\n"
      "                          the window's order, which is\n"
      "                          ControlSet002, ControlSet003, ControlSet001\n";
  if (hive) {
    help +=
        "      --codepage=N        save format: the ANSI code page texts are converted\n"
        "                          to, 1252 (Western, the default) or 65001 (UTF-8)\n"
        "      --log=FILE          a transaction log of the hive (may be given more than\n"
        "                          once); without it, the files beside the hive named\n"
        "                          like it with .LOG1, .LOG2 or .LOG, in any case\n"
        "      --no-logs           read a dirty hive as it stands\n"
        "      --known-vulnerable=FILE\n"
        "                          mark the driver files (--view files) whose SHA-1 is\n"
        "                          on FILE, the LOLDrivers project's list of vulnerable\n"
        "                          and malicious drivers (drivers.json, or its CSV\n"
        "                          export, from https://www.loldrivers.io/); one line\n"
        "                          on standard error says how many are\n"
        "      --save-recovered=OUT\n"
        "                          write the one HIVE, brought up to date from its\n"
        "                          logs, to the new file OUT instead of listing it\n"
        "      --diff OLD NEW      list what changed in the view's rows from hive OLD\n"
        "                          to hive NEW (below); exit status 0 whether or not\n"
        "                          anything changed, unlike diff(1)\n";
  }
  help +=
      "  -h, --help              show this help and exit\n"
      "  -V, --version           show the version and exit\n"
      "  --                      end of options: what follows names hives\n\n"
      "Views, their fields as the CSV header and the JSON keys name them (every JSON\n"
      "value is a string), and the columns of their text table:\n";
  for (const ViewSchema& view : Views()) {
    help += "\n" + Wrap(std::string(view.name) + ": " + std::string(view.about) + ".", 2);
    help += Wrap("Fields: " + Joined(view.fields, [](std::string_view f) { return f; }) + ".", 4);
    help += Wrap(
        "Table: " + Joined(view.columns, [](const ViewColumn& c) { return c.caption; }) + ".", 4);
    if (!view.keys.empty()) {
      help += Wrap(
          "Key: " +
              Joined(view.keys,
                     [](const ViewKey& k) {
                       return std::string(k.field) +
                              (k.otherwise.empty() ? "" : ", else " + std::string(k.otherwise));
                     }) +
              ".",
          4);
    }
    if (!view.times.empty() && !view.times.front().desc.empty()) {
      help += Wrap("Times (timestamp_desc): " +
                       Joined(view.times,
                              [](const ViewTime& t) {
                                return std::string(t.field) + " \"" + std::string(t.desc) + "\"";
                              }) +
                       ".",
                   4);
    }
  }
  help += "\n";
  help += Wrap(
      "Times (last_written and the device times) are UTC, ISO 8601, e.g. "
      "2018-03-27T12:11:44Z; driver_date_iso is YYYY-MM-DD, from DriverDateData or "
      "DriverDate.",
      0);
  help += "\n";
  help += Wrap(
      "Device times are the properties of the set {83da6326-97a6-4088-9453-a1923f573b29} "
      "under the instance's Properties key, by Windows' own names: install_date is 0064, "
      "DEVPKEY_Device_InstallDate (the last install: rewritten when the driver is updated); "
      "first_install_date is 0065, DEVPKEY_Device_FirstInstallDate; last_arrival_date is "
      "0066, DEVPKEY_Device_LastArrivalDate; last_removal_date is 0067, "
      "DEVPKEY_Device_LastRemovalDate. Both stored forms are read: Windows 8 and later's "
      "typed default value, Windows 7's 00000000 subkey.",
      0);
  if (!hive) {
    help += Wrap(
        "Only the system account may open the Properties keys: run otherwise, the four "
        "times are empty and one line on standard error says so.",
        0);
  }
  help += "\n";
  help += Wrap(
      "A device's driver is the driver of the record its driver_key (Driver) names; "
      "disabled is yes where config_flags has bit 0x1. A service's devices counts the "
      "device instances of its control set naming it, in any case. Its file_path is where "
      "its file is: \\SystemRoot\\X and a relative X become %SystemRoot%\\X, \\??\\C:\\X "
      "becomes C:\\X, and with no ImagePath it is the file Windows loads, "
      "%SystemRoot%\\System32\\drivers\\NAME.sys. Start, type and error_control are "
      "written in words, a number without a name in decimal.",
      0);
  help += "\n";
  help += Wrap(
      "Display strings (description, friendly_name, manufacturer, display_name) are the "
      "text Windows falls back on for an indirect one: what follows the first ';' of "
      "\"@oem12.inf,%devicedesc%;Intel(R) Ethernet\", with %1, %2, ... filled from a "
      "final \";(a,b,...)\". The field named with _raw after it holds the value as stored.",
      0);
  help += "\n";
  help +=
      Wrap(hive ? "A driver file's sha1 is the one Windows recorded when it saw the file, not a "
                  "hash of the file as it is on the disk now; --known-vulnerable goes by that "
                  "SHA-1 alone, never by a file name (the list names malicious look-alikes of "
                  "Windows' own files by their names)."
                : "A driver file's sha1 is the one Windows recorded when it saw the file, not a "
                  "hash of the file as it is on the disk now; the files are listed from an "
                  "Amcache hive file, which the live registry does not hold.",
           0);
  help += TimelineAndDiffHelp(hive);
  help +=
      "\n"
      "Values: REG_SZ and REG_EXPAND_SZ (unexpanded) as text up to the first NUL,\n"
      "REG_MULTI_SZ as its strings joined by ';', REG_DWORD and REG_QWORD in decimal,\n"
      "any other type in lowercase hex. A value or key that cannot be read leaves its\n"
      "field empty and gives a warning on standard error; the listing goes on.\n\n"
      "Exit status:\n"
      "  0  listed\n"
      "  1  a hive could not be read (the others are still listed), the output could\n"
      "     not be written, or the save format met an error\n"
      "  2  a bad command line, or a --known-vulnerable list that cannot be read\n";
  return help;
}

std::string ListVersionText() {
  return std::string(kListProgram) + " (Tolvane) " + std::string(kListVersion) +
         "\n" TOLVANE_COPYRIGHT
         "\n"
         "License MIT: <https://opensource.org/licenses/MIT>.\n";
}

std::optional<ListReply> ReplyWithoutList(int argc, const char* const* argv, ListSource source,
                                          ListOptions& options) {
  try {
    options = ParseListOptions(argc, argv, source);
  } catch (const EUsageError& e) {
    return ListReply{2, true, UsageLine(e) + "\n"};
  }
  if (options.help) return ListReply{0, false, ListHelp(source)};
  if (options.version) return ListReply{0, false, ListVersionText()};
  return std::nullopt;
}

std::string ListErrorLine(std::string_view message) {
  return std::string(kListProgram) + ": " + ErrorBoxText(message);
}

int RunList(const ListOptions& options, ListSource source, FileApi& output, const ListHost& host) {
  ListRun run(options, source, host);
  if (options.format == ListFormat::kSave) return run.Save(output);
  return options.diff ? run.Diff(output) : run.Rows(output);
}
