// Fault sweeps of the three commands, in the manner of a fault-injecting file system: each
// command is run once on a realistic input to count the calls it makes of its seam, then once
// more per call and per failure that call can report on Windows, failing exactly that call.
// Every run is checked for the message the user gets, for nothing lost (rows read before the
// failure, whole blocks written before it, a job that ends) and for nothing left open.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "fake_file_api.h"
#include "fake_registry_api.h"
#include "inventory/driver_scan.h"
#include "inventory/registry.h"
#include "output/print_report.h"
#include "output/text_export.h"
#include "recording_printer.h"
#include "report_fixtures.h"
#include "save_outcome.h"

namespace {

using Lines = std::vector<std::string>;

void ReportPoints(const char* seam, std::size_t points) {
  std::printf("fault sweep: %s: %zu fault points\n", seam, points);
  std::fflush(stdout);
  ::testing::Test::RecordProperty("faultPoints", static_cast<int>(points));
}

// ---------------------------------------------------------------------------------------------
// Registry: Refresh over two registries, one read from ControlSet002 with every kind of class
// the scan meets, one that falls back to ControlSet001 and stops at a value of the wrong type.

struct RegValue {
  std::uint32_t type = kRegSz;
  std::string data;
};

struct RegClass {
  std::string name;
  std::map<std::string, RegValue> values;
  std::string instance = "0000";
};

struct ControlSet {
  std::string path;  // as the scan opens it, without the leading backslash
  bool present = false;
  bool readRefused = false;
  std::vector<RegClass> classes;  // in the registry's enumeration order
};

using RegScenario = std::vector<ControlSet>;  // in the order the scan tries them

RegValue Sz(const std::string& text) { return {kRegSz, text + '\0'}; }

std::map<std::string, RegValue> AllValues(const std::string& tag) {
  std::map<std::string, RegValue> values;
  for (const DriverColumn& column : kDriverColumns)
    values[std::string(column.valueName)] = Sz(tag + ' ' + std::string(column.valueName));
  return values;
}

ControlSet Set(const char* number, std::vector<RegClass> classes, bool present = true) {
  return {std::string("SYSTEM\\ControlSet") + number + "\\Control\\Class\\", present, false,
          std::move(classes)};
}

RegScenario EveryKindOfClass() {
  std::map<std::string, RegValue> expand = AllValues("d");
  expand["DriverDesc"] = {kRegExpandSz, std::string("%SystemRoot%\\d\0", 15)};
  std::map<std::string, RegValue> odd{
      {"DriverDesc", Sz("f")},
      {"DriverVersion", {kRegSz, std::string("1.0\0junk\0", 9)}},
      {"InfPath", {kRegDword, ""}},  // empty data of any type reads as empty text
      {"MatchingDeviceId", {kRegBinary, ""}},
      {"EnumPropPages32", {kRegSz, "no terminator"}},
  };
  return {
      Set("002",
          {
              {std::string(255, 'L'), AllValues("long")},
              {"{a}", AllValues("a")},
              {"{b}", {{"DriverDesc", Sz("b")}, {"ProviderName", Sz("pb")}}},
              {"{c}", {{"ProviderName", Sz("pc")}}},
              {"{d}", expand},
              {"{e}", AllValues("e"), "0001"},
              {"{f}", odd},
              {"{g}", {{"DriverDesc", Sz("")}, {"ProviderName", Sz("pg")}}},
              {"\xC4rger\xFF", AllValues("\xE9t\xE9")},
          }),
      Set("003", {{"{z}", AllValues("z")}}),
      Set("001", {{"{y}", AllValues("y")}}),
  };
}

RegScenario FallbackEndingInWrongType() {
  std::map<std::string, RegValue> wrong = AllValues("q");
  wrong["InfSection"] = {kRegDword, std::string("\x01\0\0\0", 4)};
  ControlSet refused = Set("003", {{"{x}", AllValues("x")}});
  refused.readRefused = true;
  return {
      Set("002", {}, false),
      refused,
      Set("001", {{"{p}", AllValues("p")}, {"{q}", wrong}, {"{r}", AllValues("r")}}),
  };
}

void BuildRegistry(FakeRegistry& fake, const RegScenario& scenario) {
  for (const ControlSet& set : scenario) {
    if (!set.present) continue;
    fake.AddKey(set.path);
    if (set.readRefused) fake.RefuseAccess(set.path, kKeyRead);
    for (const RegClass& c : set.classes) {
      const std::string instance = set.path + c.name + '\\' + c.instance;
      fake.AddKey(instance);
      for (const auto& [name, value] : c.values)
        fake.SetValue(instance, name, value.type, value.data);
    }
  }
}

// What one failing call does to the scan, in terms of the input: a key that does not open,
// a summary that cannot be read, a class name lost, a value read as absent or failing to read.
struct RegEffect {
  std::string unopened;
  bool noSummary = false;
  std::optional<std::uint32_t> lostIndex;
  std::string blankClass, blankValue;
  std::string failClass, failValue;
};

struct ScanOutcome {
  Lines rows;
  std::optional<std::size_t> count;  // none when an error ended the scan
  std::string error;
  bool operator==(const ScanOutcome&) const = default;
};

std::string RowLine(const DriverRow& row) {
  std::string line = row.caption;
  for (const std::string& item : row.subItems) line += '|' + item;
  return line;
}

// The scan's result worked out from the input alone.
ScanOutcome ExpectedScan(const RegScenario& scenario, const RegEffect& effect) {
  ScanOutcome outcome;
  const ControlSet* chosen = nullptr;
  for (const ControlSet& set : scenario) {
    if (set.present && !set.readRefused && set.path != effect.unopened) {
      chosen = &set;
      break;
    }
  }
  const auto read = [&](const RegClass& c, const std::string& name) -> std::optional<std::string> {
    if (c.name == effect.blankClass && name == effect.blankValue) return "";
    const auto at = c.values.find(name);
    if (at == c.values.end() || at->second.data.empty()) return "";
    if (c.name == effect.failClass && name == effect.failValue) {
      outcome.error = "Failed to get data for '" + name + "'";
      return std::nullopt;
    }
    if (at->second.type != kRegSz && at->second.type != kRegExpandSz) {
      outcome.error = "Invalid data type for '" + name + "'";
      return std::nullopt;
    }
    return at->second.data.substr(0, at->second.data.find('\0'));
  };
  if (chosen && !effect.noSummary) {
    for (std::uint32_t index = 0; index < chosen->classes.size(); ++index) {
      const RegClass& c = chosen->classes[index];
      if (effect.lostIndex == index || c.instance != "0000" ||
          chosen->path + c.name + "\\0000" == effect.unopened) {
        continue;
      }
      const auto description = read(c, "DriverDesc");
      if (!description) return outcome;
      if (description->empty()) continue;
      std::string line = *description;
      for (std::size_t column = 1; column < kDriverColumns.size(); ++column) {
        const auto text = read(c, std::string(kDriverColumns[column].valueName));
        if (!text) {
          outcome.rows.push_back(line);
          return outcome;
        }
        line += '|' + *text;
      }
      outcome.rows.push_back(line);
    }
  }
  outcome.count = outcome.rows.size();
  return outcome;
}

ScanOutcome RunScan(RegistryApi& registry, RowStore& rows) {
  ScanOutcome outcome;
  try {
    outcome.count = ScanDrivers(registry, rows);
  } catch (const ERegistryException& e) {
    outcome.error = e.Message();
  }
  for (std::size_t i = 0; i < rows.Count(); ++i) outcome.rows.push_back(RowLine(rows.Row(i)));
  return outcome;
}

// The class whose instance key a handle's path names.
std::string ClassOfKey(const RegScenario& scenario, const std::string& keyPath) {
  for (const ControlSet& set : scenario) {
    const std::string prefix = "HKLM\\" + set.path;
    if (keyPath.rfind(prefix, 0) == 0 && keyPath.size() > prefix.size() + 5)
      return keyPath.substr(prefix.size(), keyPath.size() - prefix.size() - 5);
  }
  return "";
}

RegEffect EffectOf(const RegScenario& scenario, const RegCallRecord& call, long code) {
  RegEffect effect;
  switch (call.call) {
    case RegCall::OpenKeyEx:
      effect.unopened = call.name;
      break;
    case RegCall::QueryInfoKey:
      effect.noSummary = true;
      break;
    case RegCall::EnumKeyEx:
      // "Buffer too small" is asked again with a larger buffer; anything else loses the name.
      if (code != kErrorMoreData) effect.lostIndex = call.number;
      break;
    case RegCall::QueryValueEx:
      // The size query has no buffer; failing, the value reads as absent. The data read
      // failing stops the scan.
      (call.size == 0 ? effect.blankClass : effect.failClass) = ClassOfKey(scenario, call.key);
      (call.size == 0 ? effect.blankValue : effect.failValue) = call.name;
      break;
    case RegCall::CloseKey:
      break;
  }
  return effect;
}

// Every code RegOpenKeyExA, RegQueryInfoKeyA, RegEnumKeyExA, RegQueryValueExA or RegCloseKey
// can answer with on a failure that is not the caller's mistake.
const long kRegistryCodes[] = {2, 5, 6, 8, 14, 87, 234, 259, 998, 1009, 1015, 1016, 1018};

TEST(FaultSweepRegistry, RefreshFailingAtEachCallWithEachCode) {
  std::size_t points = 0;
  for (const RegScenario& scenario : {EveryKindOfClass(), FallbackEndingInWrongType()}) {
    FakeRegistry clean;
    BuildRegistry(clean, scenario);
    RowStore cleanRows;
    const ScanOutcome cleanOutcome = RunScan(clean, cleanRows);
    ASSERT_EQ(cleanOutcome, ExpectedScan(scenario, {}));
    ASSERT_GE(cleanOutcome.rows.size(), 2u);
    const std::vector<RegCallRecord> calls = clean.Calls();
    const Lines trace = clean.Trace();

    for (std::size_t n = 1; n <= calls.size(); ++n) {
      for (const long code : kRegistryCodes) {
        SCOPED_TRACE("call " + std::to_string(n) + " (" + trace[n - 1] + ") failing with " +
                     std::to_string(code));
        ++points;
        FakeRegistry fake;
        BuildRegistry(fake, scenario);
        fake.FailNthCall(n, code);
        RowStore rows;
        rows.Append("left over from the last Refresh");
        EXPECT_EQ(RunScan(fake, rows),
                  ExpectedScan(scenario, EffectOf(scenario, calls[n - 1], code)));
        EXPECT_EQ(fake.OpenHandles(), 0u);
        for (std::size_t i = 0; i < fake.Calls().size(); ++i) {
          const RegCallRecord& call = fake.Calls()[i];
          if (call.call == RegCall::OpenKeyEx) {
            EXPECT_EQ(call.number, kKeyRead) << "read only";
          }
          if (call.call == RegCall::CloseKey && i + 1 != n) {
            EXPECT_EQ(call.result, kErrorSuccess) << "a key closed twice";
          }
        }
        // The next Refresh, with nothing failing, reads the registry in full again.
        EXPECT_EQ(RunScan(fake, rows), cleanOutcome);
        EXPECT_EQ(fake.OpenHandles(), 0u);
      }
    }
  }
  ReportPoints("registry (Refresh)", points);
}

// ---------------------------------------------------------------------------------------------
// File: Save of rows spanning several 128-byte blocks, to a disk file, to a character device,
// and of a list whose last row is short (the list error comes after the file was opened).

const std::string kBefore = "the file as it was before";

struct SaveScenario {
  std::string path;
  std::uint32_t type = kFileTypeDisk;
  bool shortLastRow = false;
};

RowStore SaveRowsInput(bool shortLastRow) {
  RowStore rows;
  const auto add = [&rows](const std::string& caption, const std::string& provider,
                           const std::string& version) {
    rows.Append(caption).subItems = {provider, version, "date", "inf", "s", "x", "id", "pp"};
  };
  add("X", "Y", "1.0");                                  // 9 bytes
  add(std::string(115, 'f'), "", "");                    // fills the first block exactly
  add(std::string(300, 'L'), "Long", "2.5");             // spans three blocks
  add("Comma, \"quoted\"", "Line\r\nbreak", "3");        // written unchanged
  add(std::string(60, 'm'), std::string(20, 'p'), "4");  // ...
  add("Z", "", "");
  add(std::string(90, 'n'), "Provider", "5.1.2600.0");
  if (shortLastRow) rows.Append("Short").subItems = {"provider only"};
  return rows;
}

// Every code CreateFileA, WriteFile or CloseHandle can leave in GetLastError for a target
// that is there to write to (GetFileType's failure is its "unknown" answer whatever the code).
const std::uint32_t kFileCodes[] = {2, 3, 4, 5, 6, 19, 21, 32, 33, 39, 80, 112, 1224};

TEST(FaultSweepFile, SaveFailingAtEachCallWithEachCode) {
  std::size_t points = 0;
  for (const SaveScenario& scenario :
       {SaveScenario{"C:\\out\\drivers.txt"}, SaveScenario{"CON", kFileTypeChar},
        SaveScenario{"C:\\out\\short.txt", kFileTypeDisk, true}}) {
    SCOPED_TRACE(scenario.path);
    const RowStore rows = SaveRowsInput(scenario.shortLastRow);
    FakeFileApi clean;
    clean.SetFileType(scenario.path, scenario.type);
    IoResult ioResult;
    const SaveOutcome cleanOutcome = RunSave(clean, rows, scenario.path, ioResult);
    ASSERT_EQ(cleanOutcome.error, scenario.shortLastRow ? "List index out of bounds (1)" : "");
    ASSERT_GE(clean.CallCount(FileCall::kWriteFile), 4);
    const std::vector<FileCall> calls = clean.Calls();
    std::vector<std::size_t> writtenBefore;  // the bytes in the file before each write
    std::size_t written = 0;
    for (const FakeFileApi::Block& block : clean.Blocks()) {
      writtenBefore.push_back(written);
      written += block.bytes.size();
    }

    for (std::size_t n = 1; n <= calls.size(); ++n) {
      int write = 0;
      for (std::size_t i = 0; i < n; ++i) write += calls[i] == FileCall::kWriteFile;
      for (const std::uint32_t code : kFileCodes) {
        SCOPED_TRACE("call " + std::to_string(n) + " failing with " + std::to_string(code));
        ++points;
        FakeFileApi files;
        files.SetFileType(scenario.path, scenario.type);
        files.AddFile(scenario.path, kBefore);
        files.FailNthCall(n, code);
        const SaveOutcome outcome = RunSave(files, rows, scenario.path, ioResult);

        const std::string failure = EInOutError(static_cast<int>(code)).Message();
        switch (calls[n - 1]) {
          case FileCall::kCreateFile:
            EXPECT_EQ(outcome.error, failure);
            EXPECT_EQ(outcome.contents, kBefore);
            EXPECT_EQ(files.Calls().size(), 1u) << "nothing follows a failed open";
            break;
          case FileCall::kGetFileType:
            EXPECT_EQ(outcome.error, "I/O error 105");
            EXPECT_EQ(outcome.contents, "");
            break;
          case FileCall::kWriteFile: {
            // A short row is found before its line is written; a write after that is the
            // last write-out on the way out, and the list error is what the user hears of.
            const bool afterListError = scenario.shortLastRow &&
                                        write == clean.CallCount(FileCall::kWriteFile) &&
                                        clean.Blocks().back().bytes.size() < 128;
            EXPECT_EQ(outcome.error, afterListError ? cleanOutcome.error : failure);
            // Every block handed on before the failing one is in the file, nothing after it.
            EXPECT_EQ(outcome.contents, cleanOutcome.contents.substr(
                                            0, writtenBefore[static_cast<std::size_t>(write - 1)]));
            EXPECT_EQ(files.CallCount(FileCall::kWriteFile), write) << "no write after a failure";
            break;
          }
          case FileCall::kCloseHandle:
            EXPECT_EQ(outcome.error, scenario.shortLastRow ? cleanOutcome.error : failure);
            EXPECT_EQ(outcome.contents, cleanOutcome.contents);
            break;
        }
        // Whatever failed, a file once opened is closed exactly once.
        const bool opened = calls[n - 1] != FileCall::kCreateFile;
        EXPECT_EQ(files.CallCount(FileCall::kCloseHandle), opened ? 1 : 0);
        EXPECT_EQ(files.OpenHandles(), 0);
        EXPECT_EQ(ioResult.Pending(), 0);
        // The next Save starts with no error pending and is not locked out of the file.
        files.ResetCalls();
        const SaveOutcome again = RunSave(files, rows, scenario.path, ioResult);
        EXPECT_EQ(again.error, cleanOutcome.error);
        EXPECT_EQ(again.contents, cleanOutcome.contents);
        EXPECT_EQ(files.OpenHandles(), 0);
      }
    }
  }
  ReportPoints("file (Save)", points);
}

// ---------------------------------------------------------------------------------------------
// Printer layer: Print of a three-page report, each device call failing once by its Windows
// failure value and once by an exception thrown from inside it.

std::vector<ReportColumn> DriverColumns() {
  std::vector<ReportColumn> columns;
  for (const DriverColumn& column : kDriverColumns)
    columns.push_back({std::string(column.caption), column.width});
  return columns;
}

// A short page, 22 rows high, keeps the sweep quick: three pages, the last holding seven rows.
constexpr int kShortPageHeight = 300;

RowStore ReportRowsInput() {
  RowStore rows;
  for (int i = 0; i < 50; ++i) {
    DriverRow& row = rows.Append("Driver " + std::to_string(i));
    for (int j = 1; j < 9; ++j) row.subItems.push_back("v" + std::to_string(j));
  }
  // A row cut short by an error prints its missing cells empty.
  rows.Append("Cut short").subItems = {"p", "v"};
  return rows;
}

// The failure the user is told of when this call fails by its failure value, or "" when the
// report goes on. Only a few failures are the user's business; the rest are spooler or
// drawing failures the report rides over.
std::string ExpectedPrintError(const std::string& operation, int ordinal) {
  if (operation == "DefaultPrinter") return std::string(kNoDefaultPrinter);
  if (operation == "CreateDCA") return std::string(kPrinterNotValid);
  // The font resolution (the first capability asked) or the body line's height (the first
  // measurement) read as 0 leave a line height of 0.
  if ((operation == "GetDeviceCaps" || operation == "GetTextExtentPoint32A") && ordinal == 1)
    return "Floating point division by zero";
  return "";
}

// The operations that can fail; the rest (DeleteDC, DeleteObject, the message dispatch) have
// no result the printer looks at.
bool CanFail(const std::string& operation) {
  return operation != "DeleteDC" && operation != "DeleteObject" &&
         operation != "DispatchPendingMessages";
}

TEST(FaultSweepPrinter, PrintFailingAtEachCallByValueAndByException) {
  const RowStore rows = ReportRowsInput();
  RecordingPrinterApi clean;
  clean.caps[kCapsVertRes] = kShortPageHeight;
  std::size_t cleanPages = 0;
  int cleanTexts = 0;
  {
    TPrinter printer(clean);
    PrintHold hold;
    PrintListView(printer, DriverColumns(), rows, hold);
    cleanPages = clean.Pages().size();
    cleanTexts = clean.Count("ExtTextOutA");
  }
  ASSERT_EQ(cleanPages, 3u);

  std::size_t points = 0;
  std::map<std::string, int> ordinals;
  for (const std::string& call : clean.calls) {
    const std::string operation = call.substr(0, call.find(' '));
    const int ordinal = ++ordinals[operation];
    if (!CanFail(operation)) continue;
    for (const bool byThrow : {false, true}) {
      SCOPED_TRACE(operation + " #" + std::to_string(ordinal) +
                   (byThrow ? " throwing" : " failing") + ": " + call);
      ++points;
      RecordingPrinterApi api;
      api.keepRecords = false;
      api.caps[kCapsVertRes] = kShortPageHeight;
      api.faults.FailCall(operation, static_cast<std::size_t>(ordinal));
      api.failByThrow = byThrow;
      auto owned = std::make_unique<TPrinter>(api);
      TPrinter& printer = *owned;
      PrintHold hold;
      std::string error;
      try {
        PrintListView(printer, DriverColumns(), rows, hold);
      } catch (const Exception& e) {
        error = e.Message();
      } catch (const std::runtime_error& e) {
        error = e.what();
      }
      EXPECT_EQ(error, byThrow ? "device failure in " + operation
                               : ExpectedPrintError(operation, ordinal));
      // No job is left open, every document started is ended, the rows are let go.
      EXPECT_FALSE(printer.Printing());
      EXPECT_EQ(printer.PageNumber(), 0);
      EXPECT_EQ(api.Count("StartDocA"), api.Count("EndDoc"));
      EXPECT_FALSE(hold.Busy());
      if (operation == "PrintDialog" && !byThrow) {
        EXPECT_EQ(api.Count("StartDocA"), 0);
      }

      // The next Print works in full.
      api.faults.ClearFaults();
      const int pagesBefore = api.Count("StartPage");
      const int textsBefore = api.Count("ExtTextOutA");
      PrintListView(printer, DriverColumns(), rows, hold);
      EXPECT_EQ(api.Count("StartPage") - pagesBefore, static_cast<int>(cleanPages));
      EXPECT_EQ(api.Count("ExtTextOutA") - textsBefore, cleanTexts);
      EXPECT_FALSE(printer.Printing());
      EXPECT_EQ(api.liveDcs, 0) << "a finished job keeps no device context";
      owned.reset();
      EXPECT_EQ(api.liveDcs, 0);
      EXPECT_TRUE(api.liveFonts.empty());
    }
  }
  ReportPoints("printer layer (Print)", points);
}

}  // namespace
