// The floor of tolvane-list over a hive file: the file read whole into fresh memory of the
// program's own, as the listing reads it (ReadWholeFile, in huge pages where the system allows
// them), and nothing else; with BYTES, that many bytes of JSON string text then written to
// standard output, made from the hive's bytes a byte at a time through an escape table (the
// least a JSON writer does for a listing of that size). Timed as a process by scripts/bench,
// next to cat and tolvane-list.
// usage: read_floor HIVE [BYTES]
#include <cstdio>
#include <cstdlib>
#include <string>

#include "hive/hive_file.h"
#include "hive/hive_image.h"

int main(int argc, char** argv) {
  if (argc != 2 && argc != 3) {
    std::fputs("usage: read_floor HIVE [BYTES]\n", stderr);
    return 2;
  }
  HiveMemory bytes;
  const std::string why = ReadWholeFile(argv[1], kLargestHive, "too large", bytes);
  if (!why.empty()) {
    std::fprintf(stderr, "read_floor: %s: %s\n", argv[1], why.c_str());
    return 1;
  }
  if (argc == 3 && bytes.Size() != 0) {
    // Printable ASCII as it is; anything else as a letter, as if escaped in place.
    char table[256];
    for (int c = 0; c < 256; ++c) {
      table[c] = static_cast<char>(c >= 0x20 && c < 0x7F && c != '"' && c != '\\' ? c : 'u');
    }
    const std::string_view image = bytes.View();
    const unsigned long long count = std::strtoull(argv[2], nullptr, 10);
    static char out[1 << 16];
    std::size_t used = 0;
    std::size_t at = 0;
    for (unsigned long long i = 0; i < count; ++i) {
      if (used == sizeof out) {
        std::fwrite(out, 1, used, stdout);
        used = 0;
      }
      out[used++] = table[static_cast<unsigned char>(image[at])];
      at += 2;
      if (at >= image.size()) at = 0;
    }
    std::fwrite(out, 1, used, stdout);
  }
  return 0;
}
