#include "output/print_report.h"

#include <gtest/gtest.h>

#include "error_of.h"
#include "recording_printer.h"
#include "report_fixtures.h"

namespace {

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// The calls from the job's start on, without the surface's selections.
std::vector<std::string> JobCalls(const RecordingPrinterApi& api) {
  std::vector<std::string> calls;
  for (const std::string& call : api.calls)
    if (call.rfind("DeviceCaps", 0) == 0 || call.rfind("GetDeviceCaps", 0) == 0 ||
        call.rfind("StartDocA", 0) == 0 || call.rfind("StartPage", 0) == 0 ||
        call.rfind("EndPage", 0) == 0 || call.rfind("EndDoc", 0) == 0 ||
        call.rfind("GetTextExtentPoint32A", 0) == 0)
      calls.push_back(call);
  return calls;
}

// Prints this many rows of the driver list through printer, holding nothing back.
void PrintDriverList(TPrinter& printer, std::size_t rows) {
  PrintHold hold;
  PrintListView(printer, DriverColumns(), FullRows(rows), hold);
}

// The pages a print of this many rows of the driver list gives.
std::vector<std::string> PagesPrinted(RecordingPrinterApi& api, std::size_t rows) {
  TPrinter printer(api);
  PrintDriverList(printer, rows);
  return api.Pages();
}

}  // namespace

TEST(PrintListViewJob, PrintsOnePortraitCopyNamedListviewPrint) {
  RecordingPrinterApi api;
  api.dialogChoice = [](PrinterDevice& device) {
    device.settings->copies = 3;
    device.settings->orientation = kOrientationLandscape;
  };
  TPrinter printer(api);
  PrintDriverList(printer, 3);
  EXPECT_EQ(api.lastCreated.settings->copies, 1);
  EXPECT_EQ(api.lastCreated.settings->orientation, kOrientationPortrait);
  // The settings stay so for the next dialog.
  EXPECT_EQ(printer.CurrentDevice()->settings->copies, 1);
  EXPECT_EQ(printer.Title(), "Listview Print");
  EXPECT_EQ(api.Count("StartDocA"), 1);
  EXPECT_NE(std::find(api.calls.begin(), api.calls.end(), "StartDocA Listview Print"),
            api.calls.end());
  EXPECT_FALSE(printer.Printing());
  EXPECT_EQ(api.liveDcs, 0);
  EXPECT_EQ(api.liveFonts.size(), 4u);  // the surface keeps its fonts for the next job
}

TEST(PrintListViewJob, ReadsPageMetricsThenMeasuresInTheBodyFont) {
  RecordingPrinterApi api;
  TPrinter printer(api);
  PrintDriverList(printer, 1);
  const std::vector<std::string> calls = JobCalls(api);
  ASSERT_GE(calls.size(), 8u);
  EXPECT_EQ(std::vector<std::string>(calls.begin(), calls.begin() + 8),
            (std::vector<std::string>{"GetDeviceCaps 90", "StartDocA Listview Print", "StartPage",
                                      "GetDeviceCaps 10", "GetDeviceCaps 8", "GetDeviceCaps 113",
                                      "GetDeviceCaps 112", "GetTextExtentPoint32A dummy"}));
  EXPECT_EQ(calls.back(), "EndDoc");
}

TEST(PrintListViewJob, WorkedExampleComesOutOfTheDeviceNumberForNumber) {
  RecordingPrinterApi api;
  const std::vector<std::string> pages = PagesPrinted(api, 150);
  ASSERT_EQ(pages.size(), 3u);
  EXPECT_EQ(api.Count("EndPage"), 3);
  // "Driver" in bold 10 points is 30 wide: 43 + 57 - 15.
  EXPECT_TRUE(Contains(pages[0], "ExtTextOutA 85 72 6 [46 72 155 83] 'Driver' font -10 bold\n"));
  EXPECT_TRUE(Contains(pages[0], "MoveToEx 40 85\nLineTo 530 85\n"));
  EXPECT_TRUE(Contains(pages[0], "ExtTextOutA 46 86 6 [46 86 155 97] 'Driver 0' font -10\n"));
  EXPECT_TRUE(Contains(pages[0], "MoveToEx 158 75\nLineTo 158 757\n"));
  EXPECT_TRUE(Contains(pages[1], "MoveToEx 458 75\nLineTo 458 757\n"));
  EXPECT_TRUE(Contains(pages[2], "MoveToEx 458 75\nLineTo 458 405\n"));
  // The page line is 24 characters of 4 units; the heading 7 of 9: centred or not by the
  // threshold 287 + 21.
  EXPECT_TRUE(Contains(pages[2], "ExtTextOutA 432 15 0 'Date: 3/4/24 Page: 3 / 3' font -8\n"));
  EXPECT_TRUE(Contains(pages[2], "ExtTextOutA 85 30 0 'Tolvane' font -18\n"));
  EXPECT_FALSE(Contains(pages[0], "MoveToEx 43 75"));
  EXPECT_FALSE(Contains(pages[0], "MoveToEx 527 75"));
}

TEST(PrintListViewJob, EmptyListGivesOneBlankPage) {
  RecordingPrinterApi api;
  const std::vector<std::string> pages = PagesPrinted(api, 0);
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_EQ(pages[0], "");
  EXPECT_EQ(api.Count("EndDoc"), 1);
  EXPECT_EQ(api.Count("ShortDate"), 0);
}

TEST(PrintListViewJob, CancelStartsNoJobAndChangesNoSetting) {
  RecordingPrinterApi api;
  api.dialogOk = false;
  TPrinter printer(api);
  PrintDriverList(printer, 3);
  EXPECT_EQ(api.Count("CreateDCA"), 0);
  EXPECT_EQ(api.Count("StartDocA"), 0);
  EXPECT_TRUE(printer.Title().empty());
}

TEST(PrintListViewJob, PageTooSmallForARowStillEnds) {
  RecordingPrinterApi api;
  api.caps[kCapsVertRes] = 4;
  api.caps[kCapsPhysicalOffsetY] = 0;
  TPrinter printer(api);
  PrintDriverList(printer, 5);
  EXPECT_EQ(api.Count("StartPage"), 5);
}

TEST(PrintListViewJob, MoreThanFiftyColumnsPrint) {
  RecordingPrinterApi api;
  TPrinter printer(api);
  PrintHold hold;
  const std::vector<ReportColumn> columns(80, ReportColumn{"c", 10});
  PrintListView(printer, columns, FullRows(1), hold);
  EXPECT_EQ(api.Count("ExtTextOutA"), 80 * 2 + 2);
  EXPECT_EQ(api.Count("LineTo"), 79 + 1);
}

TEST(PrintListViewErrors, ColumnsAllShutFailAfterTheJobBeganAndEndIt) {
  RecordingPrinterApi api;
  TPrinter printer(api);
  PrintHold hold;
  const std::vector<ReportColumn> shut{{"a", 0}, {"b", 0}};
  EXPECT_EQ(ErrorOf([&] { PrintListView(printer, shut, FullRows(3), hold); }),
            "Invalid floating point operation");
  EXPECT_EQ(api.Count("StartDocA"), 1);
  EXPECT_EQ(api.Count("EndDoc"), 1);
  EXPECT_FALSE(printer.Printing());
  EXPECT_FALSE(hold.Busy());
  // The next Print works.
  PrintListView(printer, DriverColumns(), FullRows(3), hold);
  EXPECT_EQ(api.Count("EndDoc"), 2);
}

TEST(PrintListViewErrors, ZeroLineHeightIsADivisionByZeroAfterTheJobBegan) {
  RecordingPrinterApi api;
  api.caps[kCapsLogPixelsY] = 0;  // fonts of height 0 measure 0 high here
  TPrinter printer(api);
  PrintHold hold;
  EXPECT_EQ(ErrorOf([&] { PrintListView(printer, DriverColumns(), FullRows(3), hold); }),
            "Floating point division by zero");
  EXPECT_EQ(api.Count("EndDoc"), 1);
  EXPECT_FALSE(printer.Printing());
}

TEST(PrintListViewErrors, JobOpenFromElsewhereIsPrintingInProgress) {
  RecordingPrinterApi api;
  TPrinter printer(api);
  PrintHold hold;
  printer.BeginDoc();
  EXPECT_EQ(ErrorOf([&] { PrintListView(printer, DriverColumns(), FullRows(3), hold); }),
            kPrintingInProgress);
  EXPECT_EQ(api.Count("StartDocA"), 1);
  EXPECT_TRUE(printer.Printing());  // not the report's job to end
}

TEST(PrintListViewErrors, DeviceWithoutSettingsFailsBeforeTheJob) {
  RecordingPrinterApi api;
  api.defaultDevice.settings.reset();
  TPrinter printer(api);
  PrintHold hold;
  EXPECT_EQ(ErrorOf([&] { PrintListView(printer, DriverColumns(), FullRows(3), hold); }),
            kNotSupported);
  EXPECT_EQ(api.Count("StartDocA"), 0);
}

TEST(PrintListViewMidJob, HeldBackRefreshRunsOnceAfterTheJobHasEnded) {
  RecordingPrinterApi api;
  TPrinter printer(api);
  RowStore rows = FullRows(150);
  std::vector<std::string> events;
  bool refreshHeld = false;
  PrintHold hold([&] {
    events.push_back(printer.Printing() ? "released mid-job" : "released after job");
    if (refreshHeld) rows.Clear();
  });
  // Each abort check lets a Refresh through the message dispatch; the window asks the hold.
  api.onDispatch = [&] {
    if (hold.HoldBack()) {
      refreshHeld = true;
      return;
    }
    rows.Clear();
  };
  PrintListView(printer, DriverColumns(), rows, hold);
  EXPECT_EQ(events, (std::vector<std::string>{"released after job"}));
  EXPECT_EQ(rows.Count(), 0u);
  // Every row of the one scan was printed.
  const std::vector<std::string> pages = api.Pages();
  ASSERT_EQ(pages.size(), 3u);
  EXPECT_TRUE(Contains(pages[2], "'Driver 149'"));
  EXPECT_FALSE(hold.Busy());
}

TEST(PrintListViewMidJob, NothingHeldMeansNoRelease) {
  RecordingPrinterApi api;
  TPrinter printer(api);
  int released = 0;
  PrintHold hold([&] { ++released; });
  PrintListView(printer, DriverColumns(), FullRows(62), hold);
  EXPECT_EQ(released, 0);
  EXPECT_FALSE(hold.HoldBack());
}

TEST(PrintListViewMidJob, NestedPrintFailsWithPrintingInProgressAndTheJobGoesOn) {
  RecordingPrinterApi api;
  TPrinter printer(api);
  PrintHold hold;
  const RowStore rows = FullRows(62);
  std::string nestedError;
  api.onDispatch = [&] {
    if (nestedError.empty())
      nestedError = ErrorOf([&] { PrintListView(printer, DriverColumns(), rows, hold); });
  };
  PrintListView(printer, DriverColumns(), rows, hold);
  EXPECT_EQ(nestedError, kPrintingInProgress);
  EXPECT_EQ(api.Count("StartDocA"), 1);
  EXPECT_EQ(api.Pages().size(), 2u);
  EXPECT_FALSE(printer.Printing());
}

TEST(PrintListViewMidJob, RowsClearedUnderAJobPrintEmptyInsteadOfCrashing) {
  // A window that ignores the hold: the report still reads no row that is gone.
  RecordingPrinterApi api;
  TPrinter printer(api);
  PrintHold hold;
  RowStore rows = FullRows(62);
  api.onDispatch = [&] { rows.Clear(); };
  PrintListView(printer, DriverColumns(), rows, hold);
  const std::vector<std::string> pages = api.Pages();
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_TRUE(Contains(pages[1], "ExtTextOutA 46 86 6 [46 86 155 97] '' font -10\n"));
}
