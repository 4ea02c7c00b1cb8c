#include "inventory/driver_scan.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "fake_registry_api.h"
#include "inventory/registry.h"

namespace {

using Lines = std::vector<std::string>;
using Values = std::map<std::string, std::string>;

const std::string kSet001 = "SYSTEM\\ControlSet001\\Control\\Class";
const std::string kSet002 = "SYSTEM\\ControlSet002\\Control\\Class";
const std::string kSet003 = "SYSTEM\\ControlSet003\\Control\\Class";

// All nine values, each "<tag> <value name>".
Values FullValues(const std::string& tag) {
  Values values;
  for (const DriverColumn& column : kDriverColumns) {
    values[std::string(column.valueName)] = tag + ' ' + std::string(column.valueName);
  }
  return values;
}

void AddInstance(FakeRegistry& fake, const std::string& classKey, const std::string& name,
                 const Values& values, const std::string& instance = "0000") {
  const std::string path = classKey + '\\' + name + '\\' + instance;
  fake.AddKey(path);
  for (const auto& [valueName, text] : values) fake.SetText(path, valueName, text);
}

// A row as one line: the caption and the sub-items joined by '|'.
std::string RowLine(const DriverRow& row) {
  std::string line = row.caption;
  for (const std::string& item : row.subItems) line += '|' + item;
  return line;
}

Lines RowLines(const RowStore& rows) {
  Lines lines;
  for (std::size_t i = 0; i < rows.Count(); ++i) lines.push_back(RowLine(rows.Row(i)));
  return lines;
}

// The row that a complete instance with these values makes.
std::string ExpectedLine(const Values& values, std::size_t subItems = kDriverColumns.size() - 1) {
  std::string line;
  for (std::size_t column = 0; column <= subItems; ++column) {
    const auto at = values.find(std::string(kDriverColumns[column].valueName));
    if (column > 0) line += '|';
    if (at != values.end()) line += at->second;
  }
  return line;
}

struct ScanResult {
  std::optional<std::size_t> count;  // none when an error ended the scan
  std::string error;
};

ScanResult Scan(FakeRegistry& fake, RowStore& rows) {
  ScanResult result;
  try {
    result.count = ScanDrivers(fake, rows);
  } catch (const ERegistryException& e) {
    result.error = e.Message();
  }
  return result;
}

// Scans once, expecting this count and these rows.
void ExpectScan(FakeRegistry& fake, std::size_t count, const Lines& expected) {
  RowStore rows;
  EXPECT_EQ(ScanDrivers(fake, rows), count);
  EXPECT_EQ(RowLines(rows), expected);
}

bool TraceMentions(const FakeRegistry& fake, const std::string& text) {
  for (const std::string& line : fake.Trace()) {
    if (line.find(text) != std::string::npos) return true;
  }
  return false;
}

}  // namespace

// The columns named here as the window shows them, not read from kDriverColumns: a change to
// that table that moves a value to another column, or renames one, fails here.
TEST(DriverScanColumns, EachColumnShowsItsCaptionAndValue) {
  FakeRegistry fake;
  AddInstance(fake, kSet002, "{36fc9e60-c465-11cf-8056-444553540000}",
              {{"DriverDesc", "USB Root Hub"},
               {"ProviderName", "Microsoft"},
               {"DriverVersion", "10.0.19041.1"},
               {"DriverDate", "6-21-2006"},
               {"InfPath", "usbport.inf"},
               {"InfSection", "ROOTHUB.Dev"},
               {"InfSectionExt", ".NT"},
               {"MatchingDeviceId", "usb\\root_hub"},
               {"EnumPropPages32", "usbui.dll,USBHubPropPageProvider"}});
  RowStore rows;
  ASSERT_EQ(ScanDrivers(fake, rows), 1u);
  const std::pair<std::string_view, std::string_view> kShown[] = {
      {"Driver", "USB Root Hub"},
      {"Provider", "Microsoft"},
      {"Version", "10.0.19041.1"},
      {"Driver Date", "6-21-2006"},
      {"Inf Path", "usbport.inf"},
      {"Inf Section", "ROOTHUB.Dev"},
      {"Inf Section Ext", ".NT"},
      {"Matching Device Id", "usb\\root_hub"},
      {"EnumPropPages32", "usbui.dll,USBHubPropPageProvider"}};
  ASSERT_EQ(kDriverColumns.size(), std::size(kShown));
  for (std::size_t column = 0; column < std::size(kShown); ++column) {
    EXPECT_EQ(kDriverColumns[column].caption, kShown[column].first);
    EXPECT_EQ(rows.CellText(0, column), kShown[column].second) << kShown[column].first;
  }
}

TEST(DriverScanControlSet, NoClassKeyGivesCountZeroAfterTryingAllThreeInOrder) {
  FakeRegistry fake;
  fake.AddKey("SYSTEM\\CurrentControlSet\\Control\\Class\\{x}\\0000");
  RowStore rows;
  EXPECT_EQ(ScanDrivers(fake, rows), 0u);
  EXPECT_EQ(rows.Count(), 0u);
  EXPECT_EQ(fake.Trace(), (Lines{"Open HKLM SYSTEM\\ControlSet002\\Control\\Class\\ 0x20019 = 2",
                                 "Open HKLM SYSTEM\\ControlSet003\\Control\\Class\\ 0x20019 = 2",
                                 "Open HKLM SYSTEM\\ControlSet001\\Control\\Class\\ 0x20019 = 2"}));
}

TEST(DriverScanControlSet, EmptyControlSet002EndsTheScanThoughControlSet001HasClasses) {
  FakeRegistry fake;
  fake.AddKey(kSet002);
  AddInstance(fake, kSet001, "{a}", FullValues("one"));
  RowStore rows;
  EXPECT_EQ(ScanDrivers(fake, rows), 0u);
  EXPECT_FALSE(TraceMentions(fake, "ControlSet001"));
  EXPECT_FALSE(TraceMentions(fake, "ControlSet003"));
  EXPECT_EQ(fake.OpenHandles(), 0u);
}

TEST(DriverScanControlSet, ControlSet002IsPreferredToTheOthers) {
  FakeRegistry fake;
  AddInstance(fake, kSet001, "{a}", FullValues("one"));
  AddInstance(fake, kSet002, "{a}", FullValues("two"));
  AddInstance(fake, kSet003, "{a}", FullValues("three"));
  ExpectScan(fake, 1, Lines{ExpectedLine(FullValues("two"))});
}

TEST(DriverScanControlSet, AbsentControlSet002FallsBackToControlSet003) {
  FakeRegistry fake;
  AddInstance(fake, kSet001, "{a}", FullValues("one"));
  AddInstance(fake, kSet003, "{a}", FullValues("three"));
  AddInstance(fake, kSet003, "{b}", FullValues("three b"));
  RowStore rows;
  EXPECT_EQ(ScanDrivers(fake, rows), 2u);
  for (const RegCallRecord& call : fake.Calls()) {
    if (call.call == RegCall::OpenKeyEx && call.name.find("\\0000") != std::string::npos) {
      EXPECT_EQ(call.name.rfind("SYSTEM\\ControlSet003\\Control\\Class\\", 0), 0u) << call.name;
    }
  }
  EXPECT_FALSE(TraceMentions(fake, "ControlSet001"));
}

TEST(DriverScanControlSet, OnlyControlSet001IsUsedWhenAlone) {
  FakeRegistry fake;
  AddInstance(fake, kSet001, "{a}", FullValues("one"));
  RowStore rows;
  EXPECT_EQ(ScanDrivers(fake, rows), 1u);
  EXPECT_EQ(fake.Calls()[5].name, "SYSTEM\\ControlSet001\\Control\\Class\\{a}\\0000");
}

TEST(DriverScanControlSet, ClassKeyRefusingReadCountsAsAbsent) {
  FakeRegistry fake;
  AddInstance(fake, kSet002, "{a}", FullValues("two"));
  fake.RefuseAccess(kSet002, kKeyRead);
  AddInstance(fake, kSet001, "{a}", FullValues("one"));
  ExpectScan(fake, 1, Lines{ExpectedLine(FullValues("one"))});
}

TEST(DriverScanControlSet, KeysThatOnlyRefuseWritingAreReadInFull) {
  FakeRegistry fake;
  const std::uint32_t writeRights = kKeyAllAccess & ~kKeyRead;
  AddInstance(fake, kSet002, "{a}", FullValues("two"));
  fake.RefuseAccess(kSet002, writeRights);
  fake.RefuseAccess(kSet002 + "\\{a}\\0000", writeRights);
  RowStore rows;
  EXPECT_EQ(ScanDrivers(fake, rows), 1u);
  for (const RegCallRecord& call : fake.Calls()) {
    if (call.call == RegCall::OpenKeyEx) {
      EXPECT_EQ(call.number, kKeyRead);
    }
  }
}

TEST(DriverScanRows, OneClassMakesExactlyTheseCalls) {
  FakeRegistry fake;
  AddInstance(fake, kSet002, "{a}", {{"DriverDesc", "Disk"}});
  RowStore rows;
  ScanDrivers(fake, rows);
  const std::string key = "HKLM\\" + kSet002 + "\\{a}\\0000";
  Lines expected{"Open HKLM " + kSet002 + "\\ 0x20019 = 0",
                 "QueryInfo HKLM\\" + kSet002 + " = 0",
                 "Enum HKLM\\" + kSet002 + " 0 [4] = 0",
                 "Open HKLM " + kSet002 + "\\{a}\\0000 0x20019 = 0",
                 "Close HKLM\\" + kSet002 + " = 0",
                 "QueryValue " + key + " DriverDesc [0] = 0",
                 "QueryValue " + key + " DriverDesc [5] = 0"};
  for (std::size_t column = 1; column < kDriverColumns.size(); ++column) {
    expected.push_back("QueryValue " + key + " " + std::string(kDriverColumns[column].valueName) +
                       " [0] = 2");
  }
  expected.push_back("Close " + key + " = 0");
  EXPECT_EQ(fake.Trace(), expected);
  EXPECT_EQ(RowLines(rows), Lines{"Disk||||||||"});
}

TEST(DriverScanRows, OnlyInstance0000IsEverRead) {
  FakeRegistry fake;
  AddInstance(fake, kSet002, "{a}", FullValues("a"), "0001");
  AddInstance(fake, kSet002, "{b}", FullValues("b"));
  AddInstance(fake, kSet002, "{b}", FullValues("b1"), "0001");
  ExpectScan(fake, 1, Lines{ExpectedLine(FullValues("b"))});
  EXPECT_FALSE(TraceMentions(fake, "0001"));
  EXPECT_EQ(fake.OpenHandles(), 0u);
}

TEST(DriverScanRows, AbsentOrEmptyDescriptionMakesNoRowButClosesTheInstance) {
  FakeRegistry fake;
  AddInstance(fake, kSet002, "{a}", {{"ProviderName", "P"}});
  AddInstance(fake, kSet002, "{b}", {{"DriverDesc", ""}, {"ProviderName", "P"}});
  AddInstance(fake, kSet002, "{c}", {{"ProviderName", "P"}});
  fake.SetValue(kSet002 + "\\{c}\\0000", "DriverDesc", kRegSz, "");
  fake.AddKey(kSet002 + "\\{d}\\0000");
  fake.SetValue(kSet002 + "\\{d}\\0000", "DriverDesc", kRegSz, std::string("\0x", 2));
  RowStore rows;
  EXPECT_EQ(ScanDrivers(fake, rows), 0u);
  for (const char* name : {"{a}", "{b}", "{c}", "{d}"}) {
    EXPECT_TRUE(TraceMentions(fake, "Close HKLM\\" + kSet002 + "\\" + name + "\\0000 = 0"));
  }
  EXPECT_FALSE(TraceMentions(fake, "ProviderName"));
}

TEST(DriverScanRows, DescriptionAloneGivesEightEmptySubItems) {
  FakeRegistry fake;
  AddInstance(fake, kSet002, "{a}", {{"DriverDesc", "Only"}});
  RowStore rows;
  ScanDrivers(fake, rows);
  ASSERT_EQ(rows.Count(), 1u);
  EXPECT_EQ(rows.Row(0).caption, "Only");
  EXPECT_EQ(rows.Row(0).subItems, Lines(8, ""));
}

TEST(DriverScanRows, RowsFollowEnumerationOrderNotDescriptions) {
  FakeRegistry fake;
  AddInstance(fake, kSet002, "{c}", {{"DriverDesc", "Alpha"}});
  AddInstance(fake, kSet002, "{A}", {{"DriverDesc", "Zulu"}});
  AddInstance(fake, kSet002, "{b}", {{"DriverDesc", "Mike"}});
  RowStore rows;
  ScanDrivers(fake, rows);
  EXPECT_EQ(RowLines(rows), (Lines{"Zulu||||||||", "Mike||||||||", "Alpha||||||||"}));
}

TEST(DriverScanRows, TextIsKeptAsStoredUpToItsFirstNul) {
  FakeRegistry fake;
  const std::string path = kSet002 + "\\{a}\\0000";
  fake.AddKey(path);
  fake.SetValue(path, "DriverDesc", kRegExpandSz, std::string("%SystemRoot%\\x\0", 15));
  fake.SetValue(path, "ProviderName", kRegSz, std::string("Acme\0Junk\0", 10));
  fake.SetValue(path, "DriverVersion", kRegSz, "1.0");  // no terminating NUL
  fake.SetValue(path, "DriverDate", kRegSz, std::string("\xC4\xE9\xFF\x80\0", 5));
  RowStore rows;
  ScanDrivers(fake, rows);
  EXPECT_EQ(RowLines(rows), Lines{"%SystemRoot%\\x|Acme|1.0|\xC4\xE9\xFF\x80|||||"});
}

TEST(DriverScanRows, EachScanReplacesTheRowsWithTheSameResult) {
  FakeRegistry fake;
  AddInstance(fake, kSet002, "{a}", FullValues("a"));
  AddInstance(fake, kSet002, "{b}", FullValues("b"));
  RowStore rows;
  rows.Append("left over");
  EXPECT_EQ(ScanDrivers(fake, rows), 2u);
  const Lines first = RowLines(rows);
  EXPECT_EQ(ScanDrivers(fake, rows), 2u);
  EXPECT_EQ(RowLines(rows), first);
  EXPECT_EQ(first, (Lines{ExpectedLine(FullValues("a")), ExpectedLine(FullValues("b"))}));
}

TEST(DriverScanRows, NameEnumeratedTwiceGivesTwoRows) {
  FakeRegistry fake;
  AddInstance(fake, kSet002, "{a}", {{"DriverDesc", "A"}});
  AddInstance(fake, kSet002, "{b}", {{"DriverDesc", "B"}});
  // A class added in front while listing shifts "{a}" to index 1 as well.
  fake.OnCall([&](RegCall call, std::size_t) {
    if (call == RegCall::EnumKeyEx && fake.CallCount(RegCall::EnumKeyEx) == 2) {
      fake.AddKey(kSet002 + "\\{0}");
    }
  });
  ExpectScan(fake, 2, Lines{"A||||||||", "A||||||||"});
  EXPECT_EQ(fake.OpenHandles(), 0u);
}

TEST(DriverScanRows, ClassThatVanishesAfterTheListingIsSkipped) {
  FakeRegistry fake;
  for (const char* name : {"{a}", "{b}", "{c}"}) {
    AddInstance(fake, kSet002, name, {{"DriverDesc", name}});
  }
  fake.OnCall([&](RegCall call, std::size_t) {
    if (call == RegCall::OpenKeyEx) fake.DeleteKey(kSet002 + "\\{b}");
  });
  ExpectScan(fake, 2, Lines{"{a}||||||||", "{c}||||||||"});
  EXPECT_EQ(fake.OpenHandles(), 0u);
}

TEST(DriverScanRows, InstanceDeletedWhileOpenStopsItsReadsQuietly) {
  FakeRegistry fake;
  AddInstance(fake, kSet002, "{a}", FullValues("a"));
  AddInstance(fake, kSet002, "{b}", FullValues("b"));
  fake.OnCall([&](RegCall call, std::size_t) {
    if (call == RegCall::QueryValueEx && fake.CallCount(RegCall::QueryValueEx) == 3) {
      fake.DeleteKey(kSet002 + "\\{a}");
    }
  });
  RowStore rows;
  ScanDrivers(fake, rows);
  // The size queries find the key gone and read as absent.
  EXPECT_EQ(RowLines(rows), (Lines{"a DriverDesc||||||||", ExpectedLine(FullValues("b"))}));
  EXPECT_EQ(fake.OpenHandles(), 0u);
}

TEST(DriverScanRows, LongestClassNamesAndHighBytesOpen) {
  FakeRegistry fake;
  const std::string longest(255, 'k');
  const std::string high = "\xA9\xC0\xFF";
  AddInstance(fake, kSet002, longest, {{"DriverDesc", "Long"}});
  AddInstance(fake, kSet002, high, {{"DriverDesc", "High"}});
  ExpectScan(fake, 2, Lines{"Long||||||||", "High||||||||"});
}

TEST(DriverScanRows, TenThousandClassesAllBecomeRows) {
  FakeRegistry fake;
  for (int i = 0; i < 10000; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "%05d", i);
    AddInstance(fake, kSet002, name, {{"DriverDesc", name}, {"InfPath", "oem.inf"}});
  }
  RowStore rows;
  EXPECT_EQ(ScanDrivers(fake, rows), 10000u);
  EXPECT_EQ(rows.Row(0).caption, "00000");
  EXPECT_EQ(rows.Row(9999).caption, "09999");
  EXPECT_EQ(rows.Row(9999).SubItem(3), "oem.inf");
  EXPECT_EQ(fake.OpenHandles(), 0u);
}

TEST(DriverScanErrors, ValueThatCannotBeReadStopsTheScanKeepingTheRowsSoFar) {
  const std::string instance = kSet002 + "\\{b}\\0000";
  const struct {
    std::function<void(FakeRegistry&)> fault;
    std::string error;
  } cases[] = {
      {[&](FakeRegistry& f) {
         f.SetValue(instance, "InfSection", kRegDword, std::string("\1\0\0\0", 4));
       },
       "Invalid data type for 'InfSection'"},
      // A size no buffer can be made for ends the scan the same way, with a sentence.
      {[&](FakeRegistry& f) { f.ReportSize(instance, "InfSection", 0xFFFFFFFF); },
       "Failed to get data for 'InfSection'"},
  };
  for (const auto& c : cases) {
    FakeRegistry fake;
    AddInstance(fake, kSet002, "{a}", FullValues("a"));
    AddInstance(fake, kSet002, "{b}", FullValues("b"));
    c.fault(fake);
    AddInstance(fake, kSet002, "{c}", FullValues("c"));
    RowStore rows;
    for (int run = 0; run < 2; ++run) {
      fake.ClearCalls();
      const ScanResult result = Scan(fake, rows);
      EXPECT_FALSE(result.count);
      EXPECT_EQ(result.error, c.error);
      EXPECT_EQ(RowLines(rows),
                (Lines{ExpectedLine(FullValues("a")), ExpectedLine(FullValues("b"), 4)}));
      EXPECT_FALSE(TraceMentions(fake, "{c}"));
      EXPECT_EQ(fake.OpenHandles(), 0u);
    }
  }
}

TEST(DriverScanErrors, WrongTypeOfDescriptionAppendsNoRow) {
  FakeRegistry fake;
  AddInstance(fake, kSet002, "{a}", {{"DriverDesc", "A"}});
  fake.AddKey(kSet002 + "\\{b}\\0000");
  fake.SetValue(kSet002 + "\\{b}\\0000", "DriverDesc", kRegBinary, "\x01\x02");
  RowStore rows;
  const ScanResult result = Scan(fake, rows);
  EXPECT_EQ(result.error, "Invalid data type for 'DriverDesc'");
  EXPECT_EQ(RowLines(rows), Lines{"A||||||||"});
  EXPECT_EQ(fake.OpenHandles(), 0u);
}

TEST(DriverScanErrors, EmptyValueOfAnyTypeIsNoError) {
  FakeRegistry fake;
  AddInstance(fake, kSet002, "{a}", {{"DriverDesc", "A"}});
  fake.SetValue(kSet002 + "\\{a}\\0000", "DriverVersion", kRegDword, "");
  fake.SetValue(kSet002 + "\\{a}\\0000", "InfPath", kRegMultiSz, "");
  RowStore rows;
  EXPECT_EQ(ScanDrivers(fake, rows), 1u);
}
