#include "cli/list_command.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/code_page.h"
#include "cli/list_formats.h"
#include "common/message_text.h"
#include "fake_file_api.h"
#include "fake_registry_api.h"
#include "cli/known_vulnerable.h"
#include "inventory/device_view.h"
#include "inventory/driver_files.h"
#include "inventory/driver_packages.h"
#include "inventory/registry_read.h"
#include "inventory/driver_record.h"
#include "inventory/service_view.h"
#include "inventory/view_diff.h"

using namespace std::string_literals;

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

// A host over one registry whose error lines land in errors, one a line.
ListHost Host(RegistryApi& registry, std::string& errors) {
  return ListHost{
      [&registry](const std::string&, const std::function<void(RegistryApi&)>& use) {
        use(registry);
      },
      [&errors](const std::string& line) { errors += errors.empty() ? line : "\n" + line; },
      [](long code) { return "code " + std::to_string(code); }};
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
      {"bad \xff\xc3 utf-8", "\"bad \xef\xbf\xbd\xef\xbf\xbd utf-8\""},
  };
  for (const auto& c : cases) {
    std::string out = "x";
    AppendJsonString(out, c.text);
    EXPECT_EQ("x" + c.written, out) << c.text;
  }
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
      {1252, u"\u0416\u4e2d", "??"},                             // no fit either
      {1252, u"\U0001F600", "??"},                               // a unit, a byte
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
  EXPECT_EQ("AloF0", Utf16ToAnsi(1252, Utf16(u"\u0100\u0142\u0151\uff26\u2080")))
      << "Windows' best fit, one way only";
  EXPECT_EQ(u"a\ufffd\ufffdb", AnsiToUtf16(65001,
                                           "a\xc0\xaf"
                                           "b"))
      << "an overlong sequence is no character";
  EXPECT_EQ(u'A', UpperCaseUnit(u'a'));
  EXPECT_EQ(u'\u00c9', UpperCaseUnit(u'\u00e9'));
  EXPECT_EQ(u'\u00f7', UpperCaseUnit(u'\u00f7'));
  EXPECT_EQ(u'\u0416', UpperCaseUnit(u'\u0436'));
  EXPECT_EQ(u'_', UpperCaseUnit(u'_'));
}

TEST(ListOptionsParsing, AcceptsWhatTheHelpListsAndRefusesTheRest) {
  const auto live = ListSource::kLiveRegistry;
  const auto hive = ListSource::kHiveFile;
  const auto either = ListSource::kHiveFileOrLive;
  const struct {
    std::vector<const char*> args;
    ListSource source;
    std::string error;  // empty: accepted
  } cases[] = {
      {{}, live, ""},
      {{"--format", "csv", "--current"}, live, ""},
      {{"--format=json", "-fjsonl", "-f", "save", "-o", "x", "-ox"}, live, ""},
      {{"-h"}, live, ""},
      {{"-V"}, live, ""},
      {{"--control-set", "999", "--all-control-sets=1"}, live, "--all-control-sets takes no value"},
      {{"--hive", "x"}, live, "unknown option '--hive'"},
      {{"--codepage=1252"}, live, "unknown option '--codepage'"},
      {{"-x"}, live, "unknown option '-x'"},
      {{"--b\x1b[2Jad"}, live, "unknown option '--b\\x1b[2Jad'"},
      {{"--format"}, live, "--format needs a value"},
      {{"--output="}, live, "--output needs a file name"},
      {{"--format", "xml"}, live, "unknown format 'xml' (text, csv, json, jsonl or save)"},
      {{"--current=1"}, live, "--current takes no value"},
      {{"drivers.txt"}, live, "unexpected argument 'drivers.txt'"},
      {{"-"}, live, "unexpected argument '-'"},
      {{"--control-set", "0"}, live, "no control set '0' (a number, 1 to 999)"},
      {{"--control-set=1000"}, live, "no control set '1000' (a number, 1 to 999)"},
      {{"--control-set=2x"}, live, "no control set '2x' (a number, 1 to 999)"},
      {{"--all-control-sets", "--control-set=2"},
       live,
       "--all-control-sets lists every control set: it takes no other choice"},
      {{"--current", "--control-set=2"},
       live,
       "--current and --control-set each choose the control set: give one"},
      {{"--all-control-sets", "-f", "save"},
       live,
       "the save format lists one control set: --all-control-sets is not for it"},
      {{"--hive", "s", "--codepage", "65001"}, hive, ""},
      {{"--view", "services", "--view=devices", "-f", "csv"}, live, ""},
      {{"--view=Devices", "s"},
       hive,
       "unknown view 'Devices' (records, devices, services, packages, files or timeline)"},
      {{"--view"}, live, "--view needs a value"},
      {{"--view", "devices", "-f", "save", "s"},
       hive,
       "the save format writes the records alone: --view devices is not for it"},
      {{"--view", "records", "-f", "save", "s"}, hive, ""},
      {{"a", "-", "--", "--b", "-h"}, hive, ""},
      {{"--help"}, hive, ""},
      {{"--format", "csv"}, hive, "a HIVE is needed: the records are read from SYSTEM hive files"},
      {{"--hive", "s", "--codepage", "437"}, hive, "unsupported code page '437' (1252 or 65001)"},
      {{"--no-logs"}, live, "unknown option '--no-logs'"},
      {{"--log", "l"}, live, "unknown option '--log'"},
      {{"--hive", "s", "--codepage", "01252x"},
       hive,
       "unsupported code page '01252x' (1252 or 65001)"},
      {{"--hive=s", "--codepage", "4294968548"},
       hive,
       "unsupported code page '4294968548' (1252 or 65001)"},
      {{"--hive", "s", "--log", "a", "--log=b", "--save-recovered", "o"}, hive, ""},
      {{"--save-recovered=o", "s"}, hive, ""},
      {{"--hive", "s", "--log"}, hive, "--log needs a value"},
      {{"--hive", "s", "--no-logs=1"}, hive, "--no-logs takes no value"},
      {{"--hive", "s", "--no-logs", "--log", "a"}, hive, "--log and --no-logs exclude each other"},
      {{"--hive", "s", "--save-recovered="}, hive, "--save-recovered needs a file name"},
      {{"--save-recovered=o", "s", "t"},
       hive,
       "--save-recovered OUT writes one HIVE and lists nothing: give one HIVE, no -o"},
      {{"--save-recovered=o", "-o", "x", "s"},
       hive,
       "--save-recovered OUT writes one HIVE and lists nothing: give one HIVE, no -o"},
      {{"--format", "csv", "--codepage", "65001"}, either, ""},
      {{"a", "--log", "l", "--save-recovered", "o"}, either, ""},
      {{"--save-recovered=o"},
       either,
       "--save-recovered OUT writes one HIVE and lists nothing: give one HIVE, no -o"},
      {{"--since", "2024-05-14", "--until=2024-05-14T09:46"}, live, ""},
      {{"--since=2024-05-15", "--until=2024-05-14T23:59:59"},
       live,
       "--since is after --until: no time is in between"},
      {{"--until=2024-05-14", "-f", "save"},
       live,
       "the save format lists every record: --since and --until are not for it"},
      {{"--diff", "a", "b"}, live, "unknown option '--diff'"},
      {{"--diff", "a", "b", "--view", "devices", "-fjsonl", "--control-set=2"}, hive, ""},
      {{"--diff=a", "b"}, hive, ""},
      {{"--diff", "a"}, hive, "--diff needs two hives, OLD and NEW"},
      {{"--diff", "a", "b", "c"}, hive, "--diff OLD NEW compares two hives: give no other HIVE"},
      {{"--diff", "a", "b", "--view=timeline"},
       hive,
       "--diff compares rows by their key: the timeline has none"},
      {{"--diff", "a", "b", "--since=2024-05-14"},
       hive,
       "--diff compares one control set of each hive in a view's rows: no save format, "
       "--all-control-sets, --since, --until, --save-recovered or --known-vulnerable"},
      {{"--all-control-sets", "--diff", "a", "b"},
       hive,
       "--diff compares one control set of each hive in a view's rows: no save format, "
       "--all-control-sets, --since, --until, --save-recovered or --known-vulnerable"},
      {{"--known-vulnerable=l", "--diff", "a", "b"},
       hive,
       "--diff compares one control set of each hive in a view's rows: no save format, "
       "--all-control-sets, --since, --until, --save-recovered or --known-vulnerable"},
      {{"--known-vulnerable=l", "s", "--view", "files"}, hive, ""},
      {{"--known-vulnerable", "l"}, live, "unknown option '--known-vulnerable'"},
      {{"--known-vulnerable=", "s"}, hive, "--known-vulnerable needs a file name"},
      {{"--view=packages", "--known-vulnerable=l", "s"},
       hive,
       "--known-vulnerable checks driver files: --view packages is not for it"},
      {{"--view", "files"},
       live,
       "--view files lists the driver files of an Amcache hive file, which the live registry "
       "does not hold: name one (Windows\\AppCompat\\Programs\\Amcache.hve)"},
      {{"--view", "files"},
       either,
       "--view files lists the driver files of an Amcache hive file, which the live registry "
       "does not hold: name one (Windows\\AppCompat\\Programs\\Amcache.hve)"},
      {{"--view", "files", "--known-vulnerable=l", "Amcache.hve"}, either, ""},
      {{"--view", "packages", "-f", "save", "s"},
       hive,
       "the save format writes the records alone: --view packages is not for it"},
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
  const char* args[] = {"--hive",        "a",     "-fcsv", "b",      "--hive=c",
                        "--codepage",    "65001", "--log", "x.LOG1", "--log=x.LOG2",
                        "--control-set", "7",     "--",    "-o"};
  const ListOptions options = ParseListOptions(14, args, hive);
  EXPECT_EQ((std::vector<std::string>{"a", "b", "c", "-o"}), options.hives);
  EXPECT_EQ((std::vector<std::string>{"x.LOG1", "x.LOG2"}), options.logPaths);
  EXPECT_EQ(ListFormat::kCsv, options.format);
  EXPECT_EQ(65001u, options.codePage);
  EXPECT_EQ(7u, options.controlSet);
  EXPECT_EQ(std::vector<std::string>{"HKLM"}, ParseListOptions(0, args, live).hives);
  // Windows reads hive files where they are named, the live registry where none is.
  EXPECT_EQ(std::vector<std::string>{}, ParseListOptions(0, args, either).hives);
  EXPECT_EQ(std::vector<std::string>{"a"}, ParseListOptions(2, args, either).hives);
  EXPECT_NE(std::string::npos,
            ListHelp(either).find("Usage: tolvane-list [OPTION]... [HIVE]...\n"));
  EXPECT_EQ("tolvane-list (Tolvane) 1.07-beta\n", ListVersionText().substr(0, 33));
}

// --since takes the first second a date or minute names, --until the last; a time that is not
// one (no such day, hour, or a form not ISO 8601 in UTC) is refused.
TEST(ListOptionsParsing, TimesAreUtcSecondsFromTheStartOrToTheEndOfWhatTheyName) {
  const struct {
    const char* text;
    bool end;
    const char* time;  // empty: refused
  } cases[] = {
      {"2024-05-14", false, "2024-05-14T00:00:00Z"},
      {"2024-05-14", true, "2024-05-14T23:59:59Z"},
      {"2024-05-14T09:46", false, "2024-05-14T09:46:00Z"},
      {"2024-05-14T09:46", true, "2024-05-14T09:46:59Z"},
      {"2024-05-14 09:46:07Z", true, "2024-05-14T09:46:07Z"},
      {"2024-02-29", false, "2024-02-29T00:00:00Z"},
      {"2000-02-29T23:59:59", false, "2000-02-29T23:59:59Z"},
      {"2100-02-29", false, ""},
      {"2023-04-31", false, ""},
      {"2024-13-01", false, ""},
      {"2024-00-10", false, ""},
      {"2024-05-14T24:00", false, ""},
      {"2024-05-14T09:60", false, ""},
      {"2024-05-14T09:46:60", false, ""},
      {"2024-05-14T09:46:07+02:00", false, ""},
      {"2024-05-14T9:46", false, ""},
      {"2024-5-14", false, ""},
      {"20240514", false, ""},
      {"", false, ""},
  };
  for (const auto& c : cases) {
    std::string time;
    try {
      time = ParseListTime(c.text, c.end);
    } catch (const EUsageError& e) {
      EXPECT_EQ("no time " + QuotedName(c.text) +
                    " (an ISO 8601 date or date and time, UTC: 2024-05-14 or 2024-05-14T09:46:00)",
                e.Message());
    }
    EXPECT_EQ(c.time, time) << c.text << (c.end ? " (until)" : " (since)");
  }
}

// Every name a view gives is a stable key: snake_case, once in its view, the hive among them
// (first, but in the timeline, whose first fields are the ones timeline tools require); every
// table column, time, key part, description and message detail is a field of its own view.
TEST(ListViews, EverySchemaNamesItsFieldsOnceAndItsColumnsFromThem) {
  ASSERT_FALSE(Views().empty());
  EXPECT_EQ("records", Views().front().name);
  for (const ViewSchema& view : Views()) {
    EXPECT_EQ(&view, FindView(view.name));
    ASSERT_FALSE(view.fields.empty());
    EXPECT_EQ(view.name == "timeline" ? "datetime" : "hive", view.fields.front()) << view.name;
    EXPECT_LT(FieldIndex(view, "hive"), view.fields.size()) << view.name;
    for (std::size_t i = 0; i < view.fields.size(); ++i) {
      const std::string_view field = view.fields[i];
      EXPECT_EQ(i, FieldIndex(view, field)) << view.name << ": " << field << " twice";
      EXPECT_TRUE(!field.empty() && std::all_of(field.begin(), field.end(),
                                                [](char c) {
                                                  return (c >= 'a' && c <= 'z') ||
                                                         (c >= '0' && c <= '9') || c == '_';
                                                }))
          << view.name << ": " << field;
    }
    for (const ViewColumn& column : view.columns) {
      EXPECT_LT(FieldIndex(view, column.field), view.fields.size()) << column.caption;
      EXPECT_TRUE(column.preferred.empty() ||
                  FieldIndex(view, column.preferred) < view.fields.size())
          << column.caption;
    }
    const auto named = [&](std::string_view field) {
      return field.empty() || FieldIndex(view, field) < view.fields.size();
    };
    for (const ViewTime& time : view.times) EXPECT_TRUE(named(time.field)) << time.field;
    for (const ViewKey& key : view.keys) {
      EXPECT_TRUE(!key.field.empty() && named(key.field) && named(key.otherwise)) << key.field;
    }
    EXPECT_TRUE(named(view.description.field) && named(view.description.preferred)) << view.name;
    for (const ViewDetail& detail : view.details) EXPECT_TRUE(named(detail.field)) << detail.label;
  }
  EXPECT_EQ(nullptr, FindView("Records"));
}

// Rows pair by their key in any case, the n-th of a repeated key with the n-th; where a row was
// read is not a change; the rows come in the order of their keys, each with the names of the
// fields that changed and only their old values.
TEST(ListDiff, RowsPairByKeyWithoutCaseAndListOnlyWhatChanged) {
  const ViewSchema& services = ServicesView();
  const auto row = [&](std::string hive, std::string name, std::string start) {
    ViewRow r(services.fields.size());
    r[FieldIndex(services, "hive")] = hive;
    r[FieldIndex(services, "control_set")] = hive == "old" ? "ControlSet001" : "ControlSet002";
    r[FieldIndex(services, "key_path")] = hive + "\\" + name;
    r[FieldIndex(services, "name")] = name;
    r[FieldIndex(services, "start")] = start;
    return r;
  };
  const ViewDiff diff(services);
  const ViewSchema& schema = diff.Schema();
  const auto rows = diff.Compare(
      {row("old", "Beta", "boot"), row("old", "alpha", "demand"), row("old", "Same", "auto"),
       row("old", "twice", "auto"), row("old", "twice", "boot")},
      {row("new", "same", "auto"), row("new", "Twice", "auto"), row("new", "ALPHA", "disabled"),
       row("new", "gamma", "auto")});
  std::vector<std::string> got;
  for (const ViewRow& r : rows) {
    ASSERT_EQ(schema.fields.size(), r.size());
    std::string line;
    for (const std::string_view field :
         {"change", "name", "changed_fields", "hive", "start", "old_name", "old_start"}) {
      line += std::string(FieldOf(schema, r, field)) + "|";
    }
    got.push_back(line);
  }
  EXPECT_EQ((std::vector<std::string>{
                "changed|ALPHA|name;start|new|disabled|alpha|demand|", "removed|Beta||old|boot|||",
                "added|gamma||new|auto|||", "changed|same|name|new|auto|Same||",
                "changed|Twice|name|new|auto|twice||", "removed|twice||old|boot|||"}),
            got);
  EXPECT_EQ("change", schema.fields[0]);
  EXPECT_EQ("name", schema.fields[1]);
  EXPECT_EQ("changed_fields", schema.fields[2]);
  EXPECT_EQ(services.fields.size() * 2 + 2, schema.fields.size());
  EXPECT_TRUE(diff.Compare({row("old", "x", "boot")}, {row("new", "x", "boot")}).empty());
}

TEST(ListFormatsOutput, EveryFormatHoldsEveryRecordOfEveryHive) {
  const ViewSchema& records = *FindView("records");
  const ViewRow a{"h1",
                  "",
                  "ControlSet002",
                  "{4d36e972}",
                  "Net",
                  "0012",
                  "ControlSet002\\Control\\Class\\{4d36e972}\\0012",
                  "2018-03-27T12:11:44Z",
                  "Устройство Ω 設備 \xf0\x9f\x98\x80",
                  "Acme, \"Labs\"",
                  "",
                  "",
                  "two\nlines",
                  "",
                  "",
                  "",
                  "",
                  ""};
  ViewRow b(a.size());
  for (const std::size_t i : {2, 3, 4, 5, 6, 7}) b[i] = a[i];
  b[0] = "h2";
  b[8] = "B";
  const std::vector<ViewRow> one{a};
  const std::vector<ViewRow> two{a, b};
  const struct {
    ListFormat format;
    const std::vector<ViewRow>& rows;
    std::string written;
  } cases[] = {
      {ListFormat::kText, one,
       "Control set    Class  Instance  Last written          Driver                Provider    "
       "  Version  Driver date  INF\n"
       "ControlSet002  Net    0012      2018-03-27T12:11:44Z  Устройство Ω 設備 \xf0\x9f\x98\x80  "
       "Acme, \"Labs\"                        two\\nlines\n"},
      {ListFormat::kText, std::vector<ViewRow>{}, ""},
      {ListFormat::kCsv, one,
       "hive,computer_name,control_set,class_guid,class_name,instance,key_path,last_written,"
       "driver,provider,version,driver_date,inf_path,inf_section,inf_section_ext,"
       "matching_device_id,enum_prop_pages32,driver_date_iso\r\n"
       "h1,,ControlSet002,{4d36e972},Net,0012,ControlSet002\\Control\\Class\\{4d36e972}\\0012,"
       "2018-03-27T12:11:44Z,Устройство Ω 設備 \xf0\x9f\x98\x80,\"Acme, \"\"Labs\"\"\",,,"
       "\"two\nlines\",,,,,\r\n"},
      {ListFormat::kJson, std::vector<ViewRow>{}, "[]\n"},
  };
  for (const auto& c : cases) {
    FakeFileApi files;
    WriteView(files, c.format, records, c.rows, false);
    EXPECT_EQ(c.written, files.Contents(kOut)) << static_cast<int>(c.format);
    EXPECT_EQ(0, files.OpenHandles());
  }
  for (const ListFormat format : {ListFormat::kJson, ListFormat::kJsonLines, ListFormat::kText}) {
    FakeFileApi files;
    WriteView(files, format, records, two, true);
    const std::string& out = files.Contents(kOut);
    const std::string object = "{\"hive\": \"h2\", \"computer_name\": \"\"";
    if (format == ListFormat::kText) {
      EXPECT_EQ(0u, out.find("Hive  Control set")) << out;
      EXPECT_NE(std::string::npos, out.find("\nh2    ControlSet002  Net    0012 ")) << out;
    } else {
      EXPECT_NE(std::string::npos, out.find(object)) << out;
      EXPECT_NE(std::string::npos, out.find("\"inf_path\": \"two\\nlines\"")) << out;
      EXPECT_EQ(format == ListFormat::kJson ? 4 : 2, std::count(out.begin(), out.end(), '\n'));
    }
  }
  EXPECT_EQ(9u, DisplayWidth("a\xcc\x81 設備 \xf0\x9f\x98\x80"));
}

// Every view in every format: its own names as the CSV header and the JSON keys, in order, and
// its own columns in the table, a preferred field where it is not empty.
TEST(ListFormatsOutput, EveryViewIsWrittenWithItsOwnNames) {
  for (const ViewSchema& view : Views()) {
    ViewRow row;
    for (const std::string_view field : view.fields)
      row.emplace_back("<" + std::string(field) + ">");
    ViewRow plain = row;
    for (const ViewColumn& column : view.columns) {
      if (!column.preferred.empty()) plain[FieldIndex(view, column.preferred)].clear();
    }
    std::string header, csv, json = "{";
    for (std::size_t i = 0; i < view.fields.size(); ++i) {
      header += (i ? "," : "") + std::string(view.fields[i]);
      csv += (i ? "," : "") + row[i];
      json += (i ? ", \"" : "\"") + std::string(view.fields[i]) + "\": \"" + row[i] + "\"";
    }
    const auto written = [&](ListFormat format, const std::vector<ViewRow>& rows) {
      FakeFileApi files;
      WriteView(files, format, view, rows, false);
      return files.Contents(kOut);
    };
    EXPECT_EQ(header + "\r\n" + csv + "\r\n", written(ListFormat::kCsv, {row})) << view.name;
    EXPECT_EQ(json + "}\n", written(ListFormat::kJsonLines, {row})) << view.name;
    EXPECT_EQ("[\n  " + json + "},\n  " + json + "}\n]\n", written(ListFormat::kJson, {row, row}));
    std::string captions, cells, fallbacks;
    for (const ViewColumn& column : view.columns) {
      const std::string shown =
          "<" + std::string(column.preferred.empty() ? column.field : column.preferred) + ">";
      captions += std::string(column.caption) + " ";
      cells += shown + " ";
      fallbacks += "<" + std::string(column.field) + "> ";
    }
    const auto words = [](const std::string& text) {
      std::string joined;
      for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find("  ", at), text.find('\n', at));
        if (end != at) joined += text.substr(at, end - at) + " ";
        at = end == std::string::npos ? text.size() : text.find_first_not_of(" \n", end);
        if (at == std::string::npos) break;
      }
      return joined;
    };
    EXPECT_EQ(captions + cells, words(written(ListFormat::kText, {row}))) << view.name;
    EXPECT_EQ(captions + fallbacks, words(written(ListFormat::kText, {plain}))) << view.name;
    // Batch by batch, empty ones too, the same bytes as all at once.
    for (const ListFormat format : {ListFormat::kCsv, ListFormat::kJson, ListFormat::kJsonLines}) {
      for (const std::vector<std::vector<ViewRow>>& batches :
           {std::vector<std::vector<ViewRow>>{}, {{}, {row}, {}, {plain, row}}}) {
        FakeFileApi files;
        ViewWriter writer(files, format, view);
        std::vector<ViewRow> all;
        for (const std::vector<ViewRow>& batch : batches) {
          writer.Add(batch);
          all.insert(all.end(), batch.begin(), batch.end());
        }
        writer.Close();
        EXPECT_EQ(written(format, all), files.Contents(kOut)) << view.name << batches.size();
      }
    }
  }
}

TEST(ListFormatsOutput, AFailedCallOfTheFileSeamRaisesItsCode) {
  const ViewSchema& records = *FindView("records");
  const std::vector<ViewRow> rows(3000, ViewRow(records.fields.size()));
  for (const FileCall call :
       {FileCall::kCreateFile, FileCall::kWriteFile, FileCall::kCloseHandle}) {
    for (const std::size_t ordinal : {1u, 2u}) {
      FakeFileApi files;
      files.FailCall(call, ordinal, 112);
      try {
        WriteView(files, ListFormat::kJsonLines, records, rows, false);
        EXPECT_TRUE(ordinal == 2 && call != FileCall::kWriteFile) << static_cast<int>(call);
      } catch (const EWriteError& e) {
        EXPECT_EQ(112u, e.Code());
      }
      EXPECT_EQ(0, files.OpenHandles());
    }
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
    ListOptions options = ParseListOptions(0, nullptr, ListSource::kLiveRegistry);
    options.current = true;
    options.format = ListFormat::kSave;
    std::string error;
    EXPECT_EQ(c.status, RunList(options, ListSource::kLiveRegistry, files, Host(registry, error)))
        << c.data.size();
    EXPECT_EQ(c.written, files.Contents(kOut));
    EXPECT_EQ(c.error, error);
    EXPECT_EQ(0u, registry.OpenHandles());
  }
}

namespace {

// A REG_SZ as the W calls read it: UTF-16LE with its NUL.
void SetWide(FakeRegistry& registry, const std::string& key, const std::string& name,
             std::u16string_view text, std::uint32_t type = kRegSz) {
  registry.SetValue(key, name, type, Utf16(text) + std::string(2, '\0'));
}

const std::string kSet2 = "SYSTEM\\ControlSet002\\Control\\Class\\";

const std::string kEnum2 = "SYSTEM\\ControlSet002\\Enum\\";
const std::string kTimes = "\\Properties\\{83da6326-97a6-4088-9453-a1923f573b29}\\";

// Two devices of ControlSet002, one naming a record of {net} in another case and keeping its
// times both ways, and the driver service they name (in two cases) beside one that is not a
// driver's.
void AddDevicesAndServices(FakeRegistry& registry) {
  const std::string pci = kEnum2 + "PCI\\VEN_1\\0001";
  SetWide(registry, pci, "DeviceDesc", u"@x.inf,%d%;Дисплей");
  SetWide(registry, pci, "Service", u"Svc");
  SetWide(registry, pci, "Driver", u"{NET}\\0003");
  registry.SetValue(pci, "ConfigFlags", kRegDword, std::string("\x01\0\0\0", 4));
  registry.SetValue(pci + kTimes + "0064", "", 0xFFFF0010,
                    std::string("\x00\xab\xdc\xff\x62\x02\xd5\x01", 8));
  registry.SetValue(pci + kTimes + "0065\\00000000", "Data", kRegBinary,
                    std::string("\x00\xab\xdc\xff\x62\x02\xd5\x01", 8));
  SetWide(registry, kEnum2 + "USB\\ROOT\\0002", "Service", u"svc");
  const std::string services = "SYSTEM\\ControlSet002\\Services\\";
  registry.SetValue(services + "Svc", "Type", kRegDword, std::string("\x01\0\0\0", 4));
  registry.SetValue(services + "Svc", "Start", kRegDword, std::string("\x03\0\0\0", 4));
  SetWide(registry, services + "Svc", "ImagePath", u"System32\\drivers\\svc.sys");
  registry.SetValue(services + "Own", "Type", kRegDword, std::string("\x10\0\0\0", 4));
}

// Select names ControlSet002: a class of instances 0000 to 0012 (and a subkey with no driver
// value), a class of one instance, a computer name; ControlSet001 differs.
void AddInventory(FakeRegistry& registry) {
  registry.SetValue("SYSTEM\\Select", "Current", kRegDword, std::string("\x02\0\0\0", 4));
  SetWide(registry, "SYSTEM\\ControlSet002\\Control\\ComputerName\\ComputerName", "ComputerName",
          u"ПК-1");
  for (int i = 0; i <= 12; ++i) {
    char instance[8];
    std::snprintf(instance, sizeof instance, "%04d", i);
    SetWide(registry, kSet2 + "{net}\\" + instance, "DriverDesc",
            u"Net " + std::u16string(1, u'a' + i));
  }
  SetWide(registry, kSet2 + "{net}", "Class", u"Net");
  registry.AddKey(kSet2 + "{net}\\Properties");
  registry.SetLastWritten(kSet2 + "{net}\\0003", 131666263040000000ull);
  SetWide(registry, kSet2 + "{usb}\\0000", "ProviderName", u"設備 \U0001F600");
  SetWide(registry, "SYSTEM\\ControlSet001\\Control\\Class\\{usb}\\0000", "DriverDesc", u"Old");
  AddDevicesAndServices(registry);
  // The driver store: one package of the Net class, the one its published name installs from.
  const std::string package = "SYSTEM\\DriverDatabase\\DriverPackages\\net.inf_amd64_1";
  SetWide(registry, package, "", u"oem1.inf");
  SetWide(registry, package, "Provider", u"Vendor");
  SetWide(registry, package, "SignerName", u"Signer");
  SetWide(registry, package, "Catalog", u"net.cat");
  registry.SetValue(package, "ImportDate", kRegBinary, std::string("\0\0\0\0\0\0\0\x01", 8));
  registry.SetValue(package, "SignerScore", kRegDword, std::string("\3\0\0\x0d", 4));
  std::string version(48, '\0');
  version.replace(
      8, 16, std::string("\x72\xe9\x36\x4d\x25\xe3\xce\x11\xbf\xc1\x08\x00\x2b\xe1\x03\x18", 16));
  registry.SetValue(package, "Version", kRegBinary, version);
  SetWide(registry, kSet2 + "{4d36e972-e325-11ce-bfc1-08002be10318}", "Class", u"Net");
  SetWide(registry, "SYSTEM\\DriverDatabase\\DriverInfFiles\\oem1.inf", "Active",
          u"NET.INF_AMD64_1");
  // And one Windows brought, with no Version.
  SetWide(registry, "SYSTEM\\DriverDatabase\\DriverPackages\\machine.inf_x86_2", "",
          u"machine.inf");
}

// An Amcache hive of one driver file, keyed by its path.
void AddDriverFile(FakeRegistry& registry) {
  const std::string file = "SYSTEM\\Root\\InventoryDriverBinary\\c:/windows/system32/drivers/a.sys";
  SetWide(registry, file, "DriverId", u"0000" + std::u16string(40, u'A'));
  SetWide(registry, file, "DriverName", u"a.sys");
  SetWide(registry, file, "DriverSigned", u"true");
  registry.SetValue(file, "DriverTimeStamp", kRegDword, std::string("\0\0\0\x60", 4));
  registry.SetValue(file, "ImageSize", kRegDword, std::string("\0\x10\0\0", 4));
}

}  // namespace

TEST(ListRecordValues, EveryTypeReadsAsTextAndEveryDateAsIso) {
  const struct {
    std::uint32_t type;
    std::string data, text;
  } values[] = {
      {kRegSz, Utf16(u"Ab\u0416") + std::string("\0\0x\0", 4), "Ab\xd0\x96"},
      {kRegSz, Utf16(u"no NUL") + "!", "no NUL"},
      {kRegExpandSz, Utf16(u"%SystemRoot%"), "%SystemRoot%"},
      {kRegMultiSz, Utf16(u"a\0b\0\0c\0\0"s), "a;b;;c"},
      {kRegMultiSz, "", ""},
      {kRegDword, std::string("\xff\xff\xff\xff", 4), "4294967295"},
      {kRegQword, std::string("\0\0\0\0\0\0\0\x80", 8), "9223372036854775808"},
      {kRegDword, "\x01\x02", "0102"},
      {kRegBinary, std::string("\x00\xAB\x10", 3), "00ab10"},
      {kRegNone, "", ""},
      {99, "z", "7a"},
      {kRegSz, Utf16(std::u16string(1, char16_t{0xD800})), "\xef\xbf\xbd"},
  };
  for (const auto& v : values) EXPECT_EQ(v.text, RecordValueText(v.type, v.data)) << v.text;

  EXPECT_EQ("1601-01-01T00:00:00Z", IsoTime(0));
  EXPECT_EQ("2018-03-27T12:11:44Z", IsoTime(131666263040000000ull));
  EXPECT_EQ("2000-02-29T23:59:59Z", IsoTime(125963423990000000ull + 9999999));
  EXPECT_EQ("60056-05-28T05:36:10Z", IsoTime(~0ull));  // the last FILETIME: five digits
  const std::string filetime2006("\x00\x80\x8c\xa3\xc5\x94\xc6\x01", 8);
  const struct {
    std::string data, date, iso;
  } dates[] = {
      {"", "6-21-2006", "2006-06-21"},
      {"", "06-01-1999", "1999-06-01"},
      {"", "2-29-2000", "2000-02-29"},
      {"", "2-29-1900", ""},
      {"", "13-1-2006", ""},
      {"", "0-1-2006", ""},
      {"", "6-21-06", ""},
      {"", "6/21/2006", ""},
      {"", "6-21-2006 ", ""},
      {"", "", ""},
      {filetime2006, "1-1-1990", "2006-06-21"},
      {"short", "1-1-1990", "1990-01-01"},
  };
  for (const auto& d : dates) EXPECT_EQ(d.iso, DriverDateIso(d.data, d.date)) << d.date;
}

TEST(ListViewValues, DisplayStringsAndDriverFilesAsWindowsShowThem) {
  const struct {
    std::string stored, shown;
  } texts[] = {
      {"Plain; not indirect", "Plain; not indirect"},
      {"@oem12.inf,%devicedesc%;Intel(R) Ethernet Connection", "Intel(R) Ethernet Connection"},
      {"@%SystemRoot%\\system32\\drivers\\x.sys,-100",
       "@%SystemRoot%\\system32\\drivers\\x.sys,-100"},
      {"@System32\\drivers\\usbxhci.sys,#1073807361;%1 USB %2 eXtensible Host Controller - %3 "
       "(Microsoft);(Intel,3.0,1.0)",
       "Intel USB 3.0 eXtensible Host Controller - 1.0 (Microsoft)"},
      {"@a;%2 and %1, %3 stays, 100%;(x,y)", "y and x, %3 stays, 100%"},
      {"@a;%10;(1,2,3,4,5,6,7,8,9,ten)", "ten"},
      {"@a;one;two;(x)", "one;two"},
      {"@a;text;(unclosed", "text;(unclosed"},
      {"@a;", ""},
      {"@a;;()", ""},
  };
  for (const auto& t : texts) EXPECT_EQ(t.shown, DisplayText(t.stored)) << t.stored;
  const struct {
    std::string name, image, path;
  } paths[] = {
      {"x", "\\SystemRoot\\System32\\drivers\\x.sys", "%SystemRoot%\\System32\\drivers\\x.sys"},
      {"x", "\\systemroot\\x.sys", "%SystemRoot%\\x.sys"},
      {"x", "System32\\drivers\\x.sys", "%SystemRoot%\\System32\\drivers\\x.sys"},
      {"x", "\\??\\C:\\Drivers\\x.sys", "C:\\Drivers\\x.sys"},
      {"x", "C:\\x.sys", "C:\\x.sys"},
      {"x", "%windir%\\x.sys", "%windir%\\x.sys"},
      {"x", "\\Device\\x", "\\Device\\x"},
      {"Ntfs", "", "%SystemRoot%\\System32\\drivers\\Ntfs.sys"},
  };
  for (const auto& p : paths) EXPECT_EQ(p.path, ServiceFilePath(p.name, p.image)) << p.image;

  // Driver-store package names, Amcache's file ids and times.
  for (const auto& [package, inf] : std::initializer_list<std::pair<std::string, std::string>>{
           {"netrtwlane.inf_amd64_a6f7c3b2e1d0f9a8", "netrtwlane.inf"},
           {"usb_dev.inf_x86_1234", "usb_dev.inf"},
           {"plain.inf", "plain.inf"},
           {"one_tail", "one_tail"},
           {"_a_b", "_a_b"},
           {"", ""}}) {
    EXPECT_EQ(inf, PackageInfName(package)) << package;
  }
  const std::string sha1 = "0b4f1c2d3e4f5a6b7c8d9e0f1a2b3c4d5e6f7a8b";
  for (const auto& [id, want] : std::initializer_list<std::pair<std::string, std::string>>{
           {"0000" + sha1, sha1},
           {"0000" + UpperAscii(sha1), sha1},
           {sha1, sha1},
           {"0000" + sha1.substr(1), ""},
           {"0001" + sha1, ""},
           {"0000" + sha1.substr(0, 39) + "g", ""},
           {"", ""}}) {
    EXPECT_EQ(want, FileIdSha1(id)) << id;
  }
  for (const auto& [stored, shown] : std::initializer_list<std::pair<std::string, std::string>>{
           {"09/15/2018 09:28:46", "2018-09-15T09:28:46Z"},
           {"13/15/2018 09:28:46", "13/15/2018 09:28:46"},
           {"09/15/2018 24:00:00", "09/15/2018 24:00:00"},
           {"9/15/2018 09:28:46", "9/15/2018 09:28:46"},
           {"2018-09-15 09:28:46", "2018-09-15 09:28:46"},
           {"", ""}}) {
    EXPECT_EQ(shown, AmcacheTime(stored)) << stored;
  }
}

// The list is kept as its samples' SHA-1s, each with its entry's category and id; whatever is
// not that list, or holds no SHA-1, is refused with the reason.
TEST(ListViewValues, KnownVulnerableListsKeepTheirSamplesSha1s) {
  const std::string a(40, 'a'), b(40, 'b');
  const struct {
    std::string text, error;
    std::vector<std::pair<std::string, std::string>> marks;
  } cases[] = {
      {"\xEF\xBB\xBF [{\"KnownVulnerableSamples\": [{\"SHA1\": \"" + UpperAscii(a) +
           "\", \"Signatures\": [{\"SHA1\": \"" + b +
           "\"}]}], \"Id\": \"x\", \"Category\": \"c\"}]",
       "",
       {{a, "c x"}}},
      {"[{\"Id\": \"1\", \"KnownVulnerableSamples\": [{\"SHA1\": \"" + a +
           "\"}, {\"SHA1\": null}, {\"SHA1\": \"abc\"}]}, {\"Id\": \"2\", "
           "\"KnownVulnerableSamples\": [{\"SHA1\": \"" +
           a + "\"}, {\"SHA1\": \"" + b + "\"}]}]",
       "",
       {{a, "1"}, {b, "2"}}},
      {"Category,KnownVulnerableSamples_SHA1,Id\r\nm,\"" + a + ", " + b + "\",\"i,\"\"d\"\"\"\n",
       "",
       {{a, "m i,\"d\""}, {b, "m i,\"d\""}}},
      {"{\"Id\": \"x\"}", "not a JSON array of entries", {}},
      {"[{\"KnownVulnerableSamples\": [{\"SHA1\": \"" + a + "\"}]}",
       "not valid JSON at byte 84",
       {}},
      {"[{\"Id\": \"x\", \"SHA1\": \"" + a + "\"}]", "no sample's SHA1 in it", {}},
      {"Id,Filename\nx,afd.sys\n", "neither JSON nor CSV with a SHA1 column", {}},
      {" \r\n\t", "empty file", {}},
  };
  for (const auto& c : cases) {
    try {
      const KnownVulnerableList list = ParseKnownVulnerable(c.text);
      EXPECT_EQ("", c.error) << c.text;
      EXPECT_EQ(c.marks.size(), list.sha1Entry.size()) << c.text;
      for (const auto& [sha1, entry] : c.marks) {
        const auto found = list.sha1Entry.find(sha1);
        ASSERT_NE(list.sha1Entry.end(), found) << c.text;
        EXPECT_EQ(entry, list.entries[found->second]) << c.text;
      }
    } catch (const Exception& e) {
      EXPECT_EQ(c.error, e.Message()) << c.text;
    }
  }
}

TEST(ListRecords, EveryInstanceOfTheCurrentControlSetWithWhereAndWhen) {
  FakeRegistry registry;
  AddInventory(registry);
  EXPECT_EQ(2u, CurrentControlSet(registry));
  EXPECT_EQ((std::vector<std::string>{"ControlSet001", "ControlSet002"}), ControlSets(registry));
  std::vector<DriverRecord> records;
  std::vector<RecordWarning> warnings;
  ScanDriverRecords(registry, "ControlSet002", "ControlSet002", records,
                    [&](const RecordWarning& w) { warnings.push_back(w); });
  ASSERT_EQ(14u, records.size());
  EXPECT_TRUE(warnings.empty());
  EXPECT_EQ(0u, registry.OpenHandles());
  const DriverRecord& net3 = records[3];
  EXPECT_EQ("ПК-1", net3.computerName);
  EXPECT_EQ("ControlSet002", net3.controlSet);
  EXPECT_EQ("{net}", net3.classGuid);
  EXPECT_EQ("Net", net3.className);
  EXPECT_EQ("0003", net3.instance);
  EXPECT_EQ("ControlSet002\\Control\\Class\\{net}\\0003", net3.keyPath);
  EXPECT_EQ("2018-03-27T12:11:44Z", net3.lastWritten);
  EXPECT_EQ("Net d", net3.values[0]);
  EXPECT_EQ("0012", records[12].instance);
  EXPECT_EQ("", records[13].className);
  EXPECT_EQ("", records[13].values[0]);
  EXPECT_EQ("設備 \xf0\x9f\x98\x80", records[13].values[1]);

  // The live registry reads CurrentControlSet, named by Select's number where that reads.
  for (const bool select : {true, false}) {
    FakeRegistry live;
    SetWide(live, "SYSTEM\\CurrentControlSet\\Control\\Class\\{x}\\0000", "DriverDesc", u"Live");
    if (select) live.SetValue("SYSTEM\\Select", "Current", kRegDword, std::string("\x07\0\0\0", 4));
    ListOptions options = ParseListOptions(0, nullptr, ListSource::kLiveRegistry);
    options.format = ListFormat::kCsv;
    std::string errors;
    FakeFileApi files;
    EXPECT_EQ(0, RunList(options, ListSource::kLiveRegistry, files, Host(live, errors)));
    EXPECT_NE(std::string::npos,
              files.Contents(kOut).find(std::string("\r\nHKLM,,") +
                                        (select ? "ControlSet007" : "CurrentControlSet") +
                                        ",{x},,0000,CurrentControlSet\\Control\\Class\\{x}\\0000,"))
        << files.Contents(kOut);
    EXPECT_EQ("", errors);
  }

  for (const auto& [set, error] : {std::pair{"ControlSet009", "ControlSet009 has no Class key"}}) {
    try {
      ScanDriverRecords(registry, set, set, records, nullptr);
      ADD_FAILURE() << set;
    } catch (const ERecordsError& e) {
      EXPECT_EQ(error, e.Message());
      EXPECT_EQ(0, e.Code());
    }
  }
}

// Every call of a listing fails in turn: a failure under the Class key is one warning line
// naming the key and the value, and the rest is listed; one the listing cannot do without is
// one error line and status 1. Nothing is left open.
TEST(ListRecords, AFailingCallIsAWarningOrOneErrorNeverAStop) {
  const auto addHive = [](FakeRegistry& registry, const ViewSchema& view) {
    view.name == "files" ? AddDriverFile(registry) : AddInventory(registry);
  };
  for (const ViewSchema& view : Views()) {
    FakeRegistry counted;
    addHive(counted, view);
    const char* hive[] = {"h"};
    ListOptions options = ParseListOptions(1, hive, ListSource::kHiveFile);
    options.format = ListFormat::kJsonLines;
    options.view = &view;
    std::string errors;
    FakeFileApi files;
    ASSERT_EQ(0, RunList(options, ListSource::kHiveFile, files, Host(counted, errors)));
    EXPECT_EQ("", errors);
    const std::string whole = files.Contents(kOut);
    const auto rows = std::count(whole.begin(), whole.end(), '\n');
    const bool timeline = view.name == "timeline";
    EXPECT_EQ(view.name == "records"                              ? 14
              : view.name == "devices" || view.name == "packages" ? 2
              : timeline                                          ? 22
                                                                  : 1,
              rows)
        << view.name;
    const std::size_t calls = counted.Calls().size();
    std::size_t warned = 0;
    for (std::size_t n = 1; n <= calls; ++n) {
      FakeRegistry registry;
      addHive(registry, view);
      registry.FailNthCall(n, kErrorRegistryCorrupt);
      FakeFileApi out;
      errors.clear();
      const int status = RunList(options, ListSource::kHiveFile, out, Host(registry, errors));
      EXPECT_EQ(0u, registry.OpenHandles()) << view.name << n;
      EXPECT_EQ(std::string::npos, errors.find('\n')) << view.name << n << ": " << errors;
      if (status == 1) {
        EXPECT_TRUE(errors.starts_with("tolvane-list: ") &&
                    !errors.starts_with("tolvane-list: warn"))
            << view.name << n << ": " << errors;
        continue;
      }
      EXPECT_EQ(0, status) << view.name << n;
      if (errors.empty()) {
        EXPECT_EQ(whole, out.Contents(kOut)) << view.name << n;  // a close that failed
        continue;
      }
      ++warned;
      EXPECT_TRUE(errors.starts_with(R"(tolvane-list: warning: 'h': 'ControlSet002\\)") ||
                  errors.starts_with(R"(tolvane-list: warning: 'h': 'DriverDatabase\\)") ||
                  errors.starts_with(R"(tolvane-list: warning: 'h': 'Root\\)"))
          << view.name << n << ": " << errors;
      EXPECT_TRUE(errors.ends_with(": code 1015")) << view.name << n << ": " << errors;
      const std::string& listed = out.Contents(kOut);
      const auto lines = std::count(listed.begin(), listed.end(), '\n');
      // A value lost leaves its row, but for a service's Type, which decides whether there is
      // one; an instance key lost, that row; a class key, its class. In the timeline, a value
      // lost takes the one time it holds or decides.
      const bool value = errors.find(" value ") != std::string::npos;
      const bool decides = errors.find(" value 'Type'") != std::string::npos;
      const bool instance = errors.find(R"(}\\0)") != std::string::npos;
      EXPECT_GE(lines, timeline && value     ? rows - 1
                       : value && !decides   ? rows
                       : instance || decides ? rows - 1
                                             : 0)
          << view.name << n << ": " << errors;
    }
    EXPECT_GT(warned, calls / 2) << view.name;
  }
}

// Rows are written as they are read: an output that fails at its first write, however far the
// listing has gone, is said once, with status 1, and the listing still ends; nothing is left
// open.
TEST(ListRun, AnOutputFailingWhileRowsAreWrittenIsSaidOnce) {
  FakeRegistry registry;
  AddInventory(registry);
  for (int i = 0; i < 200; ++i) {
    registry.SetText("SYSTEM\\ControlSet002\\Control\\Class\\{c" + std::to_string(i) + "}\\0000",
                     "DriverDesc", std::string(400, 'd'));
  }
  const char* hive[] = {"h"};
  ListOptions options = ParseListOptions(1, hive, ListSource::kHiveFile);
  for (const ListFormat format : {ListFormat::kCsv, ListFormat::kJson, ListFormat::kJsonLines}) {
    for (const FileCall call :
         {FileCall::kCreateFile, FileCall::kWriteFile, FileCall::kCloseHandle}) {
      options.format = format;
      FakeFileApi files;
      files.FailCall(call, 1, 112);
      std::string errors;
      EXPECT_EQ(1, RunList(options, ListSource::kHiveFile, files, Host(registry, errors)));
      EXPECT_EQ("tolvane-list: cannot write standard output: code 112.", errors);
      EXPECT_EQ(0, files.OpenHandles());
      EXPECT_EQ(0u, registry.OpenHandles());
    }
  }
}

// Where the Properties keys are closed to the run (on Windows, to all but the system account),
// at whatever depth, the times are empty and one line says why, however many devices there are.
TEST(ListDevices, TimesClosedToTheRunAreSaidOnce) {
  FakeRegistry registry;
  AddInventory(registry);
  // Refused at the Properties key of one device, deeper for the other.
  registry.RefuseAccess(kEnum2 + "PCI\\VEN_1\\0001" + kTimes + "0064", kKeyRead);
  registry.RefuseAccess(kEnum2 + "PCI\\VEN_1\\0001" + kTimes + "0065", kKeyRead);
  registry.AddKey(kEnum2 + "USB\\ROOT\\0002\\Properties");
  registry.RefuseAccess(kEnum2 + "USB\\ROOT\\0002\\Properties", kKeyRead);
  const char* hive[] = {"h"};
  ListOptions options = ParseListOptions(1, hive, ListSource::kHiveFile);
  options.view = FindView("devices");
  options.format = ListFormat::kCsv;
  std::string errors;
  FakeFileApi files;
  EXPECT_EQ(0, RunList(options, ListSource::kHiveFile, files, Host(registry, errors)));
  EXPECT_EQ(std::string("tolvane-list: warning: ") + std::string(kDeviceTimesDenied), errors);
  const std::string& out = files.Contents(kOut);
  EXPECT_NE(std::string::npos, out.find(",Дисплей,\"@x.inf,%d%;Дисплей\",")) << out;
  EXPECT_NE(std::string::npos, out.find(",Svc,{NET}\\0003,Net d,,1,yes,,,,\r\n")) << out;
  EXPECT_EQ(3, std::count(out.begin(), out.end(), '\n'));
}
