#include "cli/list_command.h"

#include <optional>
#include <set>
#include <vector>

#include "cli/known_vulnerable.h"
#include "common/message_text.h"
#include "inventory/driver_record.h"
#include "inventory/driver_scan.h"
#include "inventory/hive_kind.h"
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
    std::vector<std::string> sets;
    host_.withRegistry(hive, [&](RegistryApi& registry) {
      opened_ = true;
      const HiveKind* kind =
          source_ == ListSource::kLiveRegistry ? &SystemHiveKind() : FindHiveKind(registry);
      const ViewSchema& view = HiveView(hive, kind);
      if (view.perHive) {
        const std::string set = NamingSet(registry, kind);
        view.read(registry, {hive, set, set}, rows, warn);
        return;
      }
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
        view.read(registry, {hive, kCurrentControlSet, name}, rows, warn);
        return;
      } else {
        sets.push_back(ControlSetName(CurrentControlSet(registry)));
      }
      for (const std::string& set : sets) {
        try {
          view.read(registry, {hive, set, set}, rows, warn);
        } catch (const ERecordsError& e) {
          // One control set without the key its view lists leaves the others to list.
          if (!options_.allControlSets || e.Code() != 0) throw;
          host_.error(std::string(kListProgram) + ": warning: " + HivePrefix(hive) + e.Message());
        }
      }
    });
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
    int status = 0;
    for (const std::string& hive : options_.hives) {
      opened_ = false;
      try {
        ReadHive(hive, rows);
      } catch (const EUsageError& e) {
        host_.error(UsageLine(e));
        return 2;
      } catch (const ENotServed& e) {
        host_.error(ListErrorLine(e.Message()));
        status = 1;
      } catch (const ERecordsError& e) {
        const std::string words = e.Code() ? ": " + host_.errorText(e.Code()) : "";
        host_.error(ListErrorLine(HivePrefix(hive) + e.Message() + words));
        status = 1;
      } catch (const Exception& e) {
        host_.error(ListErrorLine(opened_ ? HivePrefix(hive) + e.Message() : e.Message()));
        status = 1;
      }
    }
    const ViewSchema& view = options_.view ? *options_.view : view_ ? *view_ : Views().front();
    const std::size_t marked = list ? MarkKnownVulnerable(*list, view, rows) : 0;
    try {
      WriteView(output, options_.format, view, rows, options_.hives.size() > 1);
    } catch (const EWriteError& e) {
      host_.error(WriteErrorLine(e.Code()));
      status = 1;
    }
    if (list) host_.error(KnownVulnerableLine(marked, rows.size()));
    return status;
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
  std::string firstHive_;
  bool opened_ = false;
  std::set<std::string_view> notes_;  // said once for the run
};

}  // namespace

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
  if (source == ListSource::kLiveRegistry && options.view == files) {
    throw EUsageError(
        "--view files lists an Amcache hive file's driver files, and this build cannot open "
        "hive files yet");
  }
}

}  // namespace

ListOptions ParseListOptions(int argc, const char* const* argv, ListSource source) {
  ListOptions options;
  const bool hive = source == ListSource::kHiveFile;
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
    const bool takesValue = arg == "--format" || arg == "--output" || arg == "--control-set" ||
                            arg == "--view" ||
                            (hive && (arg == "--hive" || arg == "--codepage" || arg == "--log" ||
                                      arg == "--save-recovered" || arg == "--known-vulnerable"));
    const bool flag = arg == "--current" || arg == "--all-control-sets" || arg == "--help" ||
                      arg == "--version" || (hive && arg == "--no-logs");
    if (!takesValue && !flag) throw EUsageError("unknown option " + QuotedName(arg));
    if (takesValue && !value) {
      if (i + 1 == argc) throw EUsageError(std::string(arg) + " needs a value");
      value = argv[++i];
    } else if (flag && value) {
      throw EUsageError(std::string(arg) + " takes no value");
    }
    if (arg == "--format") {
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
  if (hive && options.hives.empty()) {
    throw EUsageError("a HIVE is needed: the records are read from SYSTEM hive files");
  }
  if (!options.saveRecovered.empty() &&
      (options.hives.size() != 1 || !options.outputPath.empty())) {
    throw EUsageError(
        "--save-recovered OUT writes one HIVE and lists nothing: give one HIVE, no -o");
  }
  if (!hive) options.hives.emplace_back(kLiveRegistryName);
  return options;
}

std::string ListHelp(ListSource source) {
  const bool hive = source == ListSource::kHiveFile;
  std::string help = "Usage: tolvane-list [OPTION]...";
  help += hive ? " HIVE...\n" : "\n";
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
        "says so. Hives and logs are read once, whole, and never changed.\n\n";
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
        "                          logs, to the new file OUT instead of listing it\n";
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
                  "Amcache hive file, which this build cannot open yet.",
           0);
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
  return options.format == ListFormat::kSave ? run.Save(output) : run.Rows(output);
}
