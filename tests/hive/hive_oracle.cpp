// Compares our hive reader with libhivex on each hive named: prints one line a hive, "same",
// "not opened by hivex" (nothing to compare), or the first difference; exits 1 on a difference.
// usage: hive_oracle HIVE...
#include <cstdio>
#include <fstream>
#include <sstream>

#include "hive_oracle.h"

int main(int argc, char** argv) {
  int status = 0;
  for (int i = 1; i < argc; ++i) {
    std::ifstream file(argv[i], std::ios::binary);
    std::stringstream bytes;
    bytes << file.rdbuf();
    const std::string image = bytes.str();
    hive_h* hivex = hivex_open(argv[i], 0);
    if (!hivex) {
      std::printf("%s: not opened by hivex\n", argv[i]);
      continue;
    }
    std::string difference;
    try {
      difference = hive_oracle::CompareWithHivex(image, hivex, true);
    } catch (const EHiveError& e) {
      difference = "refused: " + e.Message();
    }
    hivex_close(hivex);
    std::printf("%s: %s\n", argv[i], difference.empty() ? "same" : difference.c_str());
    if (!difference.empty()) status = 1;
  }
  return status;
}
