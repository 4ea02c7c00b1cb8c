#include "output/text_file.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "common/text.h"
#include "common/windows_error_codes.h"

namespace {

std::string InOutErrorMessage(int code) {
  switch (code) {
    case kErrorFileNotFound:
      return "File not found";
    case kErrorPathNotFound:
      return "Invalid filename";
    case kErrorTooManyOpenFiles:
      return "Too many open files";
    case kErrorAccessDenied:
      return "File access denied";
    // The runtime's own I/O codes, beyond Windows' table.
    case 100:
      return "Read beyond end of file";
    case 101:
      return "Disk full";
    case 106:
      return "Invalid numeric input";
    default:
      return FormatNumber("I/O error %d", code);
  }
}

}  // namespace

EInOutError::EInOutError(int code) : Exception(InOutErrorMessage(code)), code_(code) {}

void IoResult::Raise() {
  const int code = std::exchange(code_, 0);
  throw EInOutError(code);
}

TextOutputFile::TextOutputFile(FileApi& files, IoResult& ioResult, std::string name)
    : files_(files), ioResult_(ioResult), name_(std::move(name)) {}

TextOutputFile::~TextOutputFile() {
  if (!open_) return;
  // The error that brought us here is the one the user hears of, and it has already left the
  // pending result clear: failures of this last attempt are not stored.
  WriteOut();
  files_.CloseHandle(handle_);
}

void TextOutputFile::Rewrite() {
  used_ = 0;
  writeOutAtLineEnd_ = false;
  FileHandle handle = kInvalidHandleValue;
  const std::uint32_t error = files_.CreateFileA(name_.c_str(), kGenericWrite, kFileShareRead,
                                                 kCreateAlways, kFileAttributeNormal, &handle);
  if (error != 0) {
    ioResult_.Store(static_cast<int>(error));
    return;
  }
  switch (files_.GetFileType(handle)) {
    case kFileTypeDisk:
    case kFileTypePipe:
      break;
    case kFileTypeChar:
      writeOutAtLineEnd_ = true;
      break;
    default:
      files_.CloseHandle(handle);
      ioResult_.Store(kUntypedTargetResult);
      return;
  }
  handle_ = handle;
  open_ = true;
}

void TextOutputFile::WriteLines(std::string_view text, std::span<const std::size_t> ends) {
  if (!writeOutAtLineEnd_) {
    Write(text);
    return;
  }
  std::size_t start = 0;
  for (const std::size_t end : ends) {
    Write(text.substr(start, end - start));
    if (open_ && ioResult_.Pending() == 0) WriteOutOrStore();
    start = end;
  }
}

void TextOutputFile::Write(std::string_view bytes) {
  if (!open_ || ioResult_.Pending() != 0) return;
  while (!bytes.empty()) {
    const std::size_t count = std::min(kBufferSize - used_, bytes.size());
    std::memcpy(buffer_.data() + used_, bytes.data(), count);
    used_ += count;
    bytes.remove_prefix(count);
    if (used_ == kBufferSize && !WriteOutOrStore()) return;
  }
}

void TextOutputFile::Close() {
  if (!open_ || !WriteOutOrStore()) return;
  // Even a failed CloseHandle has let go of the handle: it must not be closed a second time.
  open_ = false;
  const std::uint32_t error = files_.CloseHandle(handle_);
  if (error != 0) ioResult_.Store(static_cast<int>(error));
}

std::uint32_t TextOutputFile::WriteOut() {
  if (used_ == 0) return 0;
  std::uint32_t written = 0;
  const std::uint32_t error =
      files_.WriteFile(handle_, buffer_.data(), static_cast<std::uint32_t>(used_), &written);
  used_ = 0;
  return error;
}

bool TextOutputFile::WriteOutOrStore() {
  const std::uint32_t error = WriteOut();
  if (error != 0) ioResult_.Store(static_cast<int>(error));
  return error == 0;
}
