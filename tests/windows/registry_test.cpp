// The registry back end, the reader and the whole scan against Wine's real registry, with
// HKEY_LOCAL_MACHINE redirected to a scratch key.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "inventory/driver_scan.h"
#include "inventory/registry.h"
#include "inventory/win32_registry_api.h"
#include "win32_registry_sandbox.h"

namespace {

using Lines = std::vector<std::string>;

const std::string kSet001 = "SYSTEM\\ControlSet001\\Control\\Class";
const std::string kSet002 = "SYSTEM\\ControlSet002\\Control\\Class";
const std::string kSet003 = "SYSTEM\\ControlSet003\\Control\\Class";

class RegistryOnWine : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(sandbox_.Ready()); }

  void AddFullInstance(const std::string& classKey, const std::string& name,
                       const std::string& tag) {
    for (const DriverColumn& column : kDriverColumns) {
      const std::string valueName(column.valueName);
      ASSERT_TRUE(sandbox_.SetText(classKey + '\\' + name + "\\0000", valueName.c_str(),
                                   tag + ' ' + valueName));
    }
  }

  static std::string FullLine(const std::string& tag, std::size_t subItems = 8) {
    std::string line;
    for (std::size_t column = 0; column <= subItems; ++column) {
      if (column > 0) line += '|';
      line += tag + ' ' + std::string(kDriverColumns[column].valueName);
    }
    return line;
  }

  static Lines RowLines(const RowStore& rows) {
    Lines lines;
    for (std::size_t i = 0; i < rows.Count(); ++i) {
      std::string line = rows.Row(i).caption;
      for (const std::string& item : rows.Row(i).subItems) line += '|' + item;
      lines.push_back(line);
    }
    return lines;
  }

  // Scans once, expecting these rows and their count.
  void ExpectScan(const Lines& expected) {
    RowStore rows;
    EXPECT_EQ(ScanDrivers(api_, rows), expected.size());
    EXPECT_EQ(RowLines(rows), expected);
  }

  RegistrySandbox sandbox_{"registry"};
  Win32RegistryApi api_;
};

// The Windows back end, watched: a hook runs after each key summary, and every enumeration
// is recorded with the buffer size it was given and its result.
class Watched final : public RegistryApi {
 public:
  struct Enumeration {
    std::uint32_t bufferSize;
    long result;
  };

  explicit Watched(RegistryApi& inner) : inner_(inner) {}
  long OpenKeyEx(RegKey k, const char* s, std::uint32_t o, std::uint32_t m, RegKey* r) override {
    return inner_.OpenKeyEx(k, s, o, m, r);
  }
  long QueryInfoKey(RegKey k, std::uint32_t* a, std::uint32_t* b, std::uint32_t* c,
                    std::uint32_t* d, std::uint32_t* e, std::uint64_t* f) override {
    const long result = inner_.QueryInfoKey(k, a, b, c, d, e, f);
    if (afterSummary) afterSummary();
    return result;
  }
  long EnumKeyEx(RegKey k, std::uint32_t i, char* n, std::uint32_t* s) override {
    const std::uint32_t bufferSize = *s;
    const long result = inner_.EnumKeyEx(k, i, n, s);
    enumerations.push_back({bufferSize, result});
    return result;
  }
  long QueryValueEx(RegKey k, const char* n, std::uint32_t* t, std::uint8_t* d,
                    std::uint32_t* s) override {
    return inner_.QueryValueEx(k, n, t, d, s);
  }
  long CloseKey(RegKey k) override { return inner_.CloseKey(k); }
  long OpenKeyExW(RegKey k, const char16_t* s, std::uint32_t o, std::uint32_t m,
                  RegKey* r) override {
    return inner_.OpenKeyExW(k, s, o, m, r);
  }
  long QueryInfoKeyW(RegKey k, std::uint32_t* a, std::uint32_t* b, std::uint32_t* c,
                     std::uint32_t* d, std::uint32_t* e, std::uint64_t* f) override {
    return inner_.QueryInfoKeyW(k, a, b, c, d, e, f);
  }
  long EnumKeyExW(RegKey k, std::uint32_t i, char16_t* n, std::uint32_t* s) override {
    return inner_.EnumKeyExW(k, i, n, s);
  }
  long QueryValueExW(RegKey k, const char16_t* n, std::uint32_t* t, std::uint8_t* d,
                     std::uint32_t* s) override {
    return inner_.QueryValueExW(k, n, t, d, s);
  }
  std::uint32_t GetThreadLocale() override { return inner_.GetThreadLocale(); }
  bool GetCPInfo(std::uint32_t c, CpInfo* i) override { return inner_.GetCPInfo(c, i); }

  std::function<void()> afterSummary;
  std::vector<Enumeration> enumerations;

 private:
  RegistryApi& inner_;
};

std::string ReadOrError(TRegistry& reader, const char* name) {
  try {
    return reader.ReadText(name);
  } catch (const ERegistryException& e) {
    return "error: " + e.Message();
  }
}

}  // namespace

TEST_F(RegistryOnWine, BackEndPassesEachCallThrough) {
  ASSERT_TRUE(sandbox_.AddKey("K\\beta"));
  ASSERT_TRUE(sandbox_.AddKey("K\\Alpha"));
  ASSERT_TRUE(sandbox_.SetValue("K", "D", REG_DWORD, std::string("\x2A\0\0\0", 4)));

  RegKey key = 0;
  EXPECT_EQ(api_.OpenKeyEx(kHKeyLocalMachine, "Missing", 0, kKeyRead, &key), kErrorFileNotFound);
  ASSERT_EQ(api_.OpenKeyEx(kHKeyLocalMachine, "K\\", 0, kKeyRead, &key), kErrorSuccess);

  std::uint32_t subKeys = 0, longest = 0, values = 0;
  ASSERT_EQ(api_.QueryInfoKey(key, &subKeys, &longest, &values, nullptr, nullptr, nullptr),
            kErrorSuccess);
  EXPECT_EQ(subKeys, 2u);
  EXPECT_EQ(longest, 5u);
  EXPECT_EQ(values, 1u);

  char name[8];
  std::uint32_t size = sizeof name;
  ASSERT_EQ(api_.EnumKeyEx(key, 0, name, &size), kErrorSuccess);
  EXPECT_EQ(std::string(name), "Alpha");
  EXPECT_EQ(size, 5u);
  size = 3;
  EXPECT_EQ(api_.EnumKeyEx(key, 1, name, &size), kErrorMoreData);
  size = sizeof name;
  EXPECT_EQ(api_.EnumKeyEx(key, 2, name, &size), kErrorNoMoreItems);

  std::uint32_t type = 0;
  std::uint32_t dataSize = 0;
  ASSERT_EQ(api_.QueryValueEx(key, "D", &type, nullptr, &dataSize), kErrorSuccess);
  EXPECT_EQ(type, kRegDword);
  EXPECT_EQ(dataSize, 4u);
  std::uint8_t data[4] = {};
  ASSERT_EQ(api_.QueryValueEx(key, "D", &type, data, &dataSize), kErrorSuccess);
  EXPECT_EQ(data[0], 0x2A);
  EXPECT_EQ(api_.QueryValueEx(key, "Missing", &type, nullptr, &dataSize), kErrorFileNotFound);
  EXPECT_EQ(api_.CloseKey(key), kErrorSuccess);
}

TEST_F(RegistryOnWine, ReaderReadsTextAsStored) {
  const std::string key = "SYSTEM\\ControlSet002\\Control\\Class\\{a}\\0000";
  ASSERT_TRUE(sandbox_.SetText(key, "Sz", "abc"));
  ASSERT_TRUE(sandbox_.SetValue(key, "Inner", REG_SZ, std::string("abc\0def\0", 8)));
  ASSERT_TRUE(sandbox_.SetValue(key, "Bare", REG_SZ, "xyz"));
  ASSERT_TRUE(sandbox_.SetValue(key, "Expand", REG_EXPAND_SZ, std::string("%SystemRoot%\0", 13)));
  ASSERT_TRUE(sandbox_.SetValue(key, "High", REG_SZ, std::string("\xC4\xE9\xFC\0", 4)));
  ASSERT_TRUE(sandbox_.SetValue(key, "Dword", REG_DWORD, std::string(4, '\0')));
  ASSERT_TRUE(sandbox_.SetValue(key, "Multi", REG_MULTI_SZ, std::string("a\0b\0\0", 5)));
  ASSERT_TRUE(sandbox_.SetValue(key, "Qword", REG_QWORD, std::string(8, '\1')));
  ASSERT_TRUE(sandbox_.SetValue(key, "EmptyDword", REG_DWORD, ""));
  ASSERT_TRUE(sandbox_.SetValue(key, "EmptySz", REG_SZ, ""));

  TRegistry reader(api_);
  reader.SelectRoot(kHKeyLocalMachine);
  ASSERT_TRUE(reader.OpenExisting("\\" + key + "\\"));
  EXPECT_EQ(ReadOrError(reader, "Sz"), "abc");
  EXPECT_EQ(ReadOrError(reader, "Inner"), "abc");
  EXPECT_EQ(ReadOrError(reader, "Bare"), "xyz");
  EXPECT_EQ(ReadOrError(reader, "Expand"), "%SystemRoot%");
  EXPECT_EQ(ReadOrError(reader, "High"), "\xC4\xE9\xFC");
  EXPECT_EQ(ReadOrError(reader, "Missing"), "");
  EXPECT_EQ(ReadOrError(reader, "EmptyDword"), "");
  EXPECT_EQ(ReadOrError(reader, "EmptySz"), "");
  EXPECT_EQ(ReadOrError(reader, "Dword"), "error: Invalid data type for 'Dword'");
  EXPECT_EQ(ReadOrError(reader, "Multi"), "error: Invalid data type for 'Multi'");
  EXPECT_EQ(ReadOrError(reader, "Qword"), "error: Invalid data type for 'Qword'");
  EXPECT_TRUE(reader.HasCurrentKey());
}

TEST_F(RegistryOnWine, ReaderListsEveryNameEvenOneLongerThanTheSummarySaid) {
  ASSERT_TRUE(sandbox_.AddKey("L\\b"));
  ASSERT_TRUE(sandbox_.AddKey("L\\C"));
  // A longer name that appears between the summary and the enumeration.
  Watched growing(api_);
  growing.afterSummary = [this] { sandbox_.AddKey("L\\" + std::string(255, 'A')); };

  TRegistry reader(growing);
  reader.SelectRoot(kHKeyLocalMachine);
  ASSERT_TRUE(reader.OpenExisting("\\L"));
  std::vector<std::string> names{"stale"};
  reader.ListSubkeys(names);
  EXPECT_EQ(names, (Lines{std::string(255, 'A'), "b"}));
}

// Runs in an entry of its own under a Japanese locale (LANG=ja_JP.UTF-8), where Wine's ANSI
// code page is 932 and the key summary counts a name's length in characters.
TEST_F(RegistryOnWine, DoubleByteClassNamesListAndScanWhole) {
  ASSERT_EQ(GetACP(), 932u) << "no Japanese locale: scripts/install-deps generates ja_JP.UTF-8";
  // Shift-JIS, two bytes a character, trail bytes among ASCII letters: "デバイス", "日本語".
  const std::string device = "\x83\x66\x83\x6F\x83\x43\x83\x58";
  const std::string japanese = "\x93\xFA\x96\x7B\x8C\xEA";
  for (const std::string& name : {japanese, device}) {
    ASSERT_TRUE(sandbox_.SetText(kSet002 + '\\' + name + "\\0000", "DriverDesc", name));
  }
  Watched watched(api_);
  TRegistry reader(watched);
  reader.SelectRoot(kHKeyLocalMachine);
  ASSERT_TRUE(reader.OpenExisting("\\" + kSet002));
  std::uint32_t longest = 0;
  ASSERT_EQ(
      api_.QueryInfoKey(reader.CurrentKey(), nullptr, &longest, nullptr, nullptr, nullptr, nullptr),
      kErrorSuccess);
  std::vector<std::string> names;
  reader.ListSubkeys(names);
  EXPECT_EQ(names, (Lines{device, japanese}));
  // Each name fits the first time: the buffer holds twice the summary's length.
  ASSERT_EQ(watched.enumerations.size(), 2u) << "summary said " << longest;
  for (const Watched::Enumeration& enumeration : watched.enumerations) {
    EXPECT_EQ(enumeration.bufferSize, 2 * longest + 1);
    EXPECT_EQ(enumeration.result, kErrorSuccess);
  }
  reader.CloseCurrent();

  RowStore rows;
  EXPECT_EQ(ScanDrivers(api_, rows), 2u);
  EXPECT_EQ(RowLines(rows), (Lines{device + "||||||||", japanese + "||||||||"}));
}

TEST_F(RegistryOnWine, ScanPrefersControlSet002) {
  AddFullInstance(kSet001, "{a}", "one");
  AddFullInstance(kSet002, "{b}", "two b");
  AddFullInstance(kSet002, "{A}", "two a");
  ASSERT_TRUE(sandbox_.SetText(kSet002 + "\\{c}\\0001", "DriverDesc", "later instance"));
  ASSERT_TRUE(sandbox_.SetText(kSet002 + "\\{d}\\0000", "ProviderName", "no description"));
  ExpectScan({FullLine("two a"), FullLine("two b")});
}

TEST_F(RegistryOnWine, ScanFallsBackToControlSet003ThenControlSet001) {
  AddFullInstance(kSet001, "{a}", "one");
  RowStore rows;
  EXPECT_EQ(ScanDrivers(api_, rows), 1u);
  EXPECT_EQ(RowLines(rows), Lines{FullLine("one")});
  AddFullInstance(kSet003, "{a}", "three");
  EXPECT_EQ(ScanDrivers(api_, rows), 1u);
  EXPECT_EQ(RowLines(rows), Lines{FullLine("three")});
}

TEST_F(RegistryOnWine, ScanOfNoControlSetCountsZero) {
  ASSERT_TRUE(sandbox_.AddKey("SYSTEM\\CurrentControlSet\\Control\\Class\\{a}\\0000"));
  RowStore rows;
  EXPECT_EQ(ScanDrivers(api_, rows), 0u);
  EXPECT_EQ(rows.Count(), 0u);
}

TEST_F(RegistryOnWine, ScanStopsAtADwordInfSectionKeepingTheRowsSoFar) {
  AddFullInstance(kSet002, "{a}", "a");
  AddFullInstance(kSet002, "{b}", "b");
  ASSERT_TRUE(sandbox_.SetValue(kSet002 + "\\{b}\\0000", "InfSection", REG_DWORD,
                                std::string("\1\0\0\0", 4)));
  AddFullInstance(kSet002, "{c}", "c");
  RowStore rows;
  std::string message;
  try {
    ScanDrivers(api_, rows);
  } catch (const ERegistryException& e) {
    message = e.Message();
  }
  EXPECT_EQ(message, "Invalid data type for 'InfSection'");
  EXPECT_EQ(RowLines(rows), (Lines{FullLine("a"), FullLine("b", 4)}));
}

TEST_F(RegistryOnWine, ScanReadsAnExpandableDescriptionUnexpanded) {
  ASSERT_TRUE(sandbox_.SetValue(kSet002 + "\\{a}\\0000", "DriverDesc", REG_EXPAND_SZ,
                                std::string("%SystemRoot%\\drv\0", 17)));
  RowStore rows;
  EXPECT_EQ(ScanDrivers(api_, rows), 1u);
  EXPECT_EQ(rows.Row(0).caption, "%SystemRoot%\\drv");
}

TEST_F(RegistryOnWine, KeysGrantingOnlyReadingAreScanned) {
  AddFullInstance(kSet002, "{a}", "two");
  AddFullInstance(kSet001, "{a}", "one");
  ASSERT_TRUE(sandbox_.Restrict(kSet002, "D:(A;;KR;;;WD)"));
  ASSERT_TRUE(sandbox_.Restrict(kSet002 + "\\{a}\\0000", "D:(A;;KR;;;WD)"));
  // What asking for full access would meet:
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSet002.c_str(), 0, KEY_ALL_ACCESS, &key),
            ERROR_ACCESS_DENIED);
  ExpectScan({FullLine("two")});
}

TEST_F(RegistryOnWine, ClassKeyRefusingReadingCountsAsAbsent) {
  AddFullInstance(kSet002, "{a}", "two");
  AddFullInstance(kSet001, "{a}", "one");
  ASSERT_TRUE(sandbox_.Restrict(kSet002, "D:(D;;KR;;;WD)(A;;KA;;;WD)"));
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSet002.c_str(), 0, KEY_READ, &key),
            ERROR_ACCESS_DENIED);
  ExpectScan({FullLine("one")});
}

TEST(RegistrySandboxOnWine, RedirectionEndsAndTheScratchKeyGoes) {
  std::string scratch;
  {
    RegistrySandbox sandbox("sandbox");
    ASSERT_TRUE(sandbox.Ready());
    ASSERT_TRUE(sandbox.AddKey("Tolvane Sandbox Probe"));
    scratch = sandbox.ScratchPath();
  }
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Tolvane Sandbox Probe", 0, KEY_READ, &key),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, scratch.c_str(), 0, KEY_READ, &key),
            ERROR_FILE_NOT_FOUND);
}
