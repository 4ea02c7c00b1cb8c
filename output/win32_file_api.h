// The file seam's Windows back end: each operation is one kernel32 call.
#pragma once

#include "output/file_api.h"

class Win32FileApi final : public FileApi {
 public:
  std::uint32_t CreateFileA(const char* fileName, std::uint32_t desiredAccess,
                            std::uint32_t shareMode, std::uint32_t creationDisposition,
                            std::uint32_t flagsAndAttributes, FileHandle* handle) override;
  std::uint32_t GetFileType(FileHandle file) override;
  std::uint32_t WriteFile(FileHandle file, const void* buffer, std::uint32_t bytesToWrite,
                          std::uint32_t* bytesWritten) override;
  std::uint32_t CloseHandle(FileHandle file) override;
};
