#include "hive/hive_file.h"

#include <algorithm>
#include <cstring>
#include <utility>

HiveMemory::HiveMemory(std::string_view bytes) {
  if (!bytes.empty() && Reserve(bytes.size())) {
    std::memcpy(data_, bytes.data(), bytes.size());
    size_ = bytes.size();
  }
}

HiveMemory::HiveMemory(HiveMemory&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)),
      mapping_(std::exchange(other.mapping_, nullptr)),
      mapped_(std::exchange(other.mapped_, 0)) {}

HiveMemory& HiveMemory::operator=(HiveMemory&& other) noexcept {
  if (this != &other) {
    Release();
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
    mapping_ = std::exchange(other.mapping_, nullptr);
    mapped_ = std::exchange(other.mapped_, 0);
  }
  return *this;
}

HiveMemory::~HiveMemory() { Release(); }

bool HiveMemory::Reserve(std::size_t capacity) {
  if (capacity <= capacity_) return true;
  void* mapping = nullptr;
  std::size_t mapped = 0;
  char* data = Map(capacity, mapping, mapped);
  if (!data) return false;
  if (size_ != 0) std::memcpy(data, data_, size_);
  const std::size_t size = size_;
  Release();
  data_ = data;
  size_ = size;
  capacity_ = capacity;
  mapping_ = mapping;
  mapped_ = mapped;
  return true;
}

void HiveMemory::Release() {
  if (mapping_) Unmap(mapping_, mapped_);
  data_ = nullptr;
  size_ = capacity_ = mapped_ = 0;
  mapping_ = nullptr;
}

std::vector<std::string> LogsAmong(const std::string& folder, const std::string& hiveName,
                                   const std::vector<std::string>& entries) {
  const auto upper = [](std::string text) {
    for (char& c : text) {
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
  };
  const std::string name = upper(hiveName);
  const std::string wanted[3] = {name + ".LOG1", name + ".LOG2", name + ".LOG"};
  std::vector<std::string> found[3];
  for (const std::string& entry : entries) {
    const std::string candidate = upper(entry);
    for (int i = 0; i < 3; ++i) {
      if (candidate == wanted[i]) found[i].push_back(entry);
    }
  }
  std::vector<std::string> logs;
  for (std::vector<std::string>& names : found) {
    std::sort(names.begin(), names.end());
    for (const std::string& log : names) logs.push_back(folder + log);
  }
  return logs;
}
