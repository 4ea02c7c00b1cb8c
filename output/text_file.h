// The output text file of the Save command: a 128-byte buffer in front of the file seam, the
// pending I/O result every failed step leaves behind, and the error the result test raises.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "common/exception.h"
#include "output/file_api.h"

// A failed file step, carrying its code: "File access denied", "I/O error %d", ...
class EInOutError : public Exception {
 public:
  explicit EInOutError(int code);
  int ErrorCode() const { return code_; }

 private:
  int code_;
};

// What an opened target that GetFileType cannot classify leaves pending.
inline constexpr int kUntypedTargetResult = 105;

// The pending I/O result: the code of the last failed file step, 0 when none is pending. It
// outlives each command (one per main window), so a command that ends early must still leave
// it clear: the result test does that.
class IoResult {
 public:
  int Pending() const { return code_; }
  void Store(int code) { code_ = code; }
  // Raises the pending error, if any, leaving none pending.
  void Test() {
    if (code_ != 0) Raise();
  }

 private:
  [[noreturn]] void Raise();

  int code_ = 0;
};

// One text file open for output. Failures are stored in the IoResult, never thrown: the
// caller tests the result where it chooses. A file still open when this object goes (an error
// cut the command short) gets its whole lines written out and is closed, quietly.
class TextOutputFile {
 public:
  static constexpr std::size_t kBufferSize = 128;

  TextOutputFile(FileApi& files, IoResult& ioResult, std::string name);
  ~TextOutputFile();
  TextOutputFile(const TextOutputFile&) = delete;
  TextOutputFile& operator=(const TextOutputFile&) = delete;

  // Creates the file, or empties it if it exists.
  void Rewrite();
  // Whole lines, each ended by CR LF in `text`, `ends` holding where each ends (just past its
  // line end): a character device gets the buffer at each. Once a step has failed, the rest is
  // dropped.
  void WriteLines(std::string_view text, std::span<const std::size_t> ends);
  // Hands the rest of the buffer to the file, then closes it if that worked.
  void Close();

 private:
  // Copies the bytes into the buffer, handing each full one on; after a failed step, drops them.
  void Write(std::string_view bytes);
  // Hands the buffer's bytes to WriteFile and empties it; a failure is returned, not stored.
  std::uint32_t WriteOut();
  bool WriteOutOrStore();

  FileApi& files_;
  IoResult& ioResult_;
  std::string name_;
  FileHandle handle_ = kInvalidHandleValue;
  bool open_ = false;
  bool writeOutAtLineEnd_ = false;
  std::array<char, kBufferSize> buffer_{};
  std::size_t used_ = 0;
};
