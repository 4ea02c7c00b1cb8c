#include <windows.h>

#include <algorithm>
#include <cstdint>

#include "common/message_text.h"
#include "common/utf.h"
#include "common/win32_handles.h"
#include "hive/hive_file.h"
#include "hive/hive_image.h"

namespace {

std::wstring Wide(std::string_view utf8) {
  const std::u16string units = Utf8ToUtf16(utf8);
  return std::wstring(units.begin(), units.end());
}

// The words the Linux build gives for the same failures, so that both say the same; the
// system's own for the rest.
std::string ErrorText(DWORD code) {
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
      return "No such file or directory";
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
      return "Permission denied";
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return "File exists";
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return "No space left on device";
    default:
      break;
  }
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string words =
      length ? Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(text), length))
             : std::string();
  LocalFree(text);
  while (!words.empty() && (words.back() == '\n' || words.back() == '\r' || words.back() == ' ' ||
                            words.back() == '.')) {
    words.pop_back();
  }
  return words.empty() ? "system error " + std::to_string(code) : words;
}

std::string LastError() { return ErrorText(GetLastError()); }

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

}  // namespace

char* HiveMemory::Map(std::size_t bytes, void*& mapping, std::size_t& mapped) {
  mapped = bytes;
  mapping = VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  return static_cast<char*>(mapping);
}

void HiveMemory::Unmap(void* mapping, std::size_t) { VirtualFree(mapping, 0, MEM_RELEASE); }

std::string ReadWholeFile(const std::string& path, std::uint64_t limit, std::string_view tooLarge,
                          HiveMemory& bytes) {
  bytes.Resize(0);
  const bool standardInput = path == "-";
  UniqueHfile file;
  if (!standardInput) {
    // Shared for writing and deleting: a hive another program holds open is still read.
    file.reset(CreateFileW(Wide(path).c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) {
      const DWORD code = GetLastError();
      const DWORD attributes = GetFileAttributesW(Wide(path).c_str());
      if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return "not a file";
      }
      return ErrorText(code);
    }
  }
  const HANDLE handle = standardInput ? GetStdHandle(STD_INPUT_HANDLE) : file.get();
  const DWORD type = GetFileType(handle);
  if (!standardInput && type != FILE_TYPE_DISK) return "not a file";
  std::uint64_t room = 1 << 16;
  if (LARGE_INTEGER size{}; type == FILE_TYPE_DISK && GetFileSizeEx(handle, &size)) {
    if (static_cast<std::uint64_t>(size.QuadPart) > limit) return std::string(tooLarge);
    room = static_cast<std::uint64_t>(size.QuadPart) + 1;
  }
  // Read to the end whatever the size said: a file that grows past the limit is refused, one
  // that shrinks is taken as it was read.
  return ReadToEnd(bytes, 0, static_cast<std::size_t>(std::min(room, limit + 1)), limit, tooLarge,
                   [&](char* into, std::size_t count, std::size_t& got, std::string& why) {
                     DWORD read = 0;
                     const auto want = static_cast<DWORD>(std::min<std::size_t>(count, 1u << 30));
                     if (!ReadFile(handle, into, want, &read, nullptr)) {
                       // A pipe whose writer has gone has ended.
                       if (GetLastError() != ERROR_BROKEN_PIPE) {
                         why = LastError();
                         return false;
                       }
                     }
                     got = read;
                     return true;
                   });
}

std::vector<std::string> LogsBeside(const std::string& hivePath) {
  if (hivePath == "-") return {};
  const auto slash = std::find_if(hivePath.rbegin(), hivePath.rend(), IsSeparator);
  const std::size_t nameAt = static_cast<std::size_t>(hivePath.rend() - slash);
  const std::string folder = hivePath.substr(0, nameAt);
  std::vector<std::string> entries;
  WIN32_FIND_DATAW entry{};
  const HANDLE search =
      FindFirstFileW(Wide((folder.empty() ? "." : folder) + "\\*").c_str(), &entry);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      entries.push_back(
          Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(entry.cFileName))));
    } while (FindNextFileW(search, &entry));
    FindClose(search);
  }
  return LogsAmong(folder, hivePath.substr(nameAt), entries);
}

bool SameFile(const std::string& a, const std::string& b) {
  BY_HANDLE_FILE_INFORMATION info[2]{};
  const std::string* paths[2] = {&a, &b};
  for (int i = 0; i < 2; ++i) {
    // Opened for no access: only to ask which file it is.
    const UniqueHfile file(CreateFileW(
        Wide(*paths[i]).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file || !GetFileInformationByHandle(file.get(), &info[i])) return false;
  }
  return info[0].dwVolumeSerialNumber == info[1].dwVolumeSerialNumber &&
         info[0].nFileIndexHigh == info[1].nFileIndexHigh &&
         info[0].nFileIndexLow == info[1].nFileIndexLow;
}

void WriteNewFile(const std::string& path, std::string_view bytes) {
  const std::wstring wide = Wide(path);
  UniqueHfile file(CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) throw EHiveError(QuotedName(path) + ": " + LastError());
  DWORD error = 0;
  for (std::size_t done = 0; done < bytes.size() && error == 0;) {
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
    DWORD written = 0;
    if (!WriteFile(file.get(), bytes.data() + done, want, &written, nullptr)) {
      error = GetLastError();
    } else if (written == 0) {
      error = ERROR_DISK_FULL;
    }
    done += written;
  }
  if (error == 0 && !FlushFileBuffers(file.get())) error = GetLastError();
  if (!CloseHandle(file.release()) && error == 0) error = GetLastError();
  if (error != 0) {
    DeleteFileW(wide.c_str());
    throw EHiveError(QuotedName(path) + ": " + ErrorText(error));
  }
}
