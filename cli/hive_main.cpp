// tolvane-list on Linux: the driver inventory of SYSTEM hive files, on standard output or into a
// file, each hive read whole into memory of its own and, where it is dirty, brought up to date
// there from its transaction logs; or one such hive written to a new file (--save-recovered).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "cli/hive_list.h"
#include "common/code_page.h"
#include "common/message_text.h"

namespace {

// The C library's errors a write or an open meets, and the Windows codes the seams speak for
// them: one table, read both ways.
constexpr std::array<std::pair<int, std::uint32_t>, 8> kErrnoCodes{{
    {ENOENT, kErrorFileNotFound},
    {EACCES, kErrorAccessDenied},
    {EPERM, kErrorAccessDenied},
    {EBADF, kErrorInvalidHandle},
    {EPIPE, 109},  // ERROR_BROKEN_PIPE
    {ENOSPC, kErrorDiskFull},
    {EDQUOT, kErrorDiskFull},
    {EIO, 29},  // ERROR_WRITE_FAULT
}};

std::uint32_t WindowsCode(int error) {
  for (const auto& [number, code] : kErrnoCodes) {
    if (number == error) return code;
  }
  return 29;
}

// The words for a code: the C library's where one of its errors stands behind it.
std::string ErrorText(long code) {
  if (code == kErrorRegistryCorrupt) return "corrupt registry data";
  if (code == kErrorInvalidData) return "invalid data";
  for (const auto& [number, windows] : kErrnoCodes) {
    if (static_cast<long>(windows) == code) return std::strerror(number);
  }
  return "registry error (Windows code " + std::to_string(code) + ")";
}

// The file seam over an open stream: "creating" the file takes the stream as it is.
class StreamFileApi final : public FileApi {
 public:
  explicit StreamFileApi(int fd) : fd_(fd) {}
  std::uint32_t CreateFileA(const char*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t,
                            FileHandle* handle) override {
    *handle = static_cast<FileHandle>(fd_);
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
  // The stream stays open for the process; a file of --output is closed at exit.
  std::uint32_t CloseHandle(FileHandle) override { return 0; }

 private:
  int fd_;
};

// Returns false when the text could not be written whole.
bool Put(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

void PutError(const std::string& line) { Put(STDERR_FILENO, line + "\n"); }

// A standard stream the program was started without is held by /dev/null opened for reading,
// so that the next file opened (a hive, a log) cannot take its number: a write to a
// closed standard output must fail as it would have, not land in a file of ours.
void HoldClosedStreams() {
  for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
    if (fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
      const int held = open("/dev/null", O_RDONLY);
      if (held >= 0 && held != fd) {
        dup2(held, fd);
        close(held);
      }
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  HoldClosedStreams();
  // A closed pipe ends the program as the shell expects, even where the parent ignored it.
  std::signal(SIGPIPE, SIG_DFL);
  ListOptions options;
  if (const auto reply = ReplyWithoutList(argc - 1, argv + 1, ListSource::kHiveFile, options)) {
    if (Put(reply->toError ? STDERR_FILENO : STDOUT_FILENO, reply->text)) return reply->status;
    if (!reply->toError) {
      PutError(ListErrorLine("cannot write standard output: " + ErrorText(WindowsCode(errno))));
    }
    return reply->status == 0 ? 1 : reply->status;
  }

  if (!options.saveRecovered.empty()) return SaveRecoveredHive(options, PutError);

  int out = STDOUT_FILENO;
  if (!options.outputPath.empty()) {
    if (const std::string line = OutputIsAnInput(options); !line.empty()) {
      PutError(ListErrorLine(line));
      return 2;
    }
    out = open(options.outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (out < 0) {
      PutError(ListErrorLine("cannot write " + QuotedName(options.outputPath) + ": " +
                             std::strerror(errno)));
      return 1;
    }
  }

  StreamFileApi output(out);
  ListHost host;
  host.withRegistry = [&](const std::string& hive, const std::function<void(RegistryApi&)>& use) {
    WithHiveFile(options, hive, PutError, use);
  };
  host.error = PutError;
  host.errorText = ErrorText;
  host.readFile = ReadListFile;
  int status = RunList(options, ListSource::kHiveFile, output, host);
  if (out != STDOUT_FILENO && close(out) != 0 && status == 0) {
    PutError(ListErrorLine("cannot write " + QuotedName(options.outputPath) + ": " +
                           std::strerror(errno)));
    status = 1;
  }
  return status;
}
