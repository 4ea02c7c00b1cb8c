// The least a listing of the records does over the hive reader's cells: the hive read as
// tolvane-list reads it (ReadWholeFile), its bins found (HiveCells), then every instance key
// under ControlSetNNN\Control\Class of the control set Select names walked, each with all its
// values and their data, and written to standard output as one JSON object a line: names and
// text (to its NUL) as they are where printable ASCII, any other UTF-16 unit as \u, other data
// as hex. No registry calls, no record fields, no conversions but these. Timed as a process by
// scripts/bench, next to cat, read_floor and tolvane-list.
// usage: cells_floor HIVE
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "hive/hive_cells.h"
#include "hive/hive_file.h"
#include "hive/hive_image.h"

namespace {

class Output {
 public:
  ~Output() { Flush(); }
  void Flush() {
    std::fwrite(buffer_, 1, used_, stdout);
    used_ = 0;
  }
  // At most the buffer's size at once.
  void Put(std::string_view bytes) {
    if (sizeof buffer_ - used_ < bytes.size()) Flush();
    std::memcpy(buffer_ + used_, bytes.data(), bytes.size());
    used_ += bytes.size();
  }
  void Unit(unsigned unit) {
    if (sizeof buffer_ - used_ < 8) Flush();
    if (unit >= 0x20 && unit < 0x7F && unit != '"' && unit != '\\') {
      buffer_[used_++] = static_cast<char>(unit);
    } else {
      used_ += std::snprintf(buffer_ + used_, 8, "\\u%04x", unit & 0xFFFF);
    }
  }

 private:
  char buffer_[1 << 16];
  std::size_t used_ = 0;
};

bool SameAscii(std::string_view stored, bool compressed, std::string_view name) {
  if (!compressed || stored.size() != name.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if ((stored[i] | 0x20) != (name[i] | 0x20)) return false;
  }
  return true;
}

std::optional<HiveKey> Child(const HiveCells& cells, const std::optional<HiveKey>& key,
                             std::string_view name) {
  std::vector<HiveKey> subkeys;
  if (!key || !cells.Subkeys(*key, subkeys)) return std::nullopt;
  for (const HiveKey& subkey : subkeys) {
    if (subkey.offset != 0 && SameAscii(subkey.name, subkey.compressedName, name)) {
      return subkey;
    }
  }
  return std::nullopt;
}

void WriteValue(Output& out, const HiveValue& value, const std::string& data) {
  out.Put("\"");
  for (const char c : value.name) out.Unit(static_cast<unsigned char>(c));
  out.Put("\":\"");
  if (value.type == 1 || value.type == 2 || value.type == 7) {
    for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
      const unsigned unit =
          static_cast<unsigned char>(data[i]) | static_cast<unsigned char>(data[i + 1]) << 8;
      // A string ends at its first NUL; a multi-string's NULs part its strings.
      if (unit == 0 && value.type != 7) break;
      out.Unit(unit);
    }
  } else {
    static constexpr char kHex[] = "0123456789abcdef";
    for (const char c : data) {
      const char pair[2] = {kHex[(c >> 4) & 0xF], kHex[c & 0xF]};
      out.Put(std::string_view(pair, 2));
    }
  }
  out.Put("\"");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: cells_floor HIVE\n", stderr);
    return 2;
  }
  HiveMemory bytes;
  const std::string why = ReadWholeFile(argv[1], kLargestHive, "too large", bytes);
  HiveCells cells;
  const std::string reason = why.empty() ? cells.Open(bytes.View()) : why;
  if (!reason.empty()) {
    std::fprintf(stderr, "cells_floor: %s: %s\n", argv[1], reason.c_str());
    return 1;
  }
  const std::optional<HiveKey> root = cells.Key(cells.Root());
  const std::optional<HiveKey> select = Child(cells, root, "Select");
  std::vector<HiveValue> values;
  std::string data;
  unsigned current = 0;
  if (select && cells.Values(*select, values)) {
    for (const HiveValue& value : values) {
      if (SameAscii(value.name, value.compressedName, "Current") && cells.ValueData(value, data) &&
          data.size() == 4) {
        std::memcpy(&current, data.data(), 4);
      }
    }
  }
  char set[32];
  std::snprintf(set, sizeof set, "ControlSet%03u", current);
  const std::optional<HiveKey> classKey =
      Child(cells, Child(cells, Child(cells, root, set), "Control"), "Class");
  std::vector<HiveKey> classes;
  std::vector<HiveKey> instances;
  if (!classKey || !cells.Subkeys(*classKey, classes)) {
    std::fprintf(stderr, "cells_floor: %s: no Class key in %s\n", argv[1], set);
    return 1;
  }
  Output out;
  for (const HiveKey& classNode : classes) {
    instances.clear();
    if (classNode.offset == 0 || !cells.Subkeys(classNode, instances)) continue;
    for (const HiveKey& instance : instances) {
      values.clear();
      if (instance.offset == 0 || !cells.Values(instance, values)) continue;
      out.Put("{");
      for (std::size_t i = 0; i < values.size(); ++i) {
        if (!cells.ValueData(values[i], data)) continue;
        if (i) out.Put(",");
        WriteValue(out, values[i], data);
      }
      out.Put("}\n");
    }
  }
  return 0;
}
