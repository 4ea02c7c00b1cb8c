// Fuzz target: a registry tree decoded from the input (control sets present, absent or
// refused; class keys named with any bytes; instance keys; values of any type, size and
// content; failures injected into any call; a key deleted in the middle of the scan) is
// scanned into rows, and the rows are saved through the in-memory files (any file type, any
// name, a read-only file, a short row, failures injected into any call). Every input must
// finish, leave nothing open, and obey the invariants checked below.
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "fake_file_api.h"
#include "fake_registry_api.h"
#include "fuzz_input.h"
#include "inventory/driver_scan.h"
#include "inventory/registry.h"
#include "output/text_export.h"
#include "save_outcome.h"

namespace {

// Enough for every path through the scan and for rows spanning many blocks, small enough that
// one input stays fast.
constexpr std::uint32_t kMaxClasses = 24;
constexpr std::uint32_t kMaxValues = 12;
constexpr std::uint32_t kMaxData = 4096;
constexpr std::size_t kMaxClassName = 260;

const char* const kClassKeyPaths[] = {
    "SYSTEM\\ControlSet002\\Control\\Class\\",
    "SYSTEM\\ControlSet003\\Control\\Class\\",
    "SYSTEM\\ControlSet001\\Control\\Class\\",
};

const long kRegistryCodes[] = {2, 5, 6, 8, 14, 87, 234, 259, 1009, 1015, 1016, 1018};
const std::uint32_t kFileCodes[] = {2, 3, 4, 5, 6, 19, 21, 32, 33, 39, 80, 112, 1224};
const std::uint32_t kFileTypes[] = {kFileTypeDisk,    kFileTypeChar, kFileTypePipe,
                                    kFileTypeUnknown, 0x8001,        0x8002};

// Stops the run where a sanitizer would not: a broken invariant is a finding too.
void Check(bool holds) {
  if (!holds) __builtin_trap();
}

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

// texts: every value's data up to its first NUL, the only texts a row may hold.
void DecodeRegistry(FuzzInput& input, FakeRegistry& fake, std::vector<std::string>& classKeys,
                    std::set<std::string>& texts) {
  for (const char* setPath : kClassKeyPaths) {
    const std::uint8_t flags = input.Byte();
    if ((flags & 1) == 0) continue;
    fake.AddKey(setPath);
    if (flags & 2) fake.RefuseAccess(setPath, kKeyRead);
    if (flags & 4) fake.RefuseAccess(setPath, kKeyAllAccess & ~kKeyRead);  // writing only
    const std::uint32_t classes = input.Byte() % (kMaxClasses + 1);
    for (std::uint32_t c = 0; c < classes; ++c) {
      const std::string classKey = std::string(setPath) + input.Text(kMaxClassName);
      classKeys.push_back(classKey);
      const std::uint8_t instanceChoice = input.Byte() % 4;
      const std::string instance = instanceChoice < 2    ? "0000"
                                   : instanceChoice == 2 ? "0001"
                                                         : input.Text(8);
      const std::string instanceKey = classKey + '\\' + instance;
      fake.AddKey(instanceKey);
      const std::uint32_t values = input.Byte() % (kMaxValues + 1);
      for (std::uint32_t v = 0; v < values; ++v) {
        const std::uint8_t nameChoice = input.Byte();
        const std::string name =
            nameChoice < 216
                ? std::string(kDriverColumns[nameChoice % kDriverColumns.size()].valueName)
                : input.Text(16);
        const std::uint8_t typeChoice = input.Byte();
        const std::uint32_t type = typeChoice == 255 ? input.Raw32() : typeChoice % 12u;
        const std::string data = input.Blob(kMaxData);
        fake.SetValue(instanceKey, name, type, data);
        texts.insert(data.substr(0, data.find('\0')));
        // The narrow API may report another size than the data's, larger or smaller.
        switch (input.Byte() % 4) {
          case 1:
            fake.ReportSize(instanceKey, name,
                            static_cast<std::uint32_t>(data.size()) + input.Byte());
            break;
          case 2:
            fake.ReportSize(instanceKey, name, input.Byte() % (data.size() + 1));
            break;
          default:
            break;
        }
      }
    }
  }
}

void DecodeRegistryFaults(FuzzInput& input, FakeRegistry& fake,
                          const std::vector<std::string>& classKeys) {
  const std::uint32_t faults = input.Byte() % 4;
  for (std::uint32_t f = 0; f < faults; ++f) {
    const std::uint8_t kind = input.Byte();
    const std::size_t ordinal = input.Number(512) + 1;
    const long code = kRegistryCodes[input.Byte() % std::size(kRegistryCodes)];
    if (kind % 6 == 5) {
      fake.FailNthCall(ordinal, code);
    } else {
      fake.FailCall(static_cast<RegCall>(kind % 5), ordinal, code);
    }
  }
  // A class (or a whole Class key) deleted while the scan runs.
  const std::size_t deleteAt = input.Byte();
  const std::uint8_t which = input.Byte();
  if (deleteAt == 0) return;
  std::string path = kClassKeyPaths[which % 3];
  if (!classKeys.empty() && which >= 3) path = classKeys[which % classKeys.size()];
  fake.OnCall([&fake, deleteAt, path](RegCall, std::size_t ordinal) {
    if (ordinal == deleteAt) fake.DeleteKey(path);
  });
}

void CheckScan(const FakeRegistry& fake, const RowStore& rows, std::size_t count,
               const std::string& error, const std::set<std::string>& texts) {
  Check(fake.OpenHandles() == 0);
  for (const RegCallRecord& call : fake.Calls()) {
    if (call.call == RegCall::OpenKeyEx) Check(call.number == kKeyRead);
  }
  if (error.empty()) {
    Check(count == rows.Count());
  } else {
    Check(StartsWith(error, "Failed to get data for '") ||
          StartsWith(error, "Invalid data type for '"));
  }
  for (std::size_t i = 0; i < rows.Count(); ++i) {
    const DriverRow& row = rows.Row(i);
    Check(!row.caption.empty());
    Check(texts.count(row.caption) != 0);
    // Only the last row of a scan an error ended may be short.
    const bool last = i + 1 == rows.Count();
    Check(row.subItems.size() == 8 || (last && !error.empty() && row.subItems.size() < 8));
    for (const std::string& item : row.subItems) Check(item.empty() || texts.count(item) != 0);
  }
}

// The file a Save of these rows writes: every line up to the first row without two
// sub-items.
std::string ExpectedText(const RowStore& rows, bool* shortRow) {
  std::string text;
  *shortRow = false;
  for (std::size_t i = 0; i < rows.Count(); ++i) {
    const DriverRow& row = rows.Row(i);
    if (row.subItems.size() < 2) {
      *shortRow = true;
      break;
    }
    text += row.caption + ',' + row.subItems[0] + ',' + row.subItems[1] + "\r\n";
  }
  return text;
}

// A Save that leaves no handle open and no result pending, whatever it ends with.
SaveOutcome Save(FakeFileApi& files, const RowStore& rows, const std::string& path,
                 IoResult& ioResult) {
  const SaveOutcome outcome = RunSave(files, rows, path, ioResult);
  Check(files.OpenHandles() == 0);
  Check(files.CallCount(FileCall::kCloseHandle) <= 1);
  Check(ioResult.Pending() == 0);
  return outcome;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput input(data, size);

  FakeRegistry registry;
  std::vector<std::string> classKeys;
  std::set<std::string> texts;
  DecodeRegistry(input, registry, classKeys, texts);
  DecodeRegistryFaults(input, registry, classKeys);
  RowStore rows;
  std::size_t count = 0;
  std::string scanError;
  try {
    count = ScanDrivers(registry, rows);
  } catch (const ERegistryException& e) {
    scanError = e.Message();
  }
  CheckScan(registry, rows, count, scanError, texts);

  FakeFileApi files;
  const std::uint32_t type = kFileTypes[input.Byte() % std::size(kFileTypes)];
  // The name as CreateFileA sees it: up to its first NUL.
  const std::string path = input.Text(40);
  const std::string name = path.c_str();
  files.SetFileType(name, type);
  const std::uint8_t existing = input.Byte() % 3;
  const std::string old = "what the file held before";
  if (existing != 0) files.AddFile(name, old, existing == 2);
  if (input.Byte() % 4 == 3) {
    DriverRow& row = rows.Append("short");
    if (input.Byte() % 2) row.subItems.push_back("provider only");
  }
  const std::uint32_t fileFaults = input.Byte() % 3;
  for (std::uint32_t f = 0; f < fileFaults; ++f) {
    const std::uint8_t kind = input.Byte();
    const int ordinal = static_cast<int>(input.Number(64)) + 1;
    const std::uint32_t code = kFileCodes[input.Byte() % std::size(kFileCodes)];
    if (kind % 5 == 4) {
      files.FailNthCall(ordinal, code);
    } else {
      files.FailCall(static_cast<FileCall>(kind % 4), ordinal, code);
    }
  }

  bool shortRow = false;
  const std::string expected = ExpectedText(rows, &shortRow);
  const bool writable = !name.empty() && existing != 2 &&
                        (type == kFileTypeDisk || type == kFileTypeChar || type == kFileTypePipe);
  IoResult ioResult;
  const SaveOutcome first = Save(files, rows, path, ioResult);
  const std::string contents = files.Exists(name) ? files.Contents(name) : std::string();
  if (!first.failed) {
    // Nothing failed: the file is exactly the rows' lines.
    Check(writable && !shortRow);
    Check(contents == expected);
  } else {
    // Whatever failed, the file holds what it held, or whole blocks of the lines in order.
    Check(contents == old || StartsWith(expected, contents));
  }

  // The next Save, with nothing failing, is not locked out and writes the whole list.
  files.ResetCalls();
  const SaveOutcome second = Save(files, rows, path, ioResult);
  if (writable) {
    Check(files.Contents(name) == expected);
    Check(second.failed == shortRow);
    if (shortRow) Check(StartsWith(second.error, "List index out of bounds ("));
  } else {
    Check(second.failed);
  }
  return 0;
}
