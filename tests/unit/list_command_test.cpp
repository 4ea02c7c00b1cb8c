#include "cli/list_command.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/code_page.h"
#include "cli/list_formats.h"
#include "fake_file_api.h"
#include "fake_registry_api.h"

namespace {

const std::string kOut(kListOutputName);

std::string Utf16(std::u16string_view units) {
  std::string bytes;
  for (const char16_t unit : units) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

std::string Latin1ToUtf8(std::string_view text) { return AnsiToUtf8(kCodePageWestern, text); }

DriverRow& AddFullRow(RowStore& rows, const std::string& caption, const std::string& provider) {
  DriverRow& row = rows.Append(caption);
  row.subItems = {provider, "1.0", "6-21-2006", "a.inf", "Install", "", "PCI\\VEN_1", ""};
  return row;
}

}  // namespace

TEST(ListCsvField, QuotesExactlyTheFieldsRfc4180Requires) {
  const struct {
    std::string field, written;
  } cases[] = {
      {"", ""},
      {"Microsoft", "Microsoft"},
      {" padded ", " padded "},
      {"VMware, Inc.", "\"VMware, Inc.\""},
      {"12\" disk", "\"12\"\" disk\""},
      {"\"", "\"\"\"\""},
      {"two\r\nlines", "\"two\r\nlines\""},
      {"lf\nonly", "\"lf\nonly\""},
      {"cr\ronly", "\"cr\ronly\""},
      {"semi;colon\ttab", "semi;colon\ttab"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.written, CsvField(c.field)) << c.field;
}

TEST(ListJsonString, EscapesQuotesBackslashesAndEveryControlCharacter) {
  const struct {
    std::string text, written;
  } cases[] = {
      {"", "\"\""},
      {"PCI\\VEN_8086", "\"PCI\\\\VEN_8086\""},
      {"say \"hi\"", "\"say \\\"hi\\\"\""},
      {"\b\f\n\r\t", "\"\\b\\f\\n\\r\\t\""},
      {std::string("\x01\x1f\x7f", 3), "\"\\u0001\\u001f\x7f\""},
      {"caf\xc3\xa9 \xe2\x82\xac", "\"caf\xc3\xa9 \xe2\x82\xac\""},
      {"/ stays", "\"/ stays\""},
  };
  for (const auto& c : cases) EXPECT_EQ(c.written, JsonString(c.text)) << c.text;
}

TEST(ListCodePage, TextsConvertAsWindowsConvertsThem) {
  const struct {
    unsigned codePage;
    std::u16string units;
    std::string ansi;
  } cases[] = {
      {1252, u"abc", "abc"},
      {1252, u"\u00e9\u00ff\u00a0", "\xe9\xff\xa0"},
      {1252, u"\u20ac\u201a\u0178\u2122", "\x80\x82\x9f\x99"},
      {1252, u"\u0081\u008d\u008f\u0090\u009d", "\x81\x8d\x8f\x90\x9d"},
      {1252, u"\u0100\u0416", "??"},                             // not in the code page
      {1252, u"\U0001F600", "?"},                                // one character, one byte
      {1252, std::u16string(1, char16_t{0xD800}) + u"x", "?x"},  // an unpaired surrogate
      {65001, u"\u00e9\u20ac", "\xc3\xa9\xe2\x82\xac"},
      {65001, u"\U0001F600", "\xf0\x9f\x98\x80"},
      {65001, std::u16string(1, char16_t{0xDC00}), "\xef\xbf\xbd"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.ansi, Utf16ToAnsi(c.codePage, Utf16(c.units))) << c.codePage << ' ' << c.ansi;
    if (c.ansi.find('?') == std::string::npos && c.units[0] != 0xDC00) {
      EXPECT_EQ(c.units, AnsiToUtf16(c.codePage, c.ansi)) << "back from " << c.ansi;
    }
  }
  EXPECT_EQ("ab", Utf16ToAnsi(1252, Utf16(u"ab") + "c")) << "an odd last byte is no character";
  EXPECT_EQ("\xe2\x82\xac\xc3\xa9\xc2\x81", AnsiToUtf8(1252, "\x80\xe9\x81"));
  EXPECT_EQ(
      "a\xef\xbf\xbd\xef\xbf\xbd"
      "b",
      AnsiToUtf8(65001,
                 "a\xc0\xaf"
                 "b"));
  EXPECT_EQ(u'A', UpperCaseUnit(u'a'));
  EXPECT_EQ(u'\u00c9', UpperCaseUnit(u'\u00e9'));
  EXPECT_EQ(u'\u00f7', UpperCaseUnit(u'\u00f7'));
  EXPECT_EQ(u'\u0416', UpperCaseUnit(u'\u0436'));
  EXPECT_EQ(u'_', UpperCaseUnit(u'_'));
}

TEST(ListOptionsParsing, AcceptsWhatTheHelpListsAndRefusesTheRest) {
  const struct {
    std::vector<const char*> args;
    ListSource source;
    std::string error;  // empty: accepted
  } cases[] = {
      {{}, ListSource::kLiveRegistry, ""},
      {{"--format", "csv", "--current"}, ListSource::kLiveRegistry, ""},
      {{"--format=json"}, ListSource::kLiveRegistry, ""},
      {{"--hive", "x"}, ListSource::kLiveRegistry, "unknown option '--hive'"},
      {{"--codepage=1252"}, ListSource::kLiveRegistry, "unknown option '--codepage'"},
      {{"--format"}, ListSource::kLiveRegistry, "--format needs a value"},
      {{"--format", "xml"}, ListSource::kLiveRegistry, "unknown format 'xml' (text, csv or json)"},
      {{"--current=1"}, ListSource::kLiveRegistry, "--current takes no value"},
      {{"-h"}, ListSource::kLiveRegistry, "unknown option '-h'"},
      {{"drivers.txt"}, ListSource::kLiveRegistry, "unexpected argument 'drivers.txt'"},
      {{"--no-logs"}, ListSource::kLiveRegistry, "unknown option '--no-logs'"},
      {{"--log", "l"}, ListSource::kLiveRegistry, "unknown option '--log'"},
      {{"--hive", "s", "--codepage", "65001"}, ListSource::kHiveFile, ""},
      {{"--help"}, ListSource::kHiveFile, ""},
      {{"--format", "csv"},
       ListSource::kHiveFile,
       "--hive FILE is needed: the records are read from a SYSTEM hive file"},
      {{"--hive", "s", "--codepage", "437"},
       ListSource::kHiveFile,
       "unsupported code page '437' (1252 or 65001)"},
      {{"--hive", "s", "--codepage", "01252x"},
       ListSource::kHiveFile,
       "unsupported code page '01252x' (1252 or 65001)"},
      {{"--hive=s", "--codepage", "4294968548"},
       ListSource::kHiveFile,
       "unsupported code page '4294968548' (1252 or 65001)"},
      {{"--hive", "s", "--log", "a", "--log=b", "--save-recovered", "o"},
       ListSource::kHiveFile,
       ""},
      {{"--hive", "s", "--log"}, ListSource::kHiveFile, "--log needs a value"},
      {{"--hive", "s", "--no-logs=1"}, ListSource::kHiveFile, "--no-logs takes no value"},
      {{"--hive", "s", "--no-logs", "--log", "a"},
       ListSource::kHiveFile,
       "--log and --no-logs exclude each other"},
      {{"--hive", "s", "--save-recovered="},
       ListSource::kHiveFile,
       "--save-recovered needs a file name"},
  };
  for (const auto& c : cases) {
    std::string error;
    try {
      ParseListOptions(static_cast<int>(c.args.size()), c.args.data(), c.source);
    } catch (const EUsageError& e) {
      error = e.Message();
    }
    EXPECT_EQ(c.error, error) << (c.args.empty() ? "(none)" : c.args[0]);
  }
  const char* args[] = {"--hive", "a",     "--format=csv", "--hive=b",    "--codepage",
                        "65001",  "--log", "x.LOG1",       "--log=x.LOG2"};
  const ListOptions options = ParseListOptions(9, args, ListSource::kHiveFile);
  EXPECT_EQ("b", options.hivePath);
  EXPECT_EQ((std::vector<std::string>{"x.LOG1", "x.LOG2"}), options.logPaths);
  EXPECT_EQ(ListFormat::kCsv, options.format);
  EXPECT_EQ(65001u, options.codePage);
}

TEST(ListFormatsOutput, CsvAndJsonHoldTheWholeRowsBehindTheHeader) {
  RowStore rows;
  AddFullRow(rows, "VMware SVGA 3D", "VMware, Inc.");
  AddFullRow(rows, "Pilote \xe9", "Fabrikam");
  rows.Append("Cut short").subItems = {"Maker", "2.0", "date"};
  FakeFileApi files;
  IoResult ioResult;
  SaveCsv(files, rows, ioResult);
  EXPECT_EQ(
      "Driver,Provider,Version,Driver Date,Inf Path,Inf Section,Inf Section Ext,"
      "Matching Device Id,EnumPropPages32\r\n"
      "VMware SVGA 3D,\"VMware, Inc.\",1.0,6-21-2006,a.inf,Install,,PCI\\VEN_1,\r\n"
      "Pilote \xe9,Fabrikam,1.0,6-21-2006,a.inf,Install,,PCI\\VEN_1,\r\n",
      files.Contents(kOut));

  FakeFileApi jsonFiles;
  SaveJson(jsonFiles, rows, Latin1ToUtf8, ioResult);
  const std::string tail =
      "\"Version\": \"1.0\", \"Driver Date\": \"6-21-2006\", \"Inf Path\": \"a.inf\", "
      "\"Inf Section\": \"Install\", \"Inf Section Ext\": \"\", \"Matching Device Id\": "
      "\"PCI\\\\VEN_1\", \"EnumPropPages32\": \"\"}";
  EXPECT_EQ("[\r\n  {\"Driver\": \"VMware SVGA 3D\", \"Provider\": \"VMware, Inc.\", " + tail +
                ",\r\n  {\"Driver\": \"Pilote \xc3\xa9\", \"Provider\": \"Fabrikam\", " + tail +
                "\r\n]\r\n",
            jsonFiles.Contents(kOut));

  FakeFileApi emptyFiles;
  SaveJson(emptyFiles, RowStore(), Latin1ToUtf8, ioResult);
  EXPECT_EQ("[]\r\n", emptyFiles.Contents(kOut));
  EXPECT_EQ(0, files.OpenHandles() + jsonFiles.OpenHandles() + emptyFiles.OpenHandles());
}

TEST(ListFormatsOutput, AFailedWriteRaisesTheSaveCommandsError) {
  RowStore rows;
  for (int i = 0; i < 10; ++i) AddFullRow(rows, "Driver " + std::to_string(i), "Maker");
  for (const bool json : {false, true}) {
    FakeFileApi files;
    files.FailCall(FileCall::kWriteFile, 1, 112);
    IoResult ioResult;
    try {
      json ? SaveJson(files, rows, Latin1ToUtf8, ioResult) : SaveCsv(files, rows, ioResult);
      ADD_FAILURE() << "no error, json " << json;
    } catch (const EInOutError& e) {
      EXPECT_EQ("I/O error 112", e.Message());
    }
    EXPECT_EQ(0, ioResult.Pending());
    EXPECT_EQ(0, files.OpenHandles());
  }
}

TEST(ListRun, CurrentReadsTheControlSetSelectNamesOrSaysWhyNot) {
  const std::string set3 = "SYSTEM\\ControlSet003\\Control\\Class\\Net\\0000";
  const auto dword = [](std::uint32_t n) {
    return std::string{static_cast<char>(n), static_cast<char>(n >> 8), static_cast<char>(n >> 16),
                       static_cast<char>(n >> 24)};
  };
  const std::string noCurrent =
      "tolvane-list: no current control set: HKEY_LOCAL_MACHINE\\SYSTEM\\Select holds no "
      "\"Current\" number from 1 to 999.";
  const struct {
    bool select;
    std::uint32_t type;
    std::string data;
    int status;
    std::string written, error;
    std::uint32_t providerSize = 0;  // a size the provider's value reports instead of its own
  } cases[] = {
      {true, kRegDword, dword(3), 0, "From 003,Three,\r\n", ""},
      {true, kRegDword, dword(1), 1, "", "tolvane-list: the current control set has no Class key."},
      {false, kRegDword, "", 1, "",
       "tolvane-list: no current control set: HKEY_LOCAL_MACHINE\\SYSTEM\\Select is missing."},
      {true, kRegSz, std::string("3\0", 2), 1, "", noCurrent},
      {true, kRegDword, dword(0), 1, "", noCurrent},
      {true, kRegDword, dword(1000), 1, "", noCurrent},
      {true, kRegDword, "\x03", 1, "", noCurrent},
      {true, kRegQword, dword(3) + dword(0), 1, "", noCurrent},
      {true, kRegDword, dword(3), 1, "", "tolvane-list: Failed to get data for 'ProviderName'",
       0xFFFFFFFF},
  };
  for (const auto& c : cases) {
    FakeRegistry registry;
    registry.SetText(set3, "DriverDesc", "From 003");
    registry.SetText(set3, "ProviderName", "Three");
    registry.SetText("SYSTEM\\ControlSet002\\Control\\Class\\Net\\0000", "DriverDesc", "From 002");
    if (c.select) registry.SetValue("SYSTEM\\Select", "Current", c.type, c.data);
    if (c.providerSize) registry.ReportSize(set3, "ProviderName", c.providerSize);
    FakeFileApi files;
    ListOptions options;
    options.current = true;
    std::string error;
    EXPECT_EQ(c.status, RunList(options, registry, files, Latin1ToUtf8, error)) << c.data.size();
    EXPECT_EQ(c.written, files.Contents(kOut));
    EXPECT_EQ(c.error, error);
    EXPECT_EQ(0u, registry.OpenHandles());
  }
}
