#include "hive/hive_cells.h"

#include <algorithm>

namespace {

constexpr std::size_t kBaseBlock = 0x1000;
constexpr std::size_t kPage = 0x1000;
constexpr std::size_t kBinHeader = 32;
constexpr std::uint32_t kLargestBins = 0x80000000u;
constexpr std::uint32_t kNoBin = 0xFFFFFFFFu;
// A big-data segment holds this much of the value's data.
constexpr std::uint32_t kSegment = 16344;
// The smallest key node cell: the fixed fields and the size field.
constexpr std::size_t kSmallestKeyCell = 0x4C + 4;

// Base block fields.
constexpr std::size_t kRootAt = 36;
constexpr std::size_t kBinsSizeAt = 40;

// Key node fields, from the cell's data.
constexpr std::uint16_t kKeyHiveEntry = 0x0004;
constexpr std::uint16_t kKeyCompressedName = 0x0020;
constexpr std::uint16_t kValueCompressedName = 0x0001;
constexpr std::uint32_t kDataInline = 0x80000000u;

bool Signature(ByteCursor& cell, std::string_view signature) {
  return cell.Bytes(0, 2) == signature;
}

}  // namespace

std::string_view ByteCursor::Bytes(std::size_t at, std::size_t count) {
  if (at > bytes_.size() || count > bytes_.size() - at) {
    ok_ = false;
    return {};
  }
  return bytes_.substr(at, count);
}

std::u16string StoredName(std::string_view bytes, bool compressed) {
  std::u16string units;
  if (compressed) {
    units.reserve(bytes.size());
    for (const char c : bytes) units += static_cast<char16_t>(static_cast<unsigned char>(c));
    return units;
  }
  units.reserve(bytes.size() / 2);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    units += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                   static_cast<unsigned char>(bytes[i + 1]) << 8);
  }
  return units;
}

std::string HiveCells::Open(std::string_view image) {
  if (image.size() < kBaseBlock) return "no base block";
  ByteCursor base(image.substr(0, kBaseBlock));
  const std::uint32_t declared = base.U32(kBinsSizeAt);
  const std::size_t available = image.size() - kBaseBlock;
  // The base block's size is taken where it can be one; past the file's end its pages count
  // as missing, and the bins are read as far as the file goes.
  const bool validSize = declared != 0 && declared % kPage == 0 && declared <= kLargestBins;
  const std::size_t binsEnd = validSize ? declared : std::min<std::size_t>(available, kLargestBins);
  pages_ = (binsEnd + kPage - 1) / kPage;
  bins_ = image.substr(kBaseBlock, std::min(binsEnd, available));
  FindBins();
  if (badPages_ == pages_) return "no hive bin";
  const std::uint32_t given = base.U32(kRootAt);
  root_ = FindRoot(given);
  if (root_ == kNoBin) return "no root key";
  rootReplaced_ = root_ != given;
  return "";
}

void HiveCells::FindBins() {
  binOfPage_.assign(pages_, kNoBin);
  std::size_t good = 0;
  for (std::size_t at = 0; at < bins_.size();) {
    ByteCursor header(bins_.substr(at, kBinHeader));
    const std::uint32_t size = header.U32(8);
    if (header.Bytes(0, 4) != "hbin" || header.U32(4) != at || size == 0 || size % kPage != 0 ||
        size > pages_ * kPage - at || !header.Ok()) {
      // Not a bin: the next page may start one.
      at += kPage;
      continue;
    }
    // A bin the file's end cuts short keeps the cells before the cut.
    const std::size_t end = std::min(at + size, bins_.size());
    for (std::size_t page = at / kPage; page * kPage < end; ++page) {
      binOfPage_[page] = static_cast<std::uint32_t>(at);
      ++good;
    }
    at += size;
  }
  badPages_ = pages_ - good;
}

std::optional<ByteCursor> HiveCells::Cell(std::uint32_t offset) const {
  ++reads_;
  const std::size_t page = offset / kPage;
  if (page >= binOfPage_.size() || binOfPage_[page] == kNoBin || offset % 8 != 0) return {};
  const std::size_t bin = binOfPage_[page];
  if (offset < bin + kBinHeader) return {};
  ByteCursor header(bins_.substr(bin, kBinHeader));
  // The bin as far as the file holds it: the end of a file cut short may fall in any page.
  const std::size_t binEnd = std::min<std::size_t>(bin + header.U32(8), bins_.size());
  if (binEnd < offset + std::size_t{8}) return {};
  ByteCursor sizeField(bins_.substr(offset, 4));
  const std::uint32_t raw = sizeField.U32(0);
  // An allocated cell's size is stored negated; a free cell is nothing to read.
  if ((raw & 0x80000000u) == 0) return {};
  const std::size_t size = 0x100000000ull - raw;
  if (size < 8 || size > binEnd - offset) return {};
  return ByteCursor(bins_.substr(offset + 4, size - 4));
}

std::uint32_t HiveCells::FindRoot(std::uint32_t given) const {
  if (Key(given)) return given;
  // The key node flagged as the hive's entry, found by walking each bin's cells in turn.
  for (std::size_t page = 0; page < binOfPage_.size(); ++page) {
    const std::size_t bin = binOfPage_[page];
    if (bin != page * kPage) continue;
    ByteCursor header(bins_.substr(bin, kBinHeader));
    const std::size_t binEnd = std::min<std::size_t>(bin + header.U32(8), bins_.size());
    for (std::size_t at = bin + kBinHeader; at < binEnd && binEnd - at >= 8;) {
      ByteCursor sizeField(bins_.substr(at, 4));
      const std::uint32_t raw = sizeField.U32(0);
      const std::size_t size = raw & 0x80000000u ? 0x100000000ull - raw : raw;
      if (size < 8 || size % 8 != 0 || size > binEnd - at) break;
      if (const auto key = Key(static_cast<std::uint32_t>(at))) {
        if (key->flags & kKeyHiveEntry) return static_cast<std::uint32_t>(at);
      }
      at += size;
    }
  }
  return kNoBin;
}

std::optional<HiveKey> HiveCells::Key(std::uint32_t offset) const {
  std::optional<ByteCursor> cell = Cell(offset);
  if (!cell || !Signature(*cell, "nk")) return {};
  HiveKey key;
  key.offset = offset;
  key.flags = cell->U16(0x02);
  key.lastWritten = cell->U64(0x04);
  key.subkeyCount = cell->U32(0x14);
  key.subkeyList = cell->U32(0x1C);
  key.valueCount = cell->U32(0x24);
  key.valueList = cell->U32(0x28);
  key.compressedName = (key.flags & kKeyCompressedName) != 0;
  const std::size_t stored = cell->U16(0x48);
  if (!cell->Ok() || cell->Size() < 0x4C) return {};
  // A name longer than its cell keeps what the cell holds: the key is still read.
  const std::size_t length = std::min<std::size_t>(stored, cell->Size() - 0x4C);
  key.name = cell->Bytes(0x4C, key.compressedName ? length : length / 2 * 2);
  return key;
}

bool HiveCells::AppendList(std::uint32_t list, std::uint32_t self, bool inIndexRoot,
                           std::size_t limit, std::vector<HiveKey>& subkeys) const {
  std::optional<ByteCursor> cell = Cell(list);
  if (!cell) return false;
  const std::string_view signature = cell->Bytes(0, 2);
  const std::size_t count = cell->U16(2);
  std::size_t stride = 4;
  if (signature == "lf" || signature == "lh") {
    stride = 8;
  } else if (signature != "li" && (signature != "ri" || inIndexRoot)) {
    return false;  // an index root holds leaves only
  }
  if (!cell->Ok() || count > (cell->Size() - 4) / stride) return false;
  for (std::size_t i = 0; i < count && subkeys.size() < limit; ++i) {
    const std::uint32_t offset = cell->U32(4 + i * stride);
    if (signature == "ri") {
      if (!AppendList(offset, self, true, limit, subkeys)) return false;
    } else {
      const std::optional<HiveKey> key = offset == self ? std::nullopt : Key(offset);
      subkeys.push_back(key.value_or(HiveKey{}));
    }
  }
  return true;
}

bool HiveCells::Subkeys(const HiveKey& key, std::vector<HiveKey>& subkeys) const {
  subkeys.clear();
  if (key.subkeyCount == 0) return true;
  // However the lists repeat themselves, no key has more subkeys than it says, nor than the
  // bins have room for.
  const std::size_t limit = std::min<std::size_t>(key.subkeyCount, bins_.size() / kSmallestKeyCell);
  return AppendList(key.subkeyList, key.offset, false, limit, subkeys);
}

bool HiveCells::Values(const HiveKey& key, std::vector<HiveValue>& values) const {
  values.clear();
  if (key.valueCount == 0) return true;
  std::optional<ByteCursor> list = Cell(key.valueList);
  if (!list || key.valueCount > list->Size() / 4) return false;
  values.reserve(key.valueCount);
  for (std::size_t i = 0; i < key.valueCount; ++i) {
    if (const auto value = Value(list->U32(i * 4))) values.push_back(*value);
  }
  return true;
}

std::optional<HiveValue> HiveCells::Value(std::uint32_t offset) const {
  std::optional<ByteCursor> cell = Cell(offset);
  if (!cell || !Signature(*cell, "vk")) return {};
  HiveValue value;
  value.offset = offset;
  const std::uint32_t size = cell->U32(0x04);
  value.inlineData = (size & kDataInline) != 0;
  value.dataSize = size & ~kDataInline;
  value.dataOffset = cell->U32(0x08);
  value.type = cell->U32(0x0C);
  value.compressedName = (cell->U16(0x10) & kValueCompressedName) != 0;
  value.name = cell->Bytes(0x14, cell->U16(0x02));
  if (!cell->Ok()) return {};
  return value;
}

bool HiveCells::ValueData(const HiveValue& value, std::string& data) const {
  data.clear();
  if (value.inlineData) {
    // Up to four bytes, kept where the data's offset would be.
    if (value.dataSize > 4) return false;
    for (std::uint32_t i = 0; i < value.dataSize; ++i) {
      data += static_cast<char>(value.dataOffset >> (8 * i) & 0xFF);
    }
    return true;
  }
  if (value.dataSize == 0) return true;
  if (value.dataSize > bins_.size()) return false;
  std::optional<ByteCursor> cell = Cell(value.dataOffset);
  if (!cell) return false;
  if (value.dataSize <= cell->Size()) {
    data.assign(cell->Bytes(0, value.dataSize));
    return true;
  }
  // Too large for its cell: big data, a list of segments each holding the next part.
  if (!Signature(*cell, "db")) return false;
  const std::uint32_t needed = (value.dataSize + kSegment - 1) / kSegment;
  std::optional<ByteCursor> segments = Cell(cell->U32(4));
  if (!cell->Ok() || cell->U16(2) < needed || !segments || segments->Size() / 4 < needed) {
    return false;
  }
  data.reserve(value.dataSize);
  for (std::uint32_t i = 0; i < needed; ++i) {
    std::optional<ByteCursor> segment = Cell(segments->U32(i * 4));
    const std::size_t part = std::min<std::size_t>(kSegment, value.dataSize - data.size());
    if (!segment || segment->Size() < part) return false;
    data.append(segment->Bytes(0, part));
  }
  return true;
}
