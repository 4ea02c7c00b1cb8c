// Reads a fuzzer's bytes as a stream of small numbers and strings, so that every input,
// however short, decodes to some valid description of a registry or a report.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class FuzzInput {
 public:
  FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  bool Empty() const { return at_ >= size_; }

  std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }

  std::uint32_t Raw32() {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value = (value << 8) | Byte();
    return value;
  }

  // A number below limit (0 when limit is 0).
  std::uint32_t Number(std::uint32_t limit) { return limit == 0 ? 0 : Raw32() % limit; }

  // Any 32-bit value: page metrics and widths may be anything a device reports.
  std::int32_t Int32() { return static_cast<std::int32_t>(Raw32()); }

  // Bytes of any value, up to maxLength of them, the length read as a 32-bit number: for
  // data larger than a short text.
  std::string Blob(std::uint32_t maxLength) {
    const std::uint32_t length = Number(maxLength + 1);
    std::string bytes;
    for (std::uint32_t i = 0; i < length && !Empty(); ++i)
      bytes.push_back(static_cast<char>(Byte()));
    return bytes;
  }

  // A string of up to maxLength bytes, any byte values, NULs included.
  std::string Text(std::size_t maxLength) {
    const std::size_t length = Byte() % (maxLength + 1);
    std::string text;
    for (std::size_t i = 0; i < length && !Empty(); ++i) text.push_back(static_cast<char>(Byte()));
    return text;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};
