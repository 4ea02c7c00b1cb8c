#include "fake_file_api.h"

#include <stdexcept>

void FakeFileApi::AddFile(const std::string& name, const std::string& contents, bool readOnly) {
  files_[name] = File{contents, readOnly};
}

void FakeFileApi::SetFileType(const std::string& name, std::uint32_t type) { types_[name] = type; }

const std::string& FakeFileApi::Contents(const std::string& name) const {
  const auto found = files_.find(name);
  if (found == files_.end()) throw std::logic_error("no file " + name);
  return found->second.contents;
}

void FakeFileApi::ResetCalls() {
  calls_.clear();
  faults_.Reset();
}

std::uint32_t FakeFileApi::Enter(FileCall kind) {
  calls_.push_back(kind);
  faults_.Count(kind);
  return static_cast<std::uint32_t>(faults_.Planned(kind).value_or(kErrorSuccess));
}

std::uint32_t FakeFileApi::CreateFileA(const char* fileName, std::uint32_t desiredAccess,
                                       std::uint32_t shareMode, std::uint32_t creationDisposition,
                                       std::uint32_t flagsAndAttributes, FileHandle* handle) {
  *handle = kInvalidHandleValue;
  const std::string name = fileName;
  creates_.push_back({name, desiredAccess, shareMode, creationDisposition, flagsAndAttributes});
  if (const std::uint32_t code = Enter(FileCall::kCreateFile)) return code;
  if (creationDisposition != kCreateAlways) return kErrorInvalidParameter;
  if (name.empty()) return kErrorPathNotFound;
  for (const auto& [other, open] : handles_) {
    if (open.name == name && (open.shareMode & kFileShareWrite) == 0) return kErrorSharingViolation;
  }
  const auto existing = files_.find(name);
  if (existing != files_.end() && existing->second.readOnly) return kErrorAccessDenied;
  files_[name].contents.clear();
  *handle = nextHandle_++;
  handles_[*handle] = OpenFile{name, shareMode};
  return 0;
}

std::uint32_t FakeFileApi::GetFileType(FileHandle file) {
  // A failed GetFileType answers FILE_TYPE_UNKNOWN; the code is only GetLastError's.
  if (Enter(FileCall::kGetFileType) != 0) return kFileTypeUnknown;
  const auto open = handles_.find(file);
  if (open == handles_.end()) return kFileTypeUnknown;
  const auto type = types_.find(open->second.name);
  return type != types_.end() ? type->second : kFileTypeDisk;
}

std::uint32_t FakeFileApi::WriteFile(FileHandle file, const void* buffer,
                                     std::uint32_t bytesToWrite, std::uint32_t* bytesWritten) {
  *bytesWritten = 0;
  const auto open = handles_.find(file);
  const std::string name = open != handles_.end() ? open->second.name : std::string();
  Block& block = blocks_.emplace_back();
  block.fileName = name;
  block.bytes.assign(static_cast<const char*>(buffer), bytesToWrite);
  block.error = Enter(FileCall::kWriteFile);
  if (block.error == 0 && open == handles_.end()) block.error = kErrorInvalidHandle;
  if (block.error != 0) return block.error;
  files_[name].contents += block.bytes;
  *bytesWritten = bytesToWrite;
  return 0;
}

std::uint32_t FakeFileApi::CloseHandle(FileHandle file) {
  const std::uint32_t code = Enter(FileCall::kCloseHandle);
  // As on Windows, a close that fails has still let go of a valid handle.
  const bool known = handles_.erase(file) != 0;
  if (code != 0) return code;
  return known ? 0 : kErrorInvalidHandle;
}
