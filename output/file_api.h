// The file seam: the four kernel32 file calls the text export makes, one for one, with
// Windows' arguments and results and error codes as plain integers. Windows back end:
// win32_file_api.cpp; the native tests use in-memory files.
#pragma once

#include <cstdint>

#include "common/windows_error_codes.h"

// A file handle, holding a HANDLE's value.
using FileHandle = std::uintptr_t;

inline constexpr FileHandle kInvalidHandleValue = ~FileHandle{0};  // INVALID_HANDLE_VALUE

inline constexpr std::uint32_t kGenericWrite = 0x40000000;
inline constexpr std::uint32_t kFileShareRead = 0x1;
inline constexpr std::uint32_t kFileShareWrite = 0x2;
inline constexpr std::uint32_t kCreateAlways = 2;
inline constexpr std::uint32_t kFileAttributeNormal = 0x80;

// GetFileType's answers.
inline constexpr std::uint32_t kFileTypeUnknown = 0;
inline constexpr std::uint32_t kFileTypeDisk = 1;
inline constexpr std::uint32_t kFileTypeChar = 2;
inline constexpr std::uint32_t kFileTypePipe = 3;

class FileApi {
 public:
  virtual ~FileApi() = default;

  // CreateFileA without security attributes or template file. Returns 0 and the new handle,
  // or GetLastError's code and kInvalidHandleValue.
  virtual std::uint32_t CreateFileA(const char* fileName, std::uint32_t desiredAccess,
                                    std::uint32_t shareMode, std::uint32_t creationDisposition,
                                    std::uint32_t flagsAndAttributes, FileHandle* handle) = 0;
  // GetFileType: one of the kFileType* answers, or another value for what it cannot type.
  virtual std::uint32_t GetFileType(FileHandle file) = 0;
  // WriteFile without overlapped I/O. Returns 0, or GetLastError's code.
  virtual std::uint32_t WriteFile(FileHandle file, const void* buffer, std::uint32_t bytesToWrite,
                                  std::uint32_t* bytesWritten) = 0;
  // CloseHandle. Returns 0, or GetLastError's code.
  virtual std::uint32_t CloseHandle(FileHandle file) = 0;
};
