// The cells of a hive image: key nodes, subkey lists, value lists, values and their data, read
// from bytes that may be damaged or hostile. Every offset is checked where it enters (inside a
// bin found whole, an allocated cell, the cell's own size), every list is bounded by the cell
// that holds it, and a damaged cell is an error for the key or value that needs it, never for
// the hive. Bins whose header is bad are skipped; what the rest holds is still read.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Little-endian reads at offsets into a byte span that cannot read outside it: a read past the
// end gives zero and the error sticks, so a run of reads is checked once, after it.
class ByteCursor {
 public:
  ByteCursor() = default;
  explicit ByteCursor(std::string_view bytes) : bytes_(bytes) {}

  std::uint16_t U16(std::size_t at) { return static_cast<std::uint16_t>(Get(at, 2)); }
  std::uint32_t U32(std::size_t at) { return static_cast<std::uint32_t>(Get(at, 4)); }
  std::uint64_t U64(std::size_t at) { return Get(at, 8); }
  // count bytes from at, or none (and the error) when they are not all inside.
  std::string_view Bytes(std::size_t at, std::size_t count);
  std::size_t Size() const { return bytes_.size(); }
  bool Ok() const { return ok_; }

 private:
  std::uint64_t Get(std::size_t at, std::size_t width) {
    if (at > bytes_.size() || width > bytes_.size() - at) {
      ok_ = false;
      return 0;
    }
    std::uint64_t value = 0;
    if constexpr (std::endian::native == std::endian::little) {
      std::memcpy(&value, bytes_.data() + at, width);
    } else {
      for (std::size_t i = width; i-- > 0;) {
        value = value << 8 | static_cast<unsigned char>(bytes_[at + i]);
      }
    }
    return value;
  }

  std::string_view bytes_;
  bool ok_ = true;
};

// A key node as the listing needs it. The name is the stored bytes: Latin-1 when compressed,
// else UTF-16LE.
struct HiveKey {
  std::uint32_t offset = 0;
  std::uint16_t flags = 0;
  std::uint64_t lastWritten = 0;
  std::uint32_t subkeyCount = 0;
  std::uint32_t subkeyList = 0;
  std::uint32_t valueCount = 0;
  std::uint32_t valueList = 0;
  std::string_view name;
  bool compressedName = false;
};

// A value as stored; its data is read apart (HiveCells::ValueData).
struct HiveValue {
  std::uint32_t offset = 0;
  std::string_view name;
  bool compressedName = false;
  std::uint32_t type = 0;
  std::uint32_t dataSize = 0;  // without the inline flag
  bool inlineData = false;
  std::uint32_t dataOffset = 0;
};

// A stored name (Latin-1 or UTF-16LE bytes) as UTF-16 code units.
std::u16string StoredName(std::string_view bytes, bool compressed);

class HiveCells {
 public:
  // Finds the bins of image (a whole base block and what follows it) and the root key. Returns
  // the reason, empty when the hive can be read.
  std::string Open(std::string_view image);

  std::uint32_t Root() const { return root_; }
  // The 4 KiB pages the base block gives the bins (or the file holds, when it gives a size
  // past its end), and how many of them lie in no valid bin.
  std::size_t Pages() const { return pages_; }
  std::size_t BadPages() const { return badPages_; }
  // Whether the base block's root offset named no key node, so that the key node flagged as
  // the hive's entry stands for it.
  bool RootReplaced() const { return rootReplaced_; }
  // How many cells have been read: a hive whose lists name the same keys over and over makes
  // this grow without bound as they are followed.
  std::uint64_t Reads() const { return reads_; }

  // The key node at offset, or nothing when no valid one is there.
  std::optional<HiveKey> Key(std::uint32_t offset) const;
  // The key's subkeys in stored order (lf, lh, li, or one level of ri over them), at most as
  // many as it says it has. False when its list is damaged; an entry that is no key node, or
  // the key itself, stands as a key at offset 0 (no cell can be there).
  bool Subkeys(const HiveKey& key, std::vector<HiveKey>& subkeys) const;
  // The key's values in stored order; false when its value list is damaged. An entry that is
  // no value is left out.
  bool Values(const HiveKey& key, std::vector<HiveValue>& values) const;
  std::optional<HiveValue> Value(std::uint32_t offset) const;
  // The value's data: inline, in one cell, or in big-data segments. False when damaged.
  bool ValueData(const HiveValue& value, std::string& data) const;

 private:
  // The data of the allocated cell at offset (after its size field), checked against its bin.
  std::optional<ByteCursor> Cell(std::uint32_t offset) const;
  void FindBins();
  std::uint32_t FindRoot(std::uint32_t given) const;
  bool AppendList(std::uint32_t list, std::uint32_t self, bool inIndexRoot, std::size_t limit,
                  std::vector<HiveKey>& subkeys) const;

  std::string_view bins_;  // the bytes after the base block, up to where the bins end
  // For each 4 KiB page of the bins, the offset of the bin holding it, or kNoBin.
  std::vector<std::uint32_t> binOfPage_;
  std::uint32_t root_ = 0;
  std::size_t pages_ = 0;
  std::size_t badPages_ = 0;
  bool rootReplaced_ = false;
  mutable std::uint64_t reads_ = 0;
};
