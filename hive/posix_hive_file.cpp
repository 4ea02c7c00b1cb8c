#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <system_error>
#include <thread>

#include "common/message_text.h"
#include "common/unique_handle.h"
#include "hive/hive_file.h"
#include "hive/hive_image.h"

namespace {

// A file descriptor of our own, closed once on every way out.
using UniqueFd = UniqueHandle<int, close, -1>;

// Huge pages are 2 MiB where the system has them: memory aligned to them can be given in them.
constexpr std::size_t kHugePage = std::size_t{2} << 20;

std::string Errno() { return std::strerror(errno); }

// From this size on a file is read in two halves at once: copying from the system's cache
// into fresh memory (which the system zeroes first) then takes two processors, not one.
constexpr std::size_t kReadInHalves = std::size_t{8} << 20;

// Bytes [from, to) of the file into data + from, up to the file's end: how many were read,
// and errno where reading failed.
struct FilePart {
  std::size_t from = 0;
  std::size_t to = 0;
  std::size_t got = 0;
  int error = 0;
};

void ReadPart(int fd, char* data, FilePart& part) {
  while (part.from + part.got < part.to) {
    const std::size_t at = part.from + part.got;
    const ssize_t n = pread(fd, data + at, part.to - at, static_cast<off_t>(at));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      part.error = errno;
      return;
    }
    if (n == 0) return;
    part.got += static_cast<std::size_t>(n);
  }
}

// The first size bytes of the file, in two halves read at once (one after the other where no
// thread can be started); the half-way point on a huge page's boundary, so that the two never
// fill one page. How many bytes of the file's start were read: fewer than size where it shrank.
std::size_t ReadInHalves(int fd, char* data, std::size_t size, int& error) {
  const std::size_t half = std::min(size, (size / 2 + kHugePage - 1) / kHugePage * kHugePage);
  FilePart first{0, half};
  FilePart second{half, size};
  try {
    std::thread other([&] { ReadPart(fd, data, second); });
    ReadPart(fd, data, first);
    other.join();
  } catch (const std::system_error&) {
    ReadPart(fd, data, first);
    ReadPart(fd, data, second);
  }
  error = first.error ? first.error : second.error;
  return first.got < half ? first.got : half + second.got;
}

}  // namespace

char* HiveMemory::Map(std::size_t bytes, void*& mapping, std::size_t& mapped) {
  // A huge page more than asked for, so that the bytes can start on one.
  mapped = (bytes + kHugePage - 1) / kHugePage * kHugePage + kHugePage;
  mapping = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapping == MAP_FAILED) {
    mapping = nullptr;
    return nullptr;
  }
  const auto start = reinterpret_cast<std::uintptr_t>(mapping);
  char* data = static_cast<char*>(mapping) + ((kHugePage - start % kHugePage) % kHugePage);
  // Advice only: where the system has no huge pages, 4 KiB ones serve.
  madvise(data, mapped - static_cast<std::size_t>(data - static_cast<char*>(mapping)),
          MADV_HUGEPAGE);
  return data;
}

void HiveMemory::Unmap(void* mapping, std::size_t mapped) { munmap(mapping, mapped); }

std::string ReadWholeFile(const std::string& path, std::uint64_t limit, std::string_view tooLarge,
                          HiveMemory& bytes) {
  bytes.Resize(0);
  const bool standardInput = path == "-";
  const UniqueFd file(standardInput ? -1 : open(path.c_str(), O_RDONLY | O_CLOEXEC));
  const int fd = standardInput ? STDIN_FILENO : file.get();
  if (fd < 0) return Errno();
  struct stat info {};
  if (fstat(fd, &info) != 0) return Errno();
  if (S_ISDIR(info.st_mode) || (!standardInput && !S_ISREG(info.st_mode))) return "not a file";
  if (S_ISREG(info.st_mode) && static_cast<std::uint64_t>(info.st_size) > limit) {
    return std::string(tooLarge);
  }
  // Read straight into place, to the end whatever the size said (one byte more shows a file
  // that grew): a file that grows past the limit is refused, one that shrinks is taken as it
  // was read.
  const std::uint64_t room = S_ISREG(info.st_mode) ? info.st_size + 1 : 1 << 16;
  std::size_t size = 0;
  std::size_t capacity = static_cast<std::size_t>(std::min(room, limit + 1));
  if (!standardInput && S_ISREG(info.st_mode) && room - 1 >= kReadInHalves) {
    if (!bytes.Reserve(capacity)) return "no memory for it";
    int error = 0;
    const auto expected = static_cast<std::size_t>(room - 1);
    size = ReadInHalves(fd, bytes.Data(), expected, error);
    if (error != 0) return std::strerror(error);
    bytes.Resize(size);
    // Read on from there, as a file read in one piece is, but only where it did not shrink.
    if (size < expected) return "";
    if (lseek(fd, static_cast<off_t>(size), SEEK_SET) < 0) return Errno();
  }
  return ReadToEnd(bytes, size, capacity, limit, tooLarge,
                   [&](char* into, std::size_t count, std::size_t& got, std::string& why) {
                     for (;;) {
                       const ssize_t n = read(fd, into, count);
                       if (n < 0 && errno == EINTR) continue;
                       if (n < 0) {
                         why = Errno();
                         return false;
                       }
                       got = static_cast<std::size_t>(n);
                       return true;
                     }
                   });
}

std::vector<std::string> LogsBeside(const std::string& hivePath) {
  if (hivePath == "-") return {};
  const std::size_t slash = hivePath.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : hivePath.substr(0, slash + 1);
  std::vector<std::string> entries;
  if (DIR* dir = opendir(folder.empty() ? "." : folder.c_str())) {
    while (const dirent* entry = readdir(dir)) entries.emplace_back(entry->d_name);
    closedir(dir);
  }
  return LogsAmong(folder, hivePath.substr(folder.size()), entries);
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat first {};
  struct stat second {};
  return stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 &&
         first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

void WriteNewFile(const std::string& path, std::string_view bytes) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) throw EHiveError(QuotedName(path) + ": " + Errno());
  std::size_t done = 0;
  int error = 0;
  while (done < bytes.size() && error == 0) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = n < 0 ? errno : ENOSPC;
    } else {
      done += static_cast<std::size_t>(n);
    }
  }
  if (error == 0 && fsync(fd) != 0 && errno != EINVAL) error = errno;
  if (close(fd) != 0 && error == 0) error = errno;
  if (error != 0) {
    unlink(path.c_str());
    throw EHiveError(QuotedName(path) + ": " + std::strerror(error));
  }
}
