#include "output/win32_file_api.h"

#include <windows.h>

namespace {

HANDLE ToHandle(FileHandle file) { return reinterpret_cast<HANDLE>(file); }

}  // namespace

std::uint32_t Win32FileApi::CreateFileA(const char* fileName, std::uint32_t desiredAccess,
                                        std::uint32_t shareMode, std::uint32_t creationDisposition,
                                        std::uint32_t flagsAndAttributes, FileHandle* handle) {
  const HANDLE opened = ::CreateFileA(fileName, desiredAccess, shareMode, nullptr,
                                      creationDisposition, flagsAndAttributes, nullptr);
  *handle = reinterpret_cast<FileHandle>(opened);
  // A successful CREATE_ALWAYS leaves ERROR_ALREADY_EXISTS behind: only the handle tells.
  return opened == INVALID_HANDLE_VALUE ? GetLastError() : 0;
}

std::uint32_t Win32FileApi::GetFileType(FileHandle file) { return ::GetFileType(ToHandle(file)); }

std::uint32_t Win32FileApi::WriteFile(FileHandle file, const void* buffer,
                                      std::uint32_t bytesToWrite, std::uint32_t* bytesWritten) {
  DWORD written = 0;
  const BOOL ok = ::WriteFile(ToHandle(file), buffer, bytesToWrite, &written, nullptr);
  *bytesWritten = written;
  return ok ? 0 : GetLastError();
}

std::uint32_t Win32FileApi::CloseHandle(FileHandle file) {
  return ::CloseHandle(ToHandle(file)) ? 0 : GetLastError();
}
