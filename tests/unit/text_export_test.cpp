#include "output/text_export.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_file_api.h"
#include "save_outcome.h"

namespace {

const std::string kPath = "C:\\out\\drivers.txt";

void AddRow(RowStore& rows, const std::string& caption, const std::string& provider,
            const std::string& version) {
  DriverRow& row = rows.Append(caption);
  row.subItems = {provider, version, "date", "inf", "section", "ext", "id", "pages"};
}

// A row whose line is `length` bytes long, line end included.
void AddRowOfLength(RowStore& rows, std::size_t length, char fill = 'a') {
  AddRow(rows, std::string(length - 4, fill), "", "");
}

std::vector<std::size_t> BlockSizes(const FakeFileApi& files) {
  std::vector<std::size_t> sizes;
  for (const auto& block : files.Blocks()) sizes.push_back(block.bytes.size());
  return sizes;
}

// Runs the command expecting an EInOutError; returns it.
EInOutError SaveExpectingIoError(FakeFileApi& files, const RowStore& rows, IoResult& ioResult,
                                 const std::string& path = kPath) {
  try {
    SaveRows(files, rows, path, ioResult);
  } catch (const EInOutError& e) {
    return e;
  }
  ADD_FAILURE() << "expected EInOutError";
  return EInOutError(0);
}

// Three rows making 300 bytes: two full blocks and 44 bytes written out at closing.
// What a Save of rows that nothing makes fail leaves in the file.
std::string SavedText(const RowStore& rows) {
  FakeFileApi files;
  IoResult ioResult;
  SaveRows(files, rows, kPath, ioResult);
  return files.Contents(kPath);
}

RowStore ThreeBlockRows() {
  RowStore rows;
  AddRowOfLength(rows, 100, 'a');
  AddRowOfLength(rows, 100, 'b');
  AddRowOfLength(rows, 100, 'c');
  return rows;
}

std::string ThreeBlockText() {
  return std::string(96, 'a') + ",,\r\n" + std::string(96, 'b') + ",,\r\n" + std::string(96, 'c') +
         ",,\r\n";
}

// Saves rows with a short one: the list error, what the file holds, and no handle left open.
void ExpectListError(FakeFileApi& files, const RowStore& rows, IoResult& ioResult,
                     const std::string& error, const std::string& contents) {
  const SaveOutcome saved = RunSave(files, rows, kPath, ioResult);
  EXPECT_EQ(saved.error, error);
  EXPECT_EQ(saved.contents, contents);
  EXPECT_EQ(files.OpenHandles(), 0);
}

// One whole row, then one without sub-items.
RowStore RowsEndingBare() {
  RowStore rows;
  AddRow(rows, "X", "Y", "1.0");
  rows.Append("Bare");
  return rows;
}

}  // namespace

TEST(TextExportLineFormat, CaptionProviderVersionJoinedByCommasEndedByCrLf) {
  RowStore rows;
  AddRow(rows, "X", "Y", "1.0");
  AddRow(rows, "Z", "", "");
  const std::string text = SavedText(rows);
  EXPECT_EQ(text, std::string("X,Y,1.0\r\nZ,,\r\n"));
  EXPECT_EQ(text.size(), 14u);
}

TEST(TextExportLineFormat, EmptyListGivesEmptyFileAndEmptiesAnExistingOne) {
  FakeFileApi files;
  files.AddFile(kPath, "old contents");
  IoResult ioResult;
  SaveRows(files, RowStore(), kPath, ioResult);
  EXPECT_EQ(files.Contents(kPath), "");
  EXPECT_TRUE(files.Blocks().empty());
}

TEST(TextExportLineFormat, ExistingFileIsReplacedNotAppendedTo) {
  FakeFileApi files;
  files.AddFile(kPath, std::string(1000, 'o'));
  RowStore rows;
  AddRow(rows, "A", "B", "C");
  IoResult ioResult;
  SaveRows(files, rows, kPath, ioResult);
  EXPECT_EQ(files.Contents(kPath), "A,B,C\r\n");
}

TEST(TextExportLineFormat, CommasQuotesAndLineBreaksAreWrittenUnchanged) {
  RowStore rows;
  AddRow(rows, "Say \"hi\", world", "Line\r\nbreak", "a,b\n");
  EXPECT_EQ(SavedText(rows), "Say \"hi\", world,Line\r\nbreak,a,b\n\r\n");
}

TEST(TextExportLineFormat, BytesAreNotConvertedTrimmedOrCutAtZero) {
  RowStore rows;
  const std::string highBytes = "\xE9t\xE9 \xFF";
  const std::string withZero("a\0b", 3);
  AddRow(rows, "  " + highBytes + "  ", withZero, "\t");
  EXPECT_EQ(SavedText(rows), "  " + highBytes + "  ," + withZero + ",\t\r\n");
}

TEST(TextExportLineFormat, OnlyTheFirstTwoSubItemsAreWritten) {
  RowStore rows;
  DriverRow& row = rows.Append("Caption");
  row.subItems = {"one", "two"};
  AddRow(rows, "Next", "p", "v");
  EXPECT_EQ(SavedText(rows), "Caption,one,two\r\nNext,p,v\r\n");
}

TEST(TextExportOpening, CreatesForWritingSharedForReadingAlwaysAnew) {
  FakeFileApi files;
  IoResult ioResult;
  SaveRows(files, RowStore(), kPath, ioResult);
  ASSERT_EQ(files.Creates().size(), 1u);
  const auto& create = files.Creates()[0];
  EXPECT_EQ(create.fileName, kPath);
  EXPECT_EQ(create.desiredAccess, 0x40000000u);
  EXPECT_EQ(create.shareMode, 0x1u);
  EXPECT_EQ(create.creationDisposition, 2u);
  EXPECT_EQ(create.flagsAndAttributes, 0x80u);
}

TEST(TextExportOpening, NameIsUsedExactlyAsGiven) {
  FakeFileApi files;
  IoResult ioResult;
  SaveRows(files, RowStore(), "report", ioResult);
  SaveRows(files, RowStore(), "report.csv", ioResult);
  EXPECT_TRUE(files.Exists("report"));
  EXPECT_TRUE(files.Exists("report.csv"));
  EXPECT_FALSE(files.Exists("report.TXT"));
}

TEST(TextExportOpening, ReadOnlyFileGivesAccessDeniedAndStaysUnchanged) {
  FakeFileApi files;
  files.AddFile(kPath, "keep me", true);
  IoResult ioResult;
  const EInOutError error = SaveExpectingIoError(files, ThreeBlockRows(), ioResult);
  EXPECT_EQ(error.Message(), "File access denied");
  EXPECT_EQ(error.ErrorCode(), 5);
  EXPECT_EQ(files.Contents(kPath), "keep me");
  EXPECT_EQ(files.CallCount(FileCall::kWriteFile), 0);
  EXPECT_EQ(files.OpenHandles(), 0);
}

TEST(TextExportOpening, UntypedTargetIsClosedAgainWithResult105) {
  FakeFileApi files;
  files.SetFileType(kPath, kFileTypeUnknown);
  IoResult ioResult;
  const EInOutError error = SaveExpectingIoError(files, ThreeBlockRows(), ioResult);
  EXPECT_EQ(error.Message(), "I/O error 105");
  EXPECT_EQ(error.ErrorCode(), 105);
  EXPECT_EQ(files.CallCount(FileCall::kCloseHandle), 1);
  EXPECT_EQ(files.CallCount(FileCall::kWriteFile), 0);
  EXPECT_EQ(files.OpenHandles(), 0);
  EXPECT_EQ(ioResult.Pending(), 0);
}

TEST(TextExportOpening, RemoteAnswerCountsAsUntyped) {
  FakeFileApi files;
  files.SetFileType(kPath, 0x8000);  // FILE_TYPE_REMOTE
  IoResult ioResult;
  EXPECT_EQ(SaveExpectingIoError(files, ThreeBlockRows(), ioResult).ErrorCode(), 105);
  EXPECT_EQ(files.OpenHandles(), 0);
}

TEST(TextExportOpening, PipeIsWrittenInFullBlocksLikeADiskFile) {
  FakeFileApi files;
  files.SetFileType(kPath, kFileTypePipe);
  IoResult ioResult;
  SaveRows(files, ThreeBlockRows(), kPath, ioResult);
  EXPECT_EQ(BlockSizes(files), (std::vector<std::size_t>{128, 128, 44}));
}

TEST(TextExportBuffering, FailedWriteOfTheFullBufferOutranksTheShortRowAfterIt) {
  RowStore rows;
  AddRowOfLength(rows, 128);
  rows.Append("short row");  // reading its sub-items would raise EStringListError
  FakeFileApi files;
  files.FailCall(FileCall::kWriteFile, 1, 112);
  IoResult ioResult;
  // The failed write of the first line's full buffer is what ends the command.
  EXPECT_EQ(SaveExpectingIoError(files, rows, ioResult).Message(), "I/O error 112");
  ASSERT_EQ(files.Blocks().size(), 1u);
  EXPECT_EQ(files.Blocks()[0].bytes, std::string(124, 'a') + ",,\r\n");
}

TEST(TextExportBuffering, LineFillingTheBufferExactlyGivesOneBlockAndNoEmptyOne) {
  RowStore rows;
  AddRowOfLength(rows, 128);
  AddRow(rows, "Z", "", "");
  FakeFileApi files;
  IoResult ioResult;
  SaveRows(files, rows, kPath, ioResult);
  EXPECT_EQ(BlockSizes(files), (std::vector<std::size_t>{128, 5}));
}

TEST(TextExportBuffering, ThousandRowsOf127BytesGive992FullBlocksAndOneOf24) {
  RowStore rows;
  for (int i = 0; i < 1000; ++i) AddRowOfLength(rows, 127, static_cast<char>('a' + i % 26));
  FakeFileApi files;
  IoResult ioResult;
  SaveRows(files, rows, kPath, ioResult);
  ASSERT_EQ(files.Blocks().size(), 993u);
  for (std::size_t i = 0; i < 992; ++i) ASSERT_EQ(files.Blocks()[i].bytes.size(), 128u) << i;
  EXPECT_EQ(files.Blocks()[992].bytes.size(), 24u);
  EXPECT_EQ(files.Contents(kPath).size(), 127000u);
  EXPECT_EQ(files.Contents(kPath).substr(127, 127), std::string(123, 'b') + ",,\r\n");
}

TEST(TextExportBuffering, LongLineCrossesSeveralBlocks) {
  RowStore rows;
  AddRowOfLength(rows, 400);
  FakeFileApi files;
  IoResult ioResult;
  SaveRows(files, rows, kPath, ioResult);
  EXPECT_EQ(BlockSizes(files), (std::vector<std::size_t>{128, 128, 128, 16}));
  EXPECT_EQ(files.Contents(kPath), std::string(396, 'a') + ",,\r\n");
}

TEST(TextExportBuffering, CharacterDeviceGetsEachLineAtItsEnd) {
  FakeFileApi files;
  files.SetFileType("NUL", kFileTypeChar);
  RowStore rows;
  AddRow(rows, "X", "Y", "1.0");
  AddRowOfLength(rows, 130);
  AddRowOfLength(rows, 128);
  IoResult ioResult;
  SaveRows(files, rows, "NUL", ioResult);
  // A full buffer still goes at once; an empty one is not handed on at the line end.
  EXPECT_EQ(BlockSizes(files), (std::vector<std::size_t>{9, 128, 2, 128}));
}

TEST(TextExportFailures, MessageChosenByCode) {
  const std::vector<std::pair<int, std::string>> table = {
      {2, "File not found"},     {3, "Invalid filename"}, {4, "Too many open files"},
      {5, "File access denied"}, {32, "I/O error 32"},    {100, "Read beyond end of file"},
      {101, "Disk full"},        {105, "I/O error 105"},  {106, "Invalid numeric input"},
      {112, "I/O error 112"},    {1, "I/O error 1"},      {103, "I/O error 103"}};
  for (const auto& [code, message] : table) {
    const EInOutError error(code);
    EXPECT_EQ(error.Message(), message) << code;
    EXPECT_EQ(error.ErrorCode(), code);
  }
}

namespace {

const int kCodes[] = {2, 3, 4, 5, 32, 100, 101, 105, 106, 112};

std::string MessageFor(int code) { return EInOutError(code).Message(); }

}  // namespace

// Each step failing with each code: the message, what the file holds after, and that nothing
// is left open, tried again or pending.
TEST(TextExportFailures, EachFailedStepWithEachCode) {
  struct Row {
    const char* rule;
    FileCall call;
    int nth;
    bool fixedMessage;  // an untyped target's 105 whatever the code
    std::string contents;
    FileCall counted;
    int calls;  // of the counted call
  };
  const std::string text = ThreeBlockText();
  const Row rows[] = {
      {"a failed open leaves the file unchanged", FileCall::kCreateFile, 1, false, "before",
       FileCall::kCreateFile, 1},
      {"a failed file type makes an untyped target", FileCall::kGetFileType, 1, true, "",
       FileCall::kWriteFile, 0},
      // The second block fails in the third row; its rest and the row after are dropped.
      {"a failed write keeps what went before and stops the rows", FileCall::kWriteFile, 2, false,
       text.substr(0, 128), FileCall::kWriteFile, 2},
      {"a failed write-out at closing keeps the full blocks, not tried again", FileCall::kWriteFile,
       3, false, text.substr(0, 256), FileCall::kWriteFile, 3},
      {"a failed close comes after all lines and is not repeated", FileCall::kCloseHandle, 1, false,
       text, FileCall::kCloseHandle, 1},
  };
  for (const Row& row : rows) {
    for (const int code : kCodes) {
      SCOPED_TRACE(std::string(row.rule) + ", code " + std::to_string(code));
      FakeFileApi files;
      files.AddFile(kPath, "before");
      files.FailCall(row.call, row.nth, code);
      IoResult ioResult;
      EXPECT_EQ(SaveExpectingIoError(files, ThreeBlockRows(), ioResult).Message(),
                row.fixedMessage ? "I/O error 105" : MessageFor(code));
      EXPECT_EQ(files.Contents(kPath), row.contents);
      EXPECT_EQ(files.CallCount(row.counted), row.calls);
      if (row.call == FileCall::kCreateFile) {
        EXPECT_EQ(files.Calls().size(), 1u);  // nothing follows a failed open
      }
      EXPECT_EQ(files.OpenHandles(), 0);
      EXPECT_EQ(ioResult.Pending(), 0);
    }
  }
}

TEST(TextExportFailures, CharacterDeviceWriteFailureEndsAtItsLine) {
  FakeFileApi files;
  files.SetFileType("CON", kFileTypeChar);
  files.FailCall(FileCall::kWriteFile, 2, 5);
  IoResult ioResult;
  EXPECT_EQ(SaveExpectingIoError(files, ThreeBlockRows(), ioResult, "CON").Message(),
            "File access denied");
  EXPECT_EQ(files.Contents("CON"), ThreeBlockText().substr(0, 100));
  EXPECT_EQ(files.CallCount(FileCall::kWriteFile), 2);
  EXPECT_EQ(files.OpenHandles(), 0);
}

TEST(TextExportShortRow, MissingVersionRaisesListErrorAndKeepsEveryWholeLine) {
  RowStore rows = ThreeBlockRows();
  rows.Append("Short").subItems = {"provider only"};
  AddRow(rows, "After", "p", "v");
  FakeFileApi files;
  IoResult ioResult;
  ExpectListError(files, rows, ioResult, "List index out of bounds (1)", ThreeBlockText());
  EXPECT_EQ(BlockSizes(files), (std::vector<std::size_t>{128, 128, 44}));
  EXPECT_EQ(ioResult.Pending(), 0);
}

TEST(TextExportShortRow, ShortRowAfterManyBlocksKeepsEveryLineBeforeIt) {
  RowStore rows;
  for (int i = 0; i < 500; ++i) AddRowOfLength(rows, 127, static_cast<char>('a' + i % 26));
  const std::string whole = SavedText(rows);
  rows.Append("Short").subItems = {"provider only"};
  FakeFileApi files;
  IoResult ioResult;
  ExpectListError(files, rows, ioResult, "List index out of bounds (1)", whole);
  EXPECT_EQ(files.Blocks().size(), 497u);
}

TEST(TextExportShortRow, RowWithoutSubItemsRaisesIndexZero) {
  FakeFileApi files;
  IoResult ioResult;
  ExpectListError(files, RowsEndingBare(), ioResult, "List index out of bounds (0)", "X,Y,1.0\r\n");
}

TEST(TextExportShortRow, FailedLastWriteOutStillClosesAndTheListErrorIsReported) {
  const RowStore rows = RowsEndingBare();
  FakeFileApi files;
  files.FailCall(FileCall::kWriteFile, 1, 112);
  IoResult ioResult;
  EXPECT_THROW(SaveRows(files, rows, kPath, ioResult), EStringListError);
  EXPECT_EQ(files.CallCount(FileCall::kCloseHandle), 1);
  EXPECT_EQ(files.OpenHandles(), 0);
  EXPECT_EQ(ioResult.Pending(), 0);
}

TEST(TextExportShortRow, FileIsNotLeftLockedForTheNextSave) {
  RowStore rows;
  rows.Append("Bare");
  FakeFileApi files;
  IoResult ioResult;
  EXPECT_THROW(SaveRows(files, rows, kPath, ioResult), EStringListError);
  SaveRows(files, ThreeBlockRows(), kPath, ioResult);
  EXPECT_EQ(files.Contents(kPath), ThreeBlockText());
}

TEST(TextExportResult, PendingResultIsRaisedOnceAndCleared) {
  IoResult ioResult;
  EXPECT_NO_THROW(ioResult.Test());
  ioResult.Store(32);
  ioResult.Store(112);  // a later failure replaces the earlier one
  try {
    ioResult.Test();
    FAIL() << "expected EInOutError";
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.ErrorCode(), 112);
  }
  EXPECT_EQ(ioResult.Pending(), 0);
  EXPECT_NO_THROW(ioResult.Test());
}
