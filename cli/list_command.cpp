#include "cli/list_command.h"

#include <array>
#include <cstdio>
#include <optional>
#include <vector>

#include "cli/list_formats.h"
#include "inventory/driver_scan.h"
#include "output/text_export.h"
#include "common/message_text.h"

namespace {

std::string Quoted(std::string_view text) { return "'" + std::string(text) + "'"; }

ListFormat ParseFormat(std::string_view name) {
  if (name == "text") return ListFormat::kText;
  if (name == "csv") return ListFormat::kCsv;
  if (name == "json") return ListFormat::kJson;
  throw EUsageError("unknown format " + Quoted(name) + " (text, csv or json)");
}

unsigned ParseCodePage(std::string_view text) {
  unsigned number = 0;
  bool digits = !text.empty() && text.size() <= 5;
  for (const char c : text) {
    if (c < '0' || c > '9') digits = false;
    if (digits) number = number * 10 + static_cast<unsigned>(c - '0');
  }
  if (!digits || !IsSupportedCodePage(number)) {
    throw EUsageError("unsupported code page " + Quoted(text) + " (1252 or 65001)");
  }
  return number;
}

// HKEY_LOCAL_MACHINE\SYSTEM\Select's "Current" names the control set in use by number.
std::string CurrentClassKeyPath(RegistryApi& registry) {
  RegKey select = 0;
  if (registry.OpenKeyEx(kHKeyLocalMachine, "SYSTEM\\Select", 0, kKeyRead, &select) !=
      kErrorSuccess) {
    throw Exception("no current control set: HKEY_LOCAL_MACHINE\\SYSTEM\\Select is missing");
  }
  std::uint32_t type = kRegNone;
  std::array<std::uint8_t, 4> data{};
  std::uint32_t size = data.size();
  const long result = registry.QueryValueEx(select, "Current", &type, data.data(), &size);
  registry.CloseKey(select);
  const std::uint32_t number =
      data[0] | data[1] << 8 | data[2] << 16 | std::uint32_t{data[3]} << 24;
  if (result != kErrorSuccess || type != kRegDword || size != 4 || number == 0 || number > 999) {
    throw Exception(
        "no current control set: HKEY_LOCAL_MACHINE\\SYSTEM\\Select holds no \"Current\" "
        "number from 1 to 999");
  }
  char path[64];
  std::snprintf(path, sizeof path, "\\SYSTEM\\ControlSet%03u\\Control\\Class\\",
                static_cast<unsigned>(number));
  return path;
}

}  // namespace

ListOptions ParseListOptions(int argc, const char* const* argv, ListSource source) {
  ListOptions options;
  const bool hive = source == ListSource::kHiveFile;
  for (int i = 0; i < argc; ++i) {
    std::string_view arg = argv[i];
    std::optional<std::string_view> value;
    if (const auto equals = arg.find('='); arg.starts_with("--") && equals != arg.npos) {
      value = arg.substr(equals + 1);
      arg = arg.substr(0, equals);
    }
    const bool takesValue =
        arg == "--format" || (hive && (arg == "--hive" || arg == "--codepage" || arg == "--log" ||
                                       arg == "--save-recovered"));
    const bool flag =
        arg == "--current" || arg == "--help" || arg == "--version" || (hive && arg == "--no-logs");
    if (!takesValue && !flag) {
      throw EUsageError((arg.starts_with("-") ? "unknown option " : "unexpected argument ") +
                        Quoted(arg));
    }
    if (takesValue && !value) {
      if (i + 1 == argc) throw EUsageError(std::string(arg) + " needs a value");
      value = argv[++i];
    } else if (flag && value) {
      throw EUsageError(std::string(arg) + " takes no value");
    }
    if (arg == "--format") {
      options.format = ParseFormat(*value);
    } else if (arg == "--hive") {
      options.hivePath = *value;
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
    } else if (arg == "--help") {
      options.help = true;
    } else {
      options.version = true;
    }
  }
  if (hive && options.hivePath.empty() && !options.help && !options.version) {
    throw EUsageError("--hive FILE is needed: the records are read from a SYSTEM hive file");
  }
  if (options.noLogs && !options.logPaths.empty()) {
    throw EUsageError("--log and --no-logs exclude each other");
  }
  return options;
}

std::string ListHelp(ListSource source) {
  const bool hive = source == ListSource::kHiveFile;
  std::string help = "Usage: tolvane-list ";
  help += hive ? "--hive FILE [--codepage N] [--log FILE]... [--no-logs]\n"
                 "                    [--save-recovered OUT] "
               : "";
  help +=
      "[--format text|csv|json] [--current]\n"
      "Lists the installed device drivers as Tolvane's window lists them: the \"0000\"\n"
      "instance of every device setup class under HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSetNNN\\\n"
      "Control\\Class, one row each, read-only.\n\n";
  if (hive) {
    help +=
        "  --hive FILE      read a SYSTEM hive file (a reg save copy, or the file\n"
        "                   Windows\\System32\\config\\SYSTEM of a Windows disk) as\n"
        "                   HKEY_LOCAL_MACHINE\\SYSTEM\n"
        "  --codepage N     the ANSI code page its texts are converted to: 1252 (Western,\n"
        "                   the default) or 65001 (UTF-8)\n"
        "  --log FILE       a transaction log of the hive (repeatable); without it the\n"
        "                   files beside the hive named like it with .LOG1, .LOG2 or .LOG\n"
        "                   are used. A dirty hive is brought up to date from its logs in\n"
        "                   memory, as Windows does when it loads it; no file is changed\n"
        "  --no-logs        read a dirty hive as it stands\n"
        "  --save-recovered OUT\n"
        "                   write the hive as recovered to the new file OUT instead of\n"
        "                   listing it (a clean hive as it is; a dirty one without a\n"
        "                   valid log is an error)\n";
  }
  help +=
      "  --format text    description,provider,version per line, CR LF: the bytes File,\n"
      "                   Save writes (the default)\n"
      "  --format csv     a header of the nine column captions, then all nine values of\n"
      "                   each row, quoted as RFC 4180 says, CR LF\n"
      "  --format json    one array of objects keyed by the nine captions, UTF-8\n"
      "  --current        read the control set that HKEY_LOCAL_MACHINE\\SYSTEM\\Select\n"
      "                   \"Current\" names. Without it the control sets are tried in the\n"
      "                   window's order, ControlSet002, ControlSet003, ControlSet001, so\n"
      "                   that the list is the very list the window shows and saves\n"
      "  --help           show this and exit\n"
      "  --version        show the version and exit\n\n"
      "Exit status: 0 listed; 1 an error, after the rows before it; 2 a bad command line.\n";
  return help;
}

std::optional<ListReply> ReplyWithoutList(int argc, const char* const* argv, ListSource source,
                                          ListOptions& options) {
  try {
    options = ParseListOptions(argc, argv, source);
  } catch (const EUsageError& e) {
    return ListReply{2, true,
                     std::string(kListProgram) + ": " + e.Message() +
                         " (tolvane-list --help lists the options)\n"};
  }
  if (options.help) return ListReply{0, false, ListHelp(source)};
  if (options.version) {
    return ListReply{0, false, std::string(kListProgram) + " " + std::string(kListVersion) + "\n"};
  }
  return std::nullopt;
}

std::string ListErrorLine(std::string_view message) {
  return std::string(kListProgram) + ": " + ErrorBoxText(message);
}

int RunList(const ListOptions& options, RegistryApi& registry, FileApi& output,
            const AnsiToUtf8Fn& toUtf8, std::string& errorLine) {
  RowStore rows;
  std::optional<std::string> error;
  try {
    std::vector<std::string> paths;
    if (options.current) {
      paths.push_back(CurrentClassKeyPath(registry));
    } else {
      paths.assign(kWindowClassKeyPaths.begin(), kWindowClassKeyPaths.end());
    }
    const std::vector<std::string_view> views(paths.begin(), paths.end());
    if (ScanDriverClasses(registry, rows, views).empty()) {
      error = options.current ? "the current control set has no Class key"
                              : "no Class key in ControlSet002, ControlSet003 or ControlSet001";
    }
  } catch (const Exception& e) {
    error = e.Message();
  }

  IoResult ioResult;
  try {
    switch (options.format) {
      case ListFormat::kText:
        try {
          SaveRows(output, rows, std::string(kListOutputName), ioResult);
        } catch (const EStringListError&) {
          // The row a scan error cut short before its version: Save stops at it too.
          if (!error) throw;
        }
        break;
      case ListFormat::kCsv:
        SaveCsv(output, rows, ioResult);
        break;
      case ListFormat::kJson:
        SaveJson(output, rows, toUtf8, ioResult);
        break;
    }
  } catch (const Exception& e) {
    if (!error) error = e.Message();
  }
  if (!error) return 0;
  errorLine = ListErrorLine(*error);
  return 1;
}
