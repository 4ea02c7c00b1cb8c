// The floor of tolvane-list over a hive file: the file read whole into fresh memory of the
// program's own, as the listing reads it (ReadWholeFile, in huge pages where the system allows
// them), and nothing else. Timed as a process by scripts/bench, next to cat and tolvane-list.
// usage: read_floor HIVE
#include <cstdio>
#include <string>

#include "hive/hive_file.h"
#include "hive/hive_image.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: read_floor HIVE\n", stderr);
    return 2;
  }
  HiveMemory bytes;
  const std::string why = ReadWholeFile(argv[1], kLargestHive, "too large", bytes);
  if (!why.empty()) {
    std::fprintf(stderr, "read_floor: %s: %s\n", argv[1], why.c_str());
    return 1;
  }
  return 0;
}
