// Output for the benchmarks: the file seam with nothing behind it, counting bytes, so that what
// is timed is the writer's own work and no side of a comparison can skip it or pays for a disk.
#pragma once

#include <cstddef>
#include <cstdint>

#include "output/file_api.h"

class CountingFileApi final : public FileApi {
 public:
  std::uint32_t CreateFileA(const char*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t,
                            FileHandle* handle) override {
    *handle = 1;
    return 0;
  }
  std::uint32_t GetFileType(FileHandle) override { return kFileTypeDisk; }
  std::uint32_t WriteFile(FileHandle, const void*, std::uint32_t bytesToWrite,
                          std::uint32_t* bytesWritten) override {
    bytes += bytesToWrite;
    *bytesWritten = bytesToWrite;
    return 0;
  }
  std::uint32_t CloseHandle(FileHandle) override { return 0; }

  std::size_t bytes = 0;
};
