// The printed report end to end: PrintListView through the Windows back end to the test
// queue, whose saved PostScript is checked, rendered to pictures and read back as text.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>

#include "output/print_report.h"
#include "support_printing.h"
#include "report_fixtures.h"

namespace {

RowStore Rows(std::size_t count) {
  RowStore store;
  for (std::size_t i = 0; i < count; ++i) {
    DriverRow& row = store.Append("Driver " + std::to_string(i));
    row.subItems = {"Maker " + std::to_string(i),
                    "1.0." + std::to_string(i),
                    "6/21/2006",
                    "oem" + std::to_string(i) + ".inf",
                    "Install",
                    "Install.NT",
                    "PCI\\VEN_" + std::to_string(1000 + i),
                    ""};
  }
  return store;
}

// Rows per page on the real default printer, measured as the report measures them.
int RealRowsPerPage() {
  NoDialogPrinterApi api;
  TPrinter printer(api);
  PageMetrics page;
  page.printableHeight = printer.DeviceCaps(kCapsVertRes);
  page.printableWidth = printer.DeviceCaps(kCapsHorzRes);
  page.offsetY = printer.DeviceCaps(kCapsPhysicalOffsetY);
  page.offsetX = printer.DeviceCaps(kCapsPhysicalOffsetX);
  ReportLayout layout = ReportLayout::ForPage(page, DriverColumns());
  printer.SetFont({kBodyPoints, false});
  int width = 0;
  int height = 0;
  printer.TextExtent("dummy", &width, &height);
  layout.SetLineHeight(page, height);
  return layout.rowsPerPage;
}

int CountOf(const std::string& text, const std::string& part) {
  int count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
    ++count;
  return count;
}

// Wine's PostScript driver draws spaces with the no-break space glyph; Ghostscript's text
// output gives them back as U+00A0.
std::string PlainSpaces(const std::string& text) {
  std::string plain;
  for (std::size_t at = 0; at < text.size(); ++at) {
    if (text.compare(at, 2, "\xC2\xA0") == 0) {
      plain += ' ';
      ++at;
    } else {
      plain += text[at];
    }
  }
  return plain;
}

// Prints count rows and returns the saved job's Unix path.
std::string PrintRows(std::size_t count) {
  const std::vector<std::string> before = SavedJobs();
  NoDialogPrinterApi api;
  TPrinter printer(api);
  PrintHold hold;
  PrintListView(printer, DriverColumns(), Rows(count), hold);
  return WaitForNewJob(before);
}

class ReportPrint : public testing::Test {
 protected:
  void SetUp() override {
    if (PrintJobsFolder().empty()) GTEST_SKIP() << "TOLVANE_PRINT_JOBS is not set";
  }
};

}  // namespace

TEST_F(ReportPrint, JobsArePortraitListviewPrintWithTheExpectedPageCounts) {
  const int rowsPerPage = RealRowsPerPage();
  ASSERT_GT(rowsPerPage, 1);
  for (const std::size_t rows :
       {std::size_t{0}, std::size_t{61}, std::size_t{62}, std::size_t{150},
        static_cast<std::size_t>(rowsPerPage), static_cast<std::size_t>(rowsPerPage) + 1}) {
    const std::string job = PrintRows(rows);
    ASSERT_FALSE(job.empty()) << rows << " rows: no job saved";
    const std::string postscript = ReadFileText(job);
    EXPECT_NE(postscript.find("%%Title: Listview Print"), std::string::npos) << rows;
    EXPECT_NE(postscript.find("%%Orientation: Portrait"), std::string::npos) << rows;
    const int expectedPages =
        rows == 0 ? 1 : static_cast<int>((rows + rowsPerPage - 1) / rowsPerPage);
    EXPECT_EQ(CountOf(postscript, "\n%%Page: "), expectedPages) << rows << " rows";
  }
}

TEST_F(ReportPrint, PagesRenderWithHeaderHeadingAndPageLineOnEach) {
  const int rowsPerPage = RealRowsPerPage();
  const std::size_t rows = static_cast<std::size_t>(rowsPerPage) * 2 + 5;
  const std::string job = PrintRows(rows);
  ASSERT_FALSE(job.empty());
  const char* source = std::getenv("TOLVANE_SOURCE");
  ASSERT_NE(source, nullptr);
  const std::string pictures = PrintJobsFolder() + "/../print-pages";
  const std::string text = PrintJobsFolder() + "/report.txt";
  const std::string script = "source '" + std::string(source) +
                             "/scripts/printing.sh' && mkdir -p '" + pictures +
                             "' && tolvane_ps_render '" + job + "' '" + pictures +
                             "/report-page' && tolvane_ps_text '" + job + "' > '" + text + "'";
  ASSERT_EQ(RunUnixScript(script), 0);
  for (int page = 1; page <= 3; ++page)
    EXPECT_EQ(GetFileAttributesA(
                  WindowsPath(pictures + "/report-page" + std::to_string(page) + ".png").c_str()) ==
                  INVALID_FILE_ATTRIBUTES,
              false)
        << "page " << page;
  const std::string words = PlainSpaces(ReadFileText(text));
  EXPECT_EQ(CountOf(words, "Tolvane"), 3);
  EXPECT_EQ(CountOf(words, "Provider"), 3);
  EXPECT_EQ(CountOf(words, "Version"), 3);
  EXPECT_EQ(CountOf(words, "Date: "), 3);
  EXPECT_EQ(CountOf(words, "Page: 1 / 3"), 1);
  EXPECT_EQ(CountOf(words, "Page: 3 / 3"), 1);
  EXPECT_NE(words.find("Driver 0"), std::string::npos);
  EXPECT_NE(words.find("Driver " + std::to_string(rows - 1)), std::string::npos);
}
