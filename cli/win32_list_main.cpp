// tolvane-list.exe: the driver list of the live registry on standard output, in binary mode
// (WriteFile on the standard handles: no conversion of line ends or code pages).
#include <windows.h>

#include <string>
#include <vector>

#include "cli/list_command.h"
#include "inventory/win32_registry_api.h"
#include "output/win32_file_api.h"

namespace {

// The file seam over standard output: "creating" the file takes the stream as it is, and
// closing leaves it open for the process.
class StdoutFileApi final : public FileApi {
 public:
  std::uint32_t CreateFileA(const char*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t,
                            FileHandle* handle) override {
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    *handle = reinterpret_cast<FileHandle>(out);
    if (out == INVALID_HANDLE_VALUE || out == nullptr) {
      *handle = kInvalidHandleValue;
      return ERROR_INVALID_HANDLE;
    }
    return 0;
  }
  std::uint32_t GetFileType(FileHandle file) override { return files_.GetFileType(file); }
  std::uint32_t WriteFile(FileHandle file, const void* buffer, std::uint32_t bytesToWrite,
                          std::uint32_t* bytesWritten) override {
    return files_.WriteFile(file, buffer, bytesToWrite, bytesWritten);
  }
  std::uint32_t CloseHandle(FileHandle) override { return 0; }

 private:
  Win32FileApi files_;
};

// LF line ends as the console and files on Windows expect them: CR LF.
void Put(DWORD stream, std::string_view text) {
  std::string bytes;
  for (const char c : text) {
    if (c == '\n') bytes += '\r';
    bytes += c;
  }
  DWORD written = 0;
  WriteFile(GetStdHandle(stream), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
            nullptr);
}

std::string AcpToUtf8(std::string_view ansi) {
  if (ansi.empty()) return std::string();
  const int size = static_cast<int>(ansi.size());
  const int units = MultiByteToWideChar(CP_ACP, 0, ansi.data(), size, nullptr, 0);
  std::vector<wchar_t> wide(units);
  MultiByteToWideChar(CP_ACP, 0, ansi.data(), size, wide.data(), units);
  const int bytes =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, nullptr, 0, nullptr, nullptr);
  std::string utf8(bytes, '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, utf8.data(), bytes, nullptr, nullptr);
  return utf8;
}

}  // namespace

int main(int argc, char** argv) {
  ListOptions options;
  if (const auto reply = ReplyWithoutList(argc - 1, argv + 1, ListSource::kLiveRegistry, options)) {
    Put(reply->toError ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE, reply->text);
    return reply->status;
  }
  Win32RegistryApi registry;
  StdoutFileApi output;
  std::string errorLine;
  const int status = RunList(options, registry, output, AcpToUtf8, errorLine);
  if (status != 0) Put(STD_ERROR_HANDLE, errorLine + "\n");
  return status;
}
