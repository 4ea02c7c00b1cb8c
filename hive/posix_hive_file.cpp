#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

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
  for (std::size_t capacity = static_cast<std::size_t>(std::min(room, limit + 1));;) {
    if (!bytes.Reserve(capacity)) return "no memory for it";
    const ssize_t n = read(fd, bytes.Data() + size, bytes.Capacity() - size);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Errno();
    if (n == 0) break;
    size += static_cast<std::size_t>(n);
    bytes.Resize(size);
    if (size > limit) return std::string(tooLarge);
    if (size == bytes.Capacity()) {
      capacity = static_cast<std::size_t>(std::min<std::uint64_t>(size * 2ull, limit + 1));
    }
  }
  return "";
}

std::vector<std::string> LogsBeside(const std::string& hivePath) {
  if (hivePath == "-") return {};
  const std::size_t slash = hivePath.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : hivePath.substr(0, slash + 1);
  const std::string name = hivePath.substr(slash == std::string::npos ? 0 : slash + 1);
  const auto upper = [](std::string text) {
    for (char& c : text) {
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
  };
  std::vector<std::string> found[3];
  const std::string wanted[3] = {upper(name) + ".LOG1", upper(name) + ".LOG2",
                                 upper(name) + ".LOG"};
  if (DIR* dir = opendir(folder.c_str())) {
    while (const dirent* entry = readdir(dir)) {
      const std::string candidate = upper(entry->d_name);
      for (int i = 0; i < 3; ++i) {
        if (candidate == wanted[i]) found[i].push_back(entry->d_name);
      }
    }
    closedir(dir);
  }
  std::vector<std::string> logs;
  for (std::vector<std::string>& names : found) {
    std::sort(names.begin(), names.end());
    for (const std::string& log : names) {
      logs.push_back(slash == std::string::npos ? log : folder + log);
    }
  }
  return logs;
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
