// tolvane-list on Linux: the driver list of a SYSTEM hive file, on standard output, the hive
// recovered in memory from its transaction logs where it is dirty; or that recovered hive
// written to a new file (--save-recovered).
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "cli/code_page.h"
#include "cli/hive_image.h"
#include "cli/hive_registry_api.h"
#include "cli/list_command.h"

namespace {

// Windows' codes for what a write to standard output can meet, so the message is the one
// Save would show: ERROR_ACCESS_DENIED, ERROR_INVALID_HANDLE, ERROR_WRITE_FAULT,
// ERROR_BROKEN_PIPE and ERROR_DISK_FULL.
std::uint32_t WindowsCode(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
      return 5;
    case EBADF:
      return 6;
    case EPIPE:
      return 109;
    case ENOSPC:
    case EDQUOT:
      return 112;
    default:
      return 29;
  }
}

// The file seam over standard output: "creating" the file takes the stream as it is.
class StdoutFileApi final : public FileApi {
 public:
  std::uint32_t CreateFileA(const char*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t,
                            FileHandle* handle) override {
    *handle = STDOUT_FILENO;
    return 0;
  }
  std::uint32_t GetFileType(FileHandle file) override {
    struct stat info {};
    if (fstat(static_cast<int>(file), &info) != 0) return kFileTypeUnknown;
    if (S_ISCHR(info.st_mode)) return kFileTypeChar;
    if (S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode)) return kFileTypePipe;
    return kFileTypeDisk;
  }
  std::uint32_t WriteFile(FileHandle file, const void* buffer, std::uint32_t bytesToWrite,
                          std::uint32_t* bytesWritten) override {
    const char* bytes = static_cast<const char*>(buffer);
    std::uint32_t done = 0;
    while (done < bytesToWrite) {
      const ssize_t n = write(static_cast<int>(file), bytes + done, bytesToWrite - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        *bytesWritten = done;
        return WindowsCode(n < 0 ? errno : ENOSPC);
      }
      done += static_cast<std::uint32_t>(n);
    }
    *bytesWritten = done;
    return 0;
  }
  // Standard output stays open for the process.
  std::uint32_t CloseHandle(FileHandle) override { return 0; }
};

void Put(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

}  // namespace

int main(int argc, char** argv) {
  ListOptions options;
  if (const auto reply = ReplyWithoutList(argc - 1, argv + 1, ListSource::kHiveFile, options)) {
    Put(reply->toError ? STDERR_FILENO : STDOUT_FILENO, reply->text);
    return reply->status;
  }
  try {
    HiveImage image = LoadHive(options.hivePath, options.logPaths, !options.noLogs);
    const std::string said = RecoveryLine(image.recovery, options.hivePath);
    const bool unrecovered = image.recovery.dirty && image.recovery.logUsed.empty();
    if (!options.saveRecovered.empty()) {
      CheckHiveBytes(image.bytes, options.hivePath);
      if (unrecovered) throw EHiveError(said + ": nothing written");
      WriteNewFile(options.saveRecovered, image.bytes);
      if (!said.empty()) Put(STDERR_FILENO, ListErrorLine(said) + "\n");
      return 0;
    }
    if (!said.empty()) {
      Put(STDERR_FILENO, ListErrorLine((unrecovered ? "warning: " : "") + said) + "\n");
    }
    HiveRegistryApi hive(image.bytes, options.hivePath, options.codePage);
    // The reader has its own copy now.
    std::string().swap(image.bytes);
    StdoutFileApi output;
    std::string errorLine;
    const unsigned codePage = options.codePage;
    const int status = RunList(
        options, hive, output,
        [codePage](std::string_view text) { return AnsiToUtf8(codePage, text); }, errorLine);
    if (status != 0) Put(STDERR_FILENO, errorLine + "\n");
    return status;
  } catch (const EHiveError& e) {
    Put(STDERR_FILENO, ListErrorLine(e.Message()) + "\n");
    return 1;
  }
}
