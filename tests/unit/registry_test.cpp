#include "inventory/registry.h"

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "fake_registry_api.h"

// A value may report a size no buffer can be made for (4 GiB on the 32-bit program). Under
// AddressSanitizer such a request aborts the process unless the allocator may say no: for
// the whole unit-test program (the scan's and tolvane-list's tests count on it too), it says
// no from 2 GiB on, so the tests meet the refusal the program meets.
extern "C" const char* __asan_default_options() {
  return "allocator_may_return_null=1:max_allocation_size_mb=2048";
}

namespace {

using Lines = std::vector<std::string>;

constexpr const char* kKey = "SYSTEM\\Key";

std::string MessageOf(TRegistry& reader, const std::string& name) {
  try {
    reader.ReadText(name);
  } catch (const ERegistryException& e) {
    return e.Message();
  }
  return "(no error)";
}

// A reader with HKLM\SYSTEM\Key open.
struct OpenReader {
  FakeRegistry fake;
  TRegistry reader{fake};
  OpenReader() {
    fake.AddKey(kKey);
    reader.SelectRoot(kHKeyLocalMachine);
  }
  std::string Read(const std::string& name) {
    EXPECT_TRUE(reader.OpenExisting(std::string("\\") + kKey));
    fake.ClearCalls();
    return reader.ReadText(name);
  }
};

}  // namespace

TEST(RegistryReaderLifetime, StartsAtCurrentUserWithReadAccessAndNoKey) {
  FakeRegistry fake;
  TRegistry reader(fake);
  EXPECT_EQ(reader.RootKey(), kHKeyCurrentUser);
  EXPECT_EQ(reader.Access(), kKeyRead);
  EXPECT_FALSE(reader.HasCurrentKey());
  EXPECT_EQ(reader.CurrentPath(), "");
  EXPECT_TRUE(fake.Calls().empty());
}

TEST(RegistryReaderLifetime, ReleaseClosesTheOpenKey) {
  FakeRegistry fake;
  fake.AddKey("A", kHKeyCurrentUser);
  {
    TRegistry reader(fake);
    ASSERT_TRUE(reader.OpenExisting("A"));
    EXPECT_EQ(fake.OpenHandles(), 1u);
  }
  EXPECT_EQ(fake.OpenHandles(), 0u);
  EXPECT_EQ(fake.Trace().back(), "Close HKCU\\A = 0");
}

TEST(RegistryReaderLifetime, ReleaseWithoutOpenKeyMakesNoCall) {
  FakeRegistry fake;
  { TRegistry reader(fake); }
  EXPECT_TRUE(fake.Calls().empty());
}

// A reader of HKEY_LOCAL_MACHINE over a fake registry, fresh for each case.
class LocalMachineReader : public testing::Test {
 protected:
  void SetUp() override { reader.SelectRoot(kHKeyLocalMachine); }

  // Opens each path in turn; each open must succeed.
  void OpenEach(std::initializer_list<const char*> paths) {
    for (const char* path : paths) ASSERT_TRUE(reader.OpenExisting(path)) << path;
  }

  FakeRegistry fake;
  TRegistry reader{fake};
};
class RegistryOpenExisting : public LocalMachineReader {};
class RegistryAccess : public LocalMachineReader {};
class RegistrySelectRoot : public LocalMachineReader {};

TEST_F(RegistryOpenExisting, AbsolutePathDropsOneBackslashAndRequestsReadOnly) {
  fake.AddKey("SYSTEM\\ControlSet002\\Control\\Class");
  EXPECT_TRUE(reader.OpenExisting("\\SYSTEM\\ControlSet002\\Control\\Class\\"));
  EXPECT_EQ(fake.Trace(), Lines{"Open HKLM SYSTEM\\ControlSet002\\Control\\Class\\ 0x20019 = 0"});
  EXPECT_EQ(reader.CurrentPath(), "SYSTEM\\ControlSet002\\Control\\Class\\");
}

TEST_F(RegistryOpenExisting, AbsolutePathIgnoresTheOpenKey) {
  fake.AddKey("A\\B");
  fake.AddKey("C");
  ASSERT_NO_FATAL_FAILURE(OpenEach({"\\A\\B", "\\C"}));
  EXPECT_EQ(fake.Trace(), (Lines{"Open HKLM A\\B 0x20019 = 0", "Open HKLM C 0x20019 = 0",
                                 "Close HKLM\\A\\B = 0"}));
  EXPECT_EQ(reader.CurrentPath(), "C");
  EXPECT_EQ(fake.OpenHandles(), 1u);
}

TEST_F(RegistryOpenExisting, RelativePathOpensBelowTheOpenKeyAndExtendsItsPath) {
  fake.AddKey("A\\B\\C");
  ASSERT_NO_FATAL_FAILURE(OpenEach({"A", "B\\C"}));
  EXPECT_EQ(fake.Trace(), (Lines{"Open HKLM A 0x20019 = 0", "Open HKLM\\A B\\C 0x20019 = 0",
                                 "Close HKLM\\A = 0"}));
  EXPECT_EQ(reader.CurrentPath(), "A\\B\\C");
}

TEST_F(RegistryOpenExisting, RelativePathWithoutOpenKeyOpensBelowTheRoot) {
  fake.AddKey("A");
  EXPECT_TRUE(reader.OpenExisting("A"));
  EXPECT_EQ(fake.Trace(), Lines{"Open HKLM A 0x20019 = 0"});
}

TEST_F(RegistryOpenExisting, FailureLeavesThePreviousKeyOpenUntilCloseCurrent) {
  fake.AddKey("A");
  ASSERT_TRUE(reader.OpenExisting("\\A"));
  const RegKey held = reader.CurrentKey();
  EXPECT_FALSE(reader.OpenExisting("\\Missing"));
  EXPECT_FALSE(reader.OpenExisting("Missing"));
  EXPECT_EQ(reader.CurrentKey(), held);
  EXPECT_EQ(reader.CurrentPath(), "A");
  EXPECT_EQ(fake.OpenHandles(), 1u);
  reader.CloseCurrent();
  EXPECT_EQ(fake.OpenHandles(), 0u);
  EXPECT_FALSE(reader.HasCurrentKey());
  EXPECT_EQ(reader.CurrentPath(), "");
  reader.CloseCurrent();  // nothing open: no call
  EXPECT_EQ(fake.CallCount(RegCall::CloseKey), 1u);
}

TEST_F(RegistryOpenExisting, FailureWithAnyCodeLeavesTheStateAlone) {
  for (const long code : {kErrorAccessDenied, kErrorOutOfMemory, kErrorMoreData, 1234L}) {
    FakeRegistry failing;  // fresh for each code
    failing.AddKey("A");
    failing.AddKey("B");
    failing.FailCall(RegCall::OpenKeyEx, 2, code);
    TRegistry failingReader(failing);
    failingReader.SelectRoot(kHKeyLocalMachine);
    ASSERT_TRUE(failingReader.OpenExisting("\\A"));
    EXPECT_FALSE(failingReader.OpenExisting("\\B")) << code;
    EXPECT_EQ(failingReader.CurrentPath(), "A");
    EXPECT_EQ(failing.OpenHandles(), 1u);
  }
}

TEST_F(RegistryOpenExisting, NamesAreMatchedWithoutRegardToCase) {
  fake.AddKey("System\\ControlSet001");
  EXPECT_TRUE(reader.OpenExisting("\\SYSTEM\\controlset001"));
}

TEST_F(RegistryAccess, KeyThatRefusesOnlyWritingOpensForReading) {
  fake.RefuseAccess("A", kKeyAllAccess & ~kKeyRead);
  EXPECT_TRUE(reader.OpenExisting("\\A"));
}

TEST_F(RegistryAccess, KeyThatRefusesReadingCountsAsAbsent) {
  fake.RefuseAccess("A", kKeyRead);
  EXPECT_FALSE(reader.OpenExisting("\\A"));
  EXPECT_FALSE(reader.HasCurrentKey());
  EXPECT_EQ(fake.Trace(), Lines{"Open HKLM A 0x20019 = 5"});
}

TEST_F(RegistrySelectRoot, SameRootKeepsTheOpenKey) {
  fake.AddKey("A");
  ASSERT_TRUE(reader.OpenExisting("\\A"));
  reader.SelectRoot(kHKeyLocalMachine);
  EXPECT_TRUE(reader.HasCurrentKey());
  EXPECT_EQ(fake.OpenHandles(), 1u);
}

TEST_F(RegistrySelectRoot, OtherRootClosesTheOpenKeyAndTakesOver) {
  fake.AddKey("A");
  fake.AddKey("A", kHKeyCurrentUser);
  ASSERT_TRUE(reader.OpenExisting("\\A"));
  reader.SelectRoot(kHKeyCurrentUser);
  EXPECT_FALSE(reader.HasCurrentKey());
  EXPECT_EQ(fake.OpenHandles(), 0u);
  ASSERT_TRUE(reader.OpenExisting("\\A"));
  EXPECT_EQ(fake.Trace().back(), "Open HKCU A 0x20019 = 0");
}

TEST(RegistryListSubkeys, KeyWithoutSubkeysEmptiesTheList) {
  OpenReader r;
  ASSERT_TRUE(r.reader.OpenExisting("\\SYSTEM\\Key"));
  std::vector<std::string> list{"stale", "names"};
  r.reader.ListSubkeys(list);
  EXPECT_TRUE(list.empty());
  EXPECT_EQ(r.fake.CallCount(RegCall::EnumKeyEx), 0u);
}

TEST(RegistryListSubkeys, NamesComeInCaseInsensitiveEnumerationOrderWithOneBuffer) {
  OpenReader r;
  for (const char* name : {"b", "Ccc", "A", "{4d36e968}"}) {
    r.fake.AddKey(std::string(kKey) + "\\" + name);
  }
  ASSERT_TRUE(r.reader.OpenExisting("\\SYSTEM\\Key"));
  r.fake.ClearCalls();
  std::vector<std::string> list;
  r.reader.ListSubkeys(list);
  EXPECT_EQ(list, (Lines{"A", "b", "Ccc", "{4d36e968}"}));
  EXPECT_EQ(r.fake.Trace(),
            (Lines{"QueryInfo HKLM\\SYSTEM\\Key = 0", "Enum HKLM\\SYSTEM\\Key 0 [11] = 0",
                   "Enum HKLM\\SYSTEM\\Key 1 [11] = 0", "Enum HKLM\\SYSTEM\\Key 2 [11] = 0",
                   "Enum HKLM\\SYSTEM\\Key 3 [11] = 0"}));
}

TEST(RegistryListSubkeys, BufferDoublesOnlyForALanguageNotWesternWithADoubleByteCodePage) {
  const CpInfo japanese{2, {'?', 0}, {0x81, 0x9F, 0xE0, 0xFC}};  // 932
  const CpInfo chinese{2, {'?', 0}, {0x81, 0xFE}};               // 936, 949, 950
  const CpInfo western{1, {'?', 0}, {}};                         // 1252
  const struct {
    std::uint32_t threadLocale;
    std::optional<CpInfo> ansiCodePage;
    std::uint32_t bufferSize;  // for a longest name of 10 bytes
  } cases[] = {
      {0x0411, japanese, 21},      // Japanese
      {0x0804, chinese, 21},       // Chinese (PRC)
      {0x0412, chinese, 21},       // Korean
      {0x0401, japanese, 21},      // Arabic is not Western either
      {0x00010411, japanese, 21},  // a sort order beside the language changes nothing
      {0x0409, japanese, 11},      // English
      {0x0407, japanese, 11},      // German
      {0x0419, japanese, 11},      // Russian
      {0x0408, japanese, 11},      // Greek
      {0x0411, western, 11},       // a code page without lead bytes
      {0x0411, std::nullopt, 11},  // GetCPInfo fails
  };
  const std::string japaneseName = "\x93\xFA\x96\x7B";  // Shift-JIS for two characters
  for (const auto& c : cases) {
    OpenReader r;
    r.fake.AddKey(std::string(kKey) + "\\0123456789");
    r.fake.AddKey(std::string(kKey) + "\\" + japaneseName);
    r.fake.SetLocale(c.threadLocale, c.ansiCodePage);
    ASSERT_TRUE(r.reader.OpenExisting("\\SYSTEM\\Key"));
    r.fake.ClearCalls();
    std::vector<std::string> list;
    r.reader.ListSubkeys(list);
    EXPECT_EQ(list, (Lines{"0123456789", japaneseName})) << std::hex << c.threadLocale;
    const std::string size = " [" + std::to_string(c.bufferSize) + "] = 0";
    EXPECT_EQ(r.fake.Trace(),
              (Lines{"QueryInfo HKLM\\SYSTEM\\Key = 0", "Enum HKLM\\SYSTEM\\Key 0" + size,
                     "Enum HKLM\\SYSTEM\\Key 1" + size}))
        << std::hex << c.threadLocale;
  }
}

TEST(RegistryListSubkeys, FailedSummaryListsNothingAndRaisesNothing) {
  OpenReader r;
  r.fake.AddKey(std::string(kKey) + "\\X");
  r.fake.FailCall(RegCall::QueryInfoKey, 1, kErrorAccessDenied);
  ASSERT_TRUE(r.reader.OpenExisting("\\SYSTEM\\Key"));
  std::vector<std::string> list{"old"};
  EXPECT_NO_THROW(r.reader.ListSubkeys(list));
  EXPECT_TRUE(list.empty());
}

TEST(RegistryListSubkeys, NameLongerThanTheBufferIsRetriedNotLost) {
  OpenReader r;
  r.fake.AddKey(std::string(kKey) + "\\B");
  r.fake.AddKey(std::string(kKey) + "\\C");
  ASSERT_TRUE(r.reader.OpenExisting("\\SYSTEM\\Key"));
  // A longer name takes index 0 between the summary and the enumeration.
  const std::string longName(255, 'A');
  r.fake.OnCall([&](RegCall call, std::size_t) {
    if (call == RegCall::EnumKeyEx) r.fake.AddKey(std::string(kKey) + "\\" + longName);
  });
  std::vector<std::string> list;
  r.reader.ListSubkeys(list);
  EXPECT_EQ(list, (Lines{longName, "B"}));
}

TEST(RegistryListSubkeys, TooSmallAnswerFromTheRegistryIsRetried) {
  OpenReader r;
  r.fake.AddKey(std::string(kKey) + "\\Name");
  r.fake.FailCall(RegCall::EnumKeyEx, 1, kErrorMoreData);
  ASSERT_TRUE(r.reader.OpenExisting("\\SYSTEM\\Key"));
  std::vector<std::string> list;
  r.reader.ListSubkeys(list);
  EXPECT_EQ(list, Lines{"Name"});
  EXPECT_EQ(r.fake.CallCount(RegCall::EnumKeyEx), 2u);
}

TEST(RegistryListSubkeys, IndexThatFailsOtherwiseIsSkipped) {
  OpenReader r;
  for (const char* name : {"A", "B", "C"}) r.fake.AddKey(std::string(kKey) + "\\" + name);
  r.fake.FailCall(RegCall::EnumKeyEx, 2, kErrorAccessDenied);
  ASSERT_TRUE(r.reader.OpenExisting("\\SYSTEM\\Key"));
  std::vector<std::string> list;
  r.reader.ListSubkeys(list);
  EXPECT_EQ(list, (Lines{"A", "C"}));
}

TEST(RegistryListSubkeys, SubkeysRemovedDuringTheListingAreSkipped) {
  OpenReader r;
  for (const char* name : {"A", "B", "C"}) r.fake.AddKey(std::string(kKey) + "\\" + name);
  ASSERT_TRUE(r.reader.OpenExisting("\\SYSTEM\\Key"));
  r.fake.OnCall([&](RegCall call, std::size_t) {
    if (call == RegCall::EnumKeyEx) r.fake.DeleteKey(std::string(kKey) + "\\C");
  });
  std::vector<std::string> list;
  r.reader.ListSubkeys(list);
  EXPECT_EQ(list, (Lines{"A", "B"}));
  EXPECT_EQ(r.fake.CallCount(RegCall::EnumKeyEx), 3u);
}

TEST(RegistryListSubkeys, RegistryThatNeverFitsTheNameEndsTheRetries) {
  OpenReader r;
  r.fake.AddKey(std::string(kKey) + "\\A");
  for (std::size_t n = 1; n <= 64; ++n) r.fake.FailCall(RegCall::EnumKeyEx, n, kErrorMoreData);
  ASSERT_TRUE(r.reader.OpenExisting("\\SYSTEM\\Key"));
  std::vector<std::string> list;
  r.reader.ListSubkeys(list);
  EXPECT_TRUE(list.empty());
  EXPECT_LT(r.fake.CallCount(RegCall::EnumKeyEx), 64u);
}

TEST(RegistryListSubkeys, LongestNamesAndHighBytesSurvive) {
  OpenReader r;
  const std::string longest(255, 'x');
  const std::string high = "\x80\xA0\xC4\xFF";
  r.fake.AddKey(std::string(kKey) + "\\" + longest);
  r.fake.AddKey(std::string(kKey) + "\\" + high);
  ASSERT_TRUE(r.reader.OpenExisting("\\SYSTEM\\Key"));
  std::vector<std::string> list;
  r.reader.ListSubkeys(list);
  EXPECT_EQ(list, (Lines{longest, high}));
}

TEST(RegistryReadText, TextStoredWithItsNulReadsWithoutIt) {
  OpenReader r;
  r.fake.SetValue(kKey, "V", kRegSz, std::string("abc\0", 4));
  EXPECT_EQ(r.Read("V"), "abc");
  EXPECT_EQ(r.fake.Trace(), (Lines{"QueryValue HKLM\\SYSTEM\\Key V [0] = 0",
                                   "QueryValue HKLM\\SYSTEM\\Key V [4] = 0"}));
}

TEST(RegistryReadText, NulInsideTheDataEndsTheText) {
  OpenReader r;
  r.fake.SetValue(kKey, "V", kRegSz, std::string("abc\0def\0", 8));
  EXPECT_EQ(r.Read("V"), "abc");
  r.fake.SetValue(kKey, "W", kRegSz, std::string("\0abc", 4));
  EXPECT_EQ(r.Read("W"), "");
}

TEST(RegistryReadText, TextWithoutNulIsBoundedByTheBytesWritten) {
  OpenReader r;
  r.fake.SetValue(kKey, "Exact", kRegSz, "abc");
  EXPECT_EQ(r.Read("Exact"), "abc");
  // The size query overstates; the bytes after the written ones are junk.
  r.fake.SetValue(kKey, "Short", kRegSz, "abc");
  r.fake.ReportSize(kKey, "Short", 16);
  EXPECT_EQ(r.Read("Short"), "abc");
  EXPECT_EQ(r.fake.Trace()[1], "QueryValue HKLM\\SYSTEM\\Key Short [16] = 0");
}

TEST(RegistryReadText, ExpandableTextIsReadUnexpanded) {
  OpenReader r;
  r.fake.SetValue(kKey, "V", kRegExpandSz, std::string("%SystemRoot%\\inf\0", 17));
  EXPECT_EQ(r.Read("V"), "%SystemRoot%\\inf");
}

TEST(RegistryReadText, BytesAboveAsciiPassUnchanged) {
  OpenReader r;
  std::string all;
  for (int byte = 0x80; byte <= 0xFF; ++byte) all.push_back(static_cast<char>(byte));
  r.fake.SetValue(kKey, "V", kRegSz, all + '\0');
  EXPECT_EQ(r.Read("V"), all);
}

TEST(RegistryReadText, OneMebibyteOfTextReadsWhole) {
  OpenReader r;
  std::string big(1 << 20, 'q');
  big.back() = '\0';
  r.fake.SetValue(kKey, "V", kRegSz, big);
  EXPECT_EQ(r.Read("V"), std::string((1 << 20) - 1, 'q'));
  r.fake.SetValue(kKey, "W", kRegSz, std::string(1 << 20, 'w'));
  EXPECT_EQ(r.Read("W").size(), std::size_t{1} << 20);
}

TEST(RegistryReadText, AbsentValueIsEmptyAfterOneQuery) {
  OpenReader r;
  EXPECT_EQ(r.Read("Missing"), "");
  EXPECT_EQ(r.fake.CallCount(RegCall::QueryValueEx), 1u);
}

TEST(RegistryReadText, FailedSizeQueryOfAnyKindIsEmpty) {
  for (const long code : {kErrorAccessDenied, kErrorKeyDeleted, kErrorMoreData, 999L}) {
    OpenReader r;
    r.fake.SetText(kKey, "V", "text");
    r.fake.FailCall(RegCall::QueryValueEx, 1, code);
    EXPECT_EQ(r.Read("V"), "") << code;
  }
}

TEST(RegistryReadText, ValueWithoutDataIsEmptyWhateverItsType) {
  for (std::uint32_t type = 0; type <= 11; ++type) {
    OpenReader r;
    r.fake.SetValue(kKey, "V", type, "");
    EXPECT_EQ(r.Read("V"), "") << type;
    EXPECT_EQ(r.fake.CallCount(RegCall::QueryValueEx), 1u);
  }
  OpenReader r;
  r.fake.SetValue(kKey, "V", 0x12345678, "");
  EXPECT_EQ(r.Read("V"), "");
}

TEST(RegistryReadText, DataOfEveryOtherTypeIsInvalid) {
  for (const std::uint32_t type : {kRegNone, kRegBinary, kRegDword, kRegDwordBigEndian, kRegLink,
                                   kRegMultiSz, kRegResourceList, kRegFullResourceDescriptor,
                                   kRegResourceRequirementsList, kRegQword, 0x12345678u}) {
    OpenReader r;
    r.fake.SetValue(kKey, "InfSection", type, std::string("a\0b\0\0\0\0\0", 8));
    ASSERT_TRUE(r.reader.OpenExisting("\\SYSTEM\\Key"));
    EXPECT_EQ(MessageOf(r.reader, "InfSection"), "Invalid data type for 'InfSection'") << type;
  }
}

TEST(RegistryReadText, DwordAndMultiStringAreInvalid) {
  OpenReader r;
  r.fake.SetValue(kKey, "Dw", kRegDword, std::string("\x01\0\0\0", 4));
  r.fake.SetValue(kKey, "Multi", kRegMultiSz, std::string("a\0b\0\0", 5));
  ASSERT_TRUE(r.reader.OpenExisting("\\SYSTEM\\Key"));
  EXPECT_EQ(MessageOf(r.reader, "Dw"), "Invalid data type for 'Dw'");
  EXPECT_EQ(MessageOf(r.reader, "Multi"), "Invalid data type for 'Multi'");
}

TEST(RegistryReadText, ErrorNamesTheValueAsPassedAndKeepsTheKeyOpen) {
  OpenReader r;
  r.fake.SetValue(kKey, "InfSection", kRegDword, std::string(4, '\0'));
  ASSERT_TRUE(r.reader.OpenExisting("\\SYSTEM\\Key"));
  EXPECT_EQ(MessageOf(r.reader, "infsection"), "Invalid data type for 'infsection'");
  EXPECT_TRUE(r.reader.HasCurrentKey());
  EXPECT_EQ(r.reader.CurrentPath(), "SYSTEM\\Key");
  EXPECT_EQ(r.fake.OpenHandles(), 1u);
}

TEST(RegistryReadText, FailedDataQueryRaisesFailedToGetData) {
  const std::function<void(FakeRegistry&)> faults[] = {
      [](FakeRegistry& f) { f.FailCall(RegCall::QueryValueEx, 2, kErrorAccessDenied); },
      [](FakeRegistry& f) { f.FailCall(RegCall::QueryValueEx, 2, kErrorMoreData); },
      [](FakeRegistry& f) { f.FailCall(RegCall::QueryValueEx, 2, kErrorKeyDeleted); },
      // A size that no buffer can be made for: the data is not read at all.
      [](FakeRegistry& f) { f.ReportSize(kKey, "V", 0xFFFFFFFF); },
  };
  for (std::size_t n = 0; n < std::size(faults); ++n) {
    OpenReader r;
    r.fake.SetText(kKey, "V", "text");
    faults[n](r.fake);
    ASSERT_TRUE(r.reader.OpenExisting("\\SYSTEM\\Key"));
    EXPECT_EQ(MessageOf(r.reader, "V"), "Failed to get data for 'V'") << n;
    EXPECT_TRUE(r.reader.HasCurrentKey()) << n;
  }
}

TEST(RegistryReadText, ValueThatGrowsBetweenTheQueriesFailsToRead) {
  OpenReader r;
  r.fake.SetText(kKey, "V", "short");
  ASSERT_TRUE(r.reader.OpenExisting("\\SYSTEM\\Key"));
  r.fake.OnCall([&](RegCall call, std::size_t ordinal) {
    if (call == RegCall::QueryValueEx && ordinal == 3) r.fake.SetText(kKey, "V", "much longer");
  });
  EXPECT_EQ(MessageOf(r.reader, "V"), "Failed to get data for 'V'");
}

TEST(RegistryReadText, ValueThatVanishesBetweenTheQueriesFailsToRead) {
  OpenReader r;
  r.fake.SetText(kKey, "V", "text");
  ASSERT_TRUE(r.reader.OpenExisting("\\SYSTEM\\Key"));
  r.fake.OnCall([&](RegCall call, std::size_t ordinal) {
    if (call == RegCall::QueryValueEx && ordinal == 3) r.fake.DeleteKey(kKey);
  });
  EXPECT_EQ(MessageOf(r.reader, "V"), "Failed to get data for 'V'");
}
