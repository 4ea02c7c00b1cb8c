#include "output/printer.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "error_of.h"
#include "recording_printer.h"

TEST(PrinterDevice, NoDefaultPrinterFailsBeforeTheDialogOpens) {
  RecordingPrinterApi api;
  api.hasDefault = false;
  TPrinter printer(api);
  EXPECT_EQ(ErrorOf([&] { printer.Execute(); }), kNoDefaultPrinter);
  EXPECT_EQ(api.Count("PrintDialog"), 0);
  EXPECT_EQ(ErrorOf([&] { printer.SetCopies(1); }), kNoDefaultPrinter);
  EXPECT_EQ(ErrorOf([&] { printer.BeginDoc(); }), kNoDefaultPrinter);
}

TEST(PrinterDevice, DialogOpensOnTheDefaultPrinterAndKeepsTheChoiceForTheRun) {
  RecordingPrinterApi api;
  api.dialogChoice = [](PrinterDevice& device) {
    EXPECT_EQ(device.device, "Recorder");
    device.device = "Other";
    device.settings->copies = 3;
  };
  TPrinter printer(api);
  EXPECT_TRUE(printer.Execute());
  ASSERT_NE(printer.CurrentDevice(), nullptr);
  EXPECT_EQ(printer.CurrentDevice()->device, "Other");
  EXPECT_EQ(printer.CurrentDevice()->settings->copies, 3);
  api.dialogChoice = [](PrinterDevice& device) { EXPECT_EQ(device.device, "Other"); };
  EXPECT_TRUE(printer.Execute());
  EXPECT_EQ(api.Count("DefaultPrinter"), 1);
}

TEST(PrinterDevice, CancelChangesNothing) {
  RecordingPrinterApi api;
  TPrinter printer(api);
  api.dialogOk = false;
  api.dialogChoice = [](PrinterDevice& device) { device.device = "Other"; };
  EXPECT_FALSE(printer.Execute());
  EXPECT_EQ(printer.CurrentDevice()->device, "Recorder");
}

TEST(PrinterDevice, SettingsChangesDiscardTheDeviceContextForTheNextJob) {
  RecordingPrinterApi api;
  TPrinter printer(api);
  int width = 0;
  int height = 0;
  printer.TextExtent("x", &width, &height);  // makes a device context for measuring
  EXPECT_EQ(api.liveDcs, 1);
  printer.SetCopies(2);
  printer.SetOrientation(kOrientationLandscape);
  EXPECT_EQ(api.liveDcs, 0);
  printer.BeginDoc();
  EXPECT_EQ(api.lastCreated.settings->copies, 2);
  EXPECT_EQ(api.lastCreated.settings->orientation, kOrientationLandscape);
  EXPECT_EQ(api.lastCreated.settings->devMode, (std::vector<std::uint8_t>{1, 2, 3}));
}

TEST(PrinterDevice, DeviceWithoutSettingsRefusesCopiesAndOrientation) {
  RecordingPrinterApi api;
  api.defaultDevice.settings.reset();
  TPrinter printer(api);
  EXPECT_EQ(ErrorOf([&] { printer.SetCopies(1); }), kNotSupported);
  EXPECT_EQ(ErrorOf([&] { printer.SetOrientation(kOrientationPortrait); }), kNotSupported);
}

TEST(PrinterJob, BeginStartsDocumentAndFirstPage) {
  RecordingPrinterApi api;
  TPrinter printer(api);
  printer.SetTitle("Listview Print");
  EXPECT_EQ(printer.PageNumber(), 0);
  printer.BeginDoc();
  EXPECT_TRUE(printer.Printing());
  EXPECT_EQ(printer.PageNumber(), 1);
  EXPECT_EQ(api.Count("StartDocA Listview Print"), 0);  // counted by name only
  EXPECT_EQ(api.Count("StartDocA"), 1);
  EXPECT_EQ(api.Count("StartPage"), 1);
  EXPECT_NE(api.abortCheck, nullptr);
  const auto start = std::find(api.calls.begin(), api.calls.end(), "StartDocA Listview Print");
  EXPECT_NE(start, api.calls.end());
}

TEST(PrinterJob, PageBreaksCountPagesAndEndReturnsToIdle) {
  RecordingPrinterApi api;
  TPrinter printer(api);
  printer.BeginDoc();
  printer.NewPage();
  printer.NewPage();
  EXPECT_EQ(printer.PageNumber(), 3);
  printer.EndDoc();
  EXPECT_FALSE(printer.Printing());
  EXPECT_EQ(printer.PageNumber(), 0);
  EXPECT_EQ(api.Count("StartPage"), 3);
  EXPECT_EQ(api.Count("EndPage"), 3);
  EXPECT_EQ(api.Count("EndDoc"), 1);
  EXPECT_EQ(api.liveDcs, 0);
}

TEST(PrinterJob, SecondBeginWhileOpenIsPrintingInProgress) {
  RecordingPrinterApi api;
  TPrinter printer(api);
  printer.BeginDoc();
  EXPECT_EQ(ErrorOf([&] { printer.BeginDoc(); }), kPrintingInProgress);
  EXPECT_EQ(ErrorOf([&] { printer.SetCopies(1); }), kPrintingInProgress);
  EXPECT_EQ(ErrorOf([&] { printer.SetOrientation(1); }), kPrintingInProgress);
  // The dialog still opens; confirming it is what fails.
  EXPECT_EQ(ErrorOf([&] { printer.Execute(); }), kPrintingInProgress);
  EXPECT_EQ(api.Count("PrintDialog"), 1);
  EXPECT_EQ(printer.PageNumber(), 1);
  EXPECT_EQ(api.Count("StartDocA"), 1);
}

TEST(PrinterJob, PageOperationsOutsideAJobAreNotPrinting) {
  RecordingPrinterApi api;
  TPrinter printer(api);
  EXPECT_EQ(ErrorOf([&] { printer.NewPage(); }), kNotPrinting);
  EXPECT_EQ(ErrorOf([&] { printer.EndDoc(); }), kNotPrinting);
  EXPECT_EQ(ErrorOf([&] { printer.MoveTo(1, 1); }), kNotPrinting);
  EXPECT_EQ(ErrorOf([&] { printer.LineTo(1, 1); }), kNotPrinting);
  EXPECT_EQ(ErrorOf([&] { printer.PlainText(1, 1, "x"); }), kNotPrinting);
  EXPECT_EQ(ErrorOf([&] { printer.ClippedText({}, 1, 1, "x"); }), kNotPrinting);
  int width = 0;
  int height = 0;
  printer.TextExtent("abcd", &width, &height);  // measuring is allowed
  EXPECT_EQ(api.Count("MoveToEx") + api.Count("LineTo") + api.Count("ExtTextOutA"), 0);
}

TEST(PrinterJob, InvalidDeviceIsReportedAndLeavesThePrinterIdle) {
  RecordingPrinterApi api;
  api.faults.FailCall("CreateDCA", 1);
  TPrinter printer(api);
  EXPECT_EQ(ErrorOf([&] { printer.BeginDoc(); }), kPrinterNotValid);
  EXPECT_FALSE(printer.Printing());
  printer.BeginDoc();  // the device answers the second time
  EXPECT_TRUE(printer.Printing());
}

TEST(PrinterJob, SpoolerFailuresAreIgnored) {
  for (const char* operation : {"StartDocA", "StartPage", "EndPage", "EndDoc", "SetAbortProc"}) {
    RecordingPrinterApi api;
    api.faults.FailCall(operation, 1);
    TPrinter printer(api);
    printer.BeginDoc();
    printer.NewPage();
    printer.EndDoc();
    EXPECT_FALSE(printer.Printing()) << operation;
    EXPECT_EQ(api.liveDcs, 0) << operation;
  }
}

TEST(PrinterJob, PageThatThrowsAsItEndsStillEndsTheDocument) {
  RecordingPrinterApi api;
  TPrinter printer(api);
  printer.BeginDoc();
  api.faults.FailCall("EndPage", 1);
  api.failByThrow = true;
  EXPECT_THROW(printer.EndDoc(), std::runtime_error);
  EXPECT_EQ(api.Count("EndDoc"), 1);
  EXPECT_FALSE(printer.Printing());
  EXPECT_EQ(api.liveDcs, 0);
}

// Each row is named after the rule it guards; a failure before the document also checks that
// no page was counted and that the next begin works.
TEST(PrinterJob, BeginThatFailsEndsWhatItStarted) {
  const struct {
    const char* rule;
    const char* failingCall;
    int startedDocs;
    int endedDocs;
    bool checksPagesAndRetry;
  } cases[] = {
      {"BeginThatFailsBeforeTheDocumentStartsEndsNoDocument", "SetAbortProc", 0, 0, true},
      {"BeginThatFailsOnceTheDocumentStartedEndsIt", "StartPage", 1, 1, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rule);
    RecordingPrinterApi api;
    api.faults.FailCall(c.failingCall, 1);
    api.failByThrow = true;
    TPrinter printer(api);
    EXPECT_THROW(printer.BeginDoc(), std::runtime_error);
    EXPECT_EQ(api.Count("StartDocA"), c.startedDocs);
    EXPECT_EQ(api.Count("EndDoc"), c.endedDocs);
    EXPECT_FALSE(printer.Printing());
    EXPECT_EQ(api.liveDcs, 0);
    if (c.checksPagesAndRetry) {
      EXPECT_EQ(api.Count("EndPage"), 0);
      EXPECT_EQ(printer.PageNumber(), 0);
      api.faults.ClearFaults();
      printer.BeginDoc();
      EXPECT_TRUE(printer.Printing());
    }
  }
}

TEST(PrinterJob, ReleasingThePrinterEndsAnOpenJobAndFreesEverything) {
  RecordingPrinterApi api;
  {
    TPrinter printer(api);
    printer.BeginDoc();
    printer.SetFont({18, false});
  }
  EXPECT_EQ(api.Count("EndPage"), 1);
  EXPECT_EQ(api.Count("EndDoc"), 1);
  EXPECT_EQ(api.liveDcs, 0);
  EXPECT_TRUE(api.liveFonts.empty());
}

TEST(PrinterAbortCheck, DispatchesPendingMessagesAndCarriesOn) {
  RecordingPrinterApi api;
  int dispatched = 0;
  api.onDispatch = [&] { ++dispatched; };
  TPrinter printer(api);
  printer.BeginDoc();
  ASSERT_NE(api.abortCheck, nullptr);
  EXPECT_TRUE(api.abortCheck->ContinueJob());
  EXPECT_EQ(dispatched, 1);
  printer.EndDoc();  // EndPage consults it once more
  EXPECT_EQ(dispatched, 2);
}

TEST(PrinterSurface, FontsAreTimesNewRomanAtTheDevicesResolution) {
  RecordingPrinterApi api;
  api.caps[kCapsLogPixelsY] = 300;
  TPrinter printer(api);
  printer.BeginDoc();
  printer.SetFont({10, true});
  printer.SetFont({8, false});
  printer.SetFont({18, false});
  EXPECT_EQ(api.Count("CreateFontIndirectA"), 4);  // the surface's first font too
  EXPECT_NE(
      std::find(api.calls.begin(), api.calls.end(), "CreateFontIndirectA -42 700 Times New Roman"),
      api.calls.end());
  EXPECT_NE(
      std::find(api.calls.begin(), api.calls.end(), "CreateFontIndirectA -33 400 Times New Roman"),
      api.calls.end());
  EXPECT_NE(
      std::find(api.calls.begin(), api.calls.end(), "CreateFontIndirectA -75 400 Times New Roman"),
      api.calls.end());
  EXPECT_EQ(api.liveFonts.size(), 4u);  // kept for the next page
  printer.SetFont({10, true});
  EXPECT_EQ(api.Count("CreateFontIndirectA"), 4);
}

TEST(PrinterSurface, FontPersistsBetweenJobsAndIsSelectedAfterEachPageBreak) {
  RecordingPrinterApi api;
  TPrinter printer(api);
  printer.BeginDoc();
  printer.SetFont({18, false});
  printer.EndDoc();
  EXPECT_EQ(printer.Font(), (PrinterFontChoice{18, false}));
  printer.BeginDoc();
  int width = 0;
  int height = 0;
  printer.TextExtent("x", &width, &height);
  EXPECT_EQ(height, 19);  // 18 + 1 leading in the recorder's metrics
  const int selects = api.Count("SelectObject");
  printer.NewPage();
  EXPECT_EQ(api.Count("SelectObject"), selects + 3);  // font, pen, brush
}

TEST(PrinterSurface, RefusedFontKeepsThePreviousOne) {
  RecordingPrinterApi api;
  TPrinter printer(api);
  printer.BeginDoc();
  api.faults.FailCall("CreateFontIndirectA", 2);
  printer.SetFont({18, false});
  int width = 0;
  int height = 0;
  printer.TextExtent("x", &width, &height);
  EXPECT_EQ(height, 11);
  printer.SetFont({18, false});  // asked again, made this time
  printer.TextExtent("x", &width, &height);
  EXPECT_EQ(height, 19);
}

TEST(PrinterSurface, DrawingUsesClippedOpaqueAndPlainText) {
  RecordingPrinterApi api;
  TPrinter printer(api);
  printer.BeginDoc();
  printer.ClippedText({1, 2, 3, 4}, 5, 6, "cell");
  printer.PlainText(7, 8, "line");
  const std::vector<std::string> pages = api.Pages();
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_EQ(pages[0],
            "ExtTextOutA 5 6 6 [1 2 3 4] 'cell' font -10\n"
            "ExtTextOutA 7 8 0 'line' font -10\n");
}
