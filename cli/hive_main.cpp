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

#include "cli/code_page.h"
#include "cli/hive_image.h"
#include "cli/hive_registry_api.h"
#include "cli/list_command.h"
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

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// A standard stream the program was started without is held by /dev/null opened for reading,
// so that the next file opened (a hive, its private copy) cannot take its number: a write to a
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

// The whole of a file of at most kLargestList bytes, in the C library's words where it cannot
// be read.
std::string ReadListFile(const std::string& path) {
  constexpr std::size_t kLargestList = std::size_t{1} << 30;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw Exception(std::strerror(errno));
  std::string text;
  std::array<char, 65536> buffer;
  for (;;) {
    const ssize_t n = read(fd, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 || text.size() > kLargestList) {
      const std::string why = n < 0 ? std::strerror(errno) : "too large";
      close(fd);
      throw Exception(why);
    }
    if (n == 0) break;
    text.append(buffer.data(), static_cast<std::size_t>(n));
  }
  close(fd);
  return text;
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

  if (!options.saveRecovered.empty()) {
    const std::string& name = options.hives.front();
    try {
      const HiveImage image = LoadHive(name, options.logPaths, !options.noLogs);
      const std::string said = RecoveryLine(image.recovery, name);
      CheckHiveBytes(image.bytes, name);
      if (image.recovery.dirty && image.recovery.logUsed.empty()) {
        throw EHiveError(said + ": nothing written");
      }
      WriteNewFile(options.saveRecovered, image.bytes);
      if (!said.empty()) PutError(ListErrorLine(said));
      return 0;
    } catch (const EHiveError& e) {
      PutError(ListErrorLine(e.Message()));
      return 1;
    }
  }

  int out = STDOUT_FILENO;
  if (!options.outputPath.empty()) {
    // Every file the listing may read: the hives, the logs named, and the logs beside each hive.
    std::vector<std::string> inputs(options.hives);
    inputs.insert(inputs.end(), options.logPaths.begin(), options.logPaths.end());
    if (!options.knownVulnerable.empty()) inputs.push_back(options.knownVulnerable);
    for (const std::string& hive : options.hives) {
      for (std::string& log : LogsBeside(hive)) inputs.push_back(std::move(log));
    }
    struct stat target {};
    if (stat(options.outputPath.c_str(), &target) == 0) {
      for (const std::string& input : inputs) {
        struct stat info {};
        if (input != "-" && stat(input.c_str(), &info) == 0 && SameFile(info, target)) {
          PutError(ListErrorLine(QuotedName(options.outputPath) +
                                 " is one of the hives or their logs: the output never replaces "
                                 "an input"));
          return 2;
        }
      }
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
    HiveImage image = LoadHive(hive, options.logPaths, !options.noLogs);
    if (const std::string said = RecoveryLine(image.recovery, hive); !said.empty()) {
      const bool unrecovered = image.recovery.dirty && image.recovery.logUsed.empty();
      PutError(ListErrorLine((unrecovered ? "warning: " : "") + said));
    }
    HiveRegistryApi registry(image.bytes, hive, options.codePage);
    // The reader has its own copy now.
    std::string().swap(image.bytes);
    use(registry);
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
