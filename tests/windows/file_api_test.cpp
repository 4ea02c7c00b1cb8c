// The text export through the real kernel32 file calls, into a scratch folder.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "output/text_export.h"
#include "output/win32_file_api.h"

namespace {

// Passes every call on to the real back end, noting the size of every block written.
class RecordingFileApi final : public FileApi {
 public:
  std::uint32_t CreateFileA(const char* fileName, std::uint32_t desiredAccess,
                            std::uint32_t shareMode, std::uint32_t creationDisposition,
                            std::uint32_t flagsAndAttributes, FileHandle* handle) override {
    return real_.CreateFileA(fileName, desiredAccess, shareMode, creationDisposition,
                             flagsAndAttributes, handle);
  }
  std::uint32_t GetFileType(FileHandle file) override { return real_.GetFileType(file); }
  std::uint32_t WriteFile(FileHandle file, const void* buffer, std::uint32_t bytesToWrite,
                          std::uint32_t* bytesWritten) override {
    blocks.push_back(bytesToWrite);
    return real_.WriteFile(file, buffer, bytesToWrite, bytesWritten);
  }
  std::uint32_t CloseHandle(FileHandle file) override { return real_.CloseHandle(file); }

  std::vector<std::uint32_t> blocks;

 private:
  Win32FileApi real_;
};

class ScratchFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    ASSERT_NE(GetTempPathA(MAX_PATH, temp), 0u);
    folder_ = std::string(temp) + "tolvane_export_" + std::to_string(GetCurrentProcessId());
    ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr));
  }
  void TearDown() override {
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA((folder_ + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        const std::string name = folder_ + "\\" + found.cFileName;
        SetFileAttributesA(name.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(name.c_str());
      } while (FindNextFileA(search, &found));
      FindClose(search);
    }
    RemoveDirectoryA(folder_.c_str());
  }

  std::string PathOf(const std::string& name) const { return folder_ + "\\" + name; }

  static void WriteWhole(const std::string& path, const std::string& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
  }

  static std::string ReadWhole(const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return "<missing>";
    std::string bytes;
    char chunk[4096];
    std::size_t count;
    while ((count = std::fread(chunk, 1, sizeof(chunk), file)) > 0) bytes.append(chunk, count);
    std::fclose(file);
    return bytes;
  }

  static RowStore TwoRows() {
    RowStore rows;
    DriverRow& first = rows.Append("X");
    first.subItems = {"Y", "1.0", "", "", "", "", "", ""};
    DriverRow& second = rows.Append("Z");
    second.subItems = {"", "", "", "", "", "", "", ""};
    return rows;
  }

  std::string folder_;
  Win32FileApi files_;
  IoResult ioResult_;
};

using RealFileExport = ScratchFolder;

TEST_F(RealFileExport, WritesTheLinesByteForByte) {
  const std::string path = PathOf("drivers.txt");
  SaveRows(files_, TwoRows(), path, ioResult_);
  EXPECT_EQ(ReadWhole(path), std::string("X,Y,1.0\r\nZ,,\r\n"));
}

TEST_F(RealFileExport, ManyBlocksArriveWhole) {
  RowStore rows;
  std::string expected;
  for (int i = 0; i < 1000; ++i) {
    const std::string caption(96 + i % 50, static_cast<char>('A' + i % 26));
    DriverRow& row = rows.Append(caption);
    row.subItems = {"p\xE9", std::to_string(i)};
    expected += caption + ",p\xE9," + std::to_string(i) + "\r\n";
  }
  const std::string path = PathOf("many.txt");
  SaveRows(files_, rows, path, ioResult_);
  EXPECT_EQ(ReadWhole(path), expected);
}

TEST_F(RealFileExport, ExistingFileIsReplaced) {
  const std::string path = PathOf("old.txt");
  WriteWhole(path, std::string(5000, 'o'));
  SaveRows(files_, TwoRows(), path, ioResult_);
  EXPECT_EQ(ReadWhole(path), std::string("X,Y,1.0\r\nZ,,\r\n"));
}

TEST_F(RealFileExport, EmptyListEmptiesTheFile) {
  const std::string path = PathOf("old.txt");
  WriteWhole(path, "something");
  SaveRows(files_, RowStore(), path, ioResult_);
  EXPECT_EQ(ReadWhole(path), "");
}

TEST_F(RealFileExport, NameWithoutExtensionIsUsedAsTyped) {
  SaveRows(files_, TwoRows(), PathOf("report"), ioResult_);
  EXPECT_EQ(ReadWhole(PathOf("report")), std::string("X,Y,1.0\r\nZ,,\r\n"));
  EXPECT_EQ(GetFileAttributesA(PathOf("report.TXT").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(RealFileExport, ReadOnlyFileGivesAccessDeniedAndStaysUnchanged) {
  const std::string path = PathOf("locked.txt");
  WriteWhole(path, "keep me");
  ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
  // Wine leaves read-only to the Unix permissions, which root passes through.
  const HANDLE probe = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
  if (probe != INVALID_HANDLE_VALUE) {
    CloseHandle(probe);
    GTEST_SKIP() << "this account may write read-only files; tests/gui covers it with an "
                    "immutable file";
  }
  try {
    SaveRows(files_, TwoRows(), path, ioResult_);
    FAIL() << "expected EInOutError";
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.Message(), "File access denied");
    EXPECT_EQ(e.ErrorCode(), 5);
  }
  EXPECT_EQ(ReadWhole(path), "keep me");
  EXPECT_EQ(ioResult_.Pending(), 0);
}

TEST_F(RealFileExport, MissingFolderGivesInvalidFilename) {
  const std::string path = PathOf("no such folder\\x.txt");
  try {
    SaveRows(files_, TwoRows(), path, ioResult_);
    FAIL() << "expected EInOutError";
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.Message(), "Invalid filename");
  }
}

TEST_F(RealFileExport, CharacterDeviceGetsEachLineAtItsEnd) {
  RecordingFileApi recording;
  SaveRows(recording, TwoRows(), "NUL", ioResult_);
  EXPECT_EQ(recording.blocks, (std::vector<std::uint32_t>{9, 5}));
}

TEST_F(RealFileExport, DiskFileGetsFullBlocksAndTheRestAtClosing) {
  RecordingFileApi recording;
  RowStore rows;
  for (int i = 0; i < 3; ++i) rows.Append(std::string(96, 'a')).subItems = {"", ""};
  SaveRows(recording, rows, PathOf("blocks.txt"), ioResult_);
  EXPECT_EQ(recording.blocks, (std::vector<std::uint32_t>{128, 128, 44}));
}

TEST_F(RealFileExport, ShortRowLeavesWholeLinesAndTheFileFreeForOthers) {
  RowStore rows = TwoRows();
  rows.Append("Bare");
  const std::string path = PathOf("short.txt");
  EXPECT_THROW(SaveRows(files_, rows, path, ioResult_), EStringListError);
  EXPECT_EQ(ReadWhole(path), std::string("X,Y,1.0\r\nZ,,\r\n"));
  const HANDLE writer = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_NE(writer, INVALID_HANDLE_VALUE) << "still locked: error " << GetLastError();
  CloseHandle(writer);
}

using RealFileSeam = ScratchFolder;

TEST_F(RealFileSeam, OpenFileIsSharedForReadingOnly) {
  const std::string path = PathOf("shared.txt");
  FileHandle handle = kInvalidHandleValue;
  ASSERT_EQ(files_.CreateFileA(path.c_str(), kGenericWrite, kFileShareRead, kCreateAlways,
                               kFileAttributeNormal, &handle),
            0u);
  EXPECT_EQ(files_.GetFileType(handle), kFileTypeDisk);
  const HANDLE reader = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(reader, INVALID_HANDLE_VALUE);
  CloseHandle(reader);
  FileHandle second = kInvalidHandleValue;
  EXPECT_EQ(files_.CreateFileA(path.c_str(), kGenericWrite, kFileShareRead | FILE_SHARE_WRITE,
                               kCreateAlways, kFileAttributeNormal, &second),
            static_cast<std::uint32_t>(ERROR_SHARING_VIOLATION));
  EXPECT_EQ(second, kInvalidHandleValue);
  EXPECT_EQ(files_.CloseHandle(handle), 0u);
}

TEST_F(RealFileSeam, CreatingOverAnExistingFileReportsSuccess) {
  const std::string path = PathOf("exists.txt");
  WriteWhole(path, "x");
  FileHandle handle = kInvalidHandleValue;
  // CREATE_ALWAYS leaves ERROR_ALREADY_EXISTS behind, which is not a failure.
  EXPECT_EQ(files_.CreateFileA(path.c_str(), kGenericWrite, kFileShareRead, kCreateAlways,
                               kFileAttributeNormal, &handle),
            0u);
  EXPECT_EQ(files_.CloseHandle(handle), 0u);
}

TEST_F(RealFileSeam, CallsOnABadHandleGiveTheSystemsCode) {
  const FileHandle bogus = 0x1234;
  std::uint32_t written = 99;
  EXPECT_EQ(files_.WriteFile(bogus, "x", 1, &written),
            static_cast<std::uint32_t>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(written, 0u);
  EXPECT_EQ(files_.CloseHandle(bogus), static_cast<std::uint32_t>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(files_.GetFileType(bogus), kFileTypeUnknown);
}

}  // namespace
