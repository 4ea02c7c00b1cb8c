// libhivex as the oracle of our hive reader: every key, in order, with its name and
// last-written time, and every value with its name, type and bytes, walked through both
// readers over the same bytes, and each key's time and each value's data asked once more
// through the registry back end's W calls, as the listing asks them. Strict, every part hivex
// reads must be read alike; otherwise (hostile bytes) ours may find a part damaged that hivex
// reads, being stricter about cells that hold less than their fields, but never read it
// otherwise.
#pragma once

#include <hivex.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/code_page.h"
#include "common/utf.h"
#include "hive/hive_cells.h"
#include "hive/hive_registry_api.h"

namespace hive_oracle {

struct Free {
  void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Malloced = std::unique_ptr<T, Free>;

// A name as hivex gives it: a C string, so only up to a NUL the name may hold.
inline std::string AsHivexNames(std::u16string_view name) {
  return Utf16ToUtf8(name.substr(0, name.find(u'\0')));
}

inline std::u16string Folded(std::u16string units) {
  for (char16_t& unit : units) unit = UpperCaseUnit(unit);
  return units;
}

class Walk {
 public:
  Walk(std::string_view image, hive_h* hivex, bool strict)
      : hivex_(hivex),
        registry_(image, "hive", kCodePageUtf8),
        strict_(strict),
        budget_(image.size() / 80 + 1) {
    cells_.Open(image);
  }

  // The first difference, empty when there is none.
  std::string Compare() {
    // hivex's handles are offsets from the file's start, ours from the bins'.
    if (cells_.Root() + 0x1000 != hivex_root(hivex_)) {
      Missing("\\", "another root key");
      return difference_;
    }
    RegKey root = 0;
    registry_.OpenKeyExW(kHKeyLocalMachine, u"SYSTEM", 0, kKeyRead, &root);
    Key(cells_.Root(), hivex_root(hivex_), root, "\\", 0);
    registry_.CloseKey(root);
    return difference_;
  }

 private:
  void Differ(const std::string& path, const std::string& what) {
    if (difference_.empty()) difference_ = path + ": " + what;
  }
  // Whether the registry calls can name an entry alone: by a name without a NUL (nor, for a
  // key, a backslash or nothing at all), that no entry before it has in any case. Each name is
  // kept in seen.
  static bool NamedAlone(std::vector<std::u16string>& seen, std::u16string_view name, bool key) {
    const std::u16string folded = Folded(std::u16string(name));
    const bool alone = std::find(seen.begin(), seen.end(), folded) == seen.end() &&
                       name.find(u'\0') == name.npos &&
                       (!key || (!name.empty() && name.find(u'\\') == name.npos));
    seen.push_back(folded);
    return alone;
  }
  // What hivex reads and ours finds damaged.
  void Missing(const std::string& path, const std::string& what) {
    if (strict_) Differ(path, what);
  }

  // handle: the key opened through the registry back end, 0 where its name is not one that
  // opens it alone (a sibling of the same name in another case, in a damaged hive).
  void Key(std::uint32_t offset, hive_node_h node, RegKey handle, const std::string& path,
           int depth) {
    if (!difference_.empty() || depth > 512 || budget_ == 0) return;
    --budget_;
    const std::optional<HiveKey> key = cells_.Key(offset);
    if (!key) return Missing(path, "no key node");
    Malloced<char> name(hivex_node_name(hivex_, node));
    if (name && AsHivexNames(StoredName(key->name, key->compressedName)) != name.get()) {
      return Differ(path, "name");
    }
    // hivex gives a time with its top bit set as -1.
    const std::int64_t time = hivex_node_timestamp(hivex_, node);
    if (time >= 0 ? static_cast<std::uint64_t>(time) != key->lastWritten
                  : key->lastWritten >> 63 == 0) {
      return Differ(path, "last-written time");
    }
    std::uint64_t seamTime = 0;
    if (handle &&
        registry_.QueryInfoKeyW(handle, nullptr, nullptr, nullptr, nullptr, nullptr, &seamTime) ==
            kErrorSuccess &&
        seamTime != (key->lastWritten >> 63 ? 0 : key->lastWritten)) {
      return Differ(path, "last-written time through the registry calls");
    }
    Values(*key, node, handle, path);
    Malloced<hive_node_h> children(hivex_node_children(hivex_, node));
    std::vector<HiveKey> subkeys;
    const bool ours = cells_.Subkeys(*key, subkeys);
    if (!children) return;
    std::size_t count = 0;
    while (children.get()[count]) ++count;
    if (!ours || subkeys.size() != count) return Missing(path, "number of subkeys");
    std::vector<std::u16string> seen;
    for (std::size_t i = 0; i < count; ++i) {
      // A key that lists itself: ours reads the entry as damaged.
      if (subkeys[i].offset == 0 && children.get()[i] == node) continue;
      const std::u16string wide = StoredName(subkeys[i].name, subkeys[i].compressedName);
      RegKey child = 0;
      if (NamedAlone(seen, wide, true) && handle &&
          registry_.OpenKeyExW(handle, wide.c_str(), 0, kKeyRead, &child) != kErrorSuccess) {
        return Differ(path, "subkey " + Utf16ToUtf8(wide) + " does not open");
      }
      Key(subkeys[i].offset, children.get()[i], child, path + Utf16ToUtf8(wide) + "\\", depth + 1);
      if (child) registry_.CloseKey(child);
    }
  }

  void Values(const HiveKey& key, hive_node_h node, RegKey handle, const std::string& path) {
    Malloced<hive_value_h> values(hivex_node_values(hivex_, node));
    if (!values) return;
    std::vector<HiveValue> ours;
    std::size_t count = 0;
    while (values.get()[count]) ++count;
    if (!cells_.Values(key, ours) || ours.size() != count) {
      return Missing(path, "number of values");
    }
    std::vector<std::u16string> seen;
    for (std::size_t i = 0; i < count; ++i) {
      const HiveValue& value = ours[i];
      const std::u16string wide = StoredName(value.name, value.compressedName);
      const std::string where = path + "[" + Utf16ToUtf8(wide) + "]";
      const bool alone = NamedAlone(seen, wide, false);
      Malloced<char> name(hivex_value_key(hivex_, values.get()[i]));
      if (name && AsHivexNames(wide) != name.get()) return Differ(where, "value name");
      // Any 32-bit type, received as a number: most are no value of hivex's enum.
      std::uint32_t type = 0;
      std::size_t length = 0;
      Malloced<char> bytes(
          hivex_value_value(hivex_, values.get()[i], reinterpret_cast<hive_type*>(&type), &length));
      if (!bytes) continue;  // hivex cannot read it: ours may
      std::string data;
      if (!cells_.ValueData(value, data)) return Missing(where, "data unreadable");
      if (type != value.type) return Differ(where, "type");
      if (data != std::string_view(bytes.get(), length)) return Differ(where, "data");
      if (!handle || !alone) continue;
      std::uint32_t seamType = 0;
      std::uint32_t size = static_cast<std::uint32_t>(data.size()) + 2;
      std::string seam(size, '\0');
      if (registry_.QueryValueExW(handle, wide.c_str(), &seamType,
                                  reinterpret_cast<std::uint8_t*>(seam.data()),
                                  &size) != kErrorSuccess ||
          seamType != value.type || std::string_view(seam).substr(0, size) != data) {
        return Differ(where, "data through the registry calls");
      }
    }
  }

  hive_h* hivex_;
  HiveCells cells_;
  HiveRegistryApi registry_;
  bool strict_;
  std::size_t budget_;  // keys left to visit: a hive whose lists loop ends with it
  std::string difference_;
};

// Compares what our reader and hivex read of image, which hivex has opened: the first
// difference, empty when there is none. EHiveError when ours refuses the hive.
inline std::string CompareWithHivex(std::string_view image, hive_h* hivex, bool strict) {
  return Walk(image, hivex, strict).Compare();
}

}  // namespace hive_oracle
