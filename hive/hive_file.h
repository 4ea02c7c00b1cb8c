// Where the hive room meets the system: memory of the program's own for a hive's bytes, and the
// files it reads whole and writes new. posix_hive_file.cpp on Linux, win32_hive_file.cpp on
// Windows; the rest of the room is plain bytes.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Bytes in fresh anonymous memory (in huge pages where the system allows it), owned: nothing
// outside the program can change them, and filling them costs one copy from the file.
class HiveMemory {
 public:
  HiveMemory() = default;
  // A copy of bytes.
  explicit HiveMemory(std::string_view bytes);
  HiveMemory(HiveMemory&& other) noexcept;
  HiveMemory& operator=(HiveMemory&& other) noexcept;
  HiveMemory(const HiveMemory&) = delete;
  HiveMemory& operator=(const HiveMemory&) = delete;
  ~HiveMemory();

  // Room for capacity bytes, the first Size() kept; false when the system has no memory.
  bool Reserve(std::size_t capacity);
  // At most the capacity.
  void Resize(std::size_t size) { size_ = size; }
  char* Data() { return data_; }
  std::size_t Size() const { return size_; }
  std::size_t Capacity() const { return capacity_; }
  std::string_view View() const { return {data_, size_}; }
  operator std::string_view() const { return View(); }

 private:
  // Fresh zeroed memory for at least bytes, and what to give back; the system's part.
  static char* Map(std::size_t bytes, void*& mapping, std::size_t& mapped);
  static void Unmap(void* mapping, std::size_t mapped);
  void Release();

  char* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
  void* mapping_ = nullptr;  // what the system gave, which data_ lies in
  std::size_t mapped_ = 0;
};

// Reads the whole file ("-": standard input) into bytes, refusing one above limit before
// reading it. Returns the reason on failure (what the system said, "not a file", tooLarge),
// empty on success.
std::string ReadWholeFile(const std::string& path, std::uint64_t limit, std::string_view tooLarge,
                          HiveMemory& bytes);

// The transaction logs beside a hive file: its name with .LOG1, .LOG2 or .LOG appended, in any
// letter case, in that order. None for standard input.
std::vector<std::string> LogsBeside(const std::string& hivePath);

// Of the names of a folder's entries, those of the transaction logs of the hive named
// hiveName, in LogsBeside's order, each with folder (empty or ending in a separator) in front:
// what LogsBeside answers once the system has listed the folder.
std::vector<std::string> LogsAmong(const std::string& folder, const std::string& hiveName,
                                   const std::vector<std::string>& entries);

// Reads a file on to its end into bytes, which already hold its first size bytes, growing
// them from capacity as they fill: tooLarge where the file grows past limit. Each read is
// readSome(into, count, got, why): at most count bytes into into, how many in got (0 at the
// end); false, with the reason in why, where the system failed.
template <typename ReadSome>
std::string ReadToEnd(HiveMemory& bytes, std::size_t size, std::size_t capacity,
                      std::uint64_t limit, std::string_view tooLarge, ReadSome readSome) {
  for (;;) {
    if (!bytes.Reserve(capacity)) return "no memory for it";
    std::size_t got = 0;
    std::string why;
    if (!readSome(bytes.Data() + size, bytes.Capacity() - size, got, why)) return why;
    if (got == 0) return "";
    size += got;
    bytes.Resize(size);
    if (size > limit) return std::string(tooLarge);
    if (size == bytes.Capacity()) {
      capacity = static_cast<std::size_t>(std::min<std::uint64_t>(size * 2ull, limit + 1));
    }
  }
}

// Whether both paths name one file that exists (the same file under two names too).
bool SameFile(const std::string& a, const std::string& b);

// Writes bytes to a new file at path (never one that exists); on failure nothing is left
// there. EHiveError with the reason.
void WriteNewFile(const std::string& path, std::string_view bytes);
