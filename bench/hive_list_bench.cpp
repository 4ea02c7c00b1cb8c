// tolvane-list --hive's own cost against the least any reader of the same records must do:
// open the hive and walk, through hivex, the same keys and values (the Class key, every
// class, its "0000", the nine values and their data). Both run in turns in one process; the
// figure is the ratio of their medians.   usage: hive_list_bench HIVE [ROUNDS]
#include <hivex.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/counting_file_api.h"
#include "cli/hive_registry_api.h"
#include "cli/list_command.h"
#include "inventory/driver_row.h"

namespace {

std::size_t BareWalk(const char* path, std::size_t& classes) {
  hive_h* hive = hivex_open(path, 0);
  if (!hive) {
    std::perror(path);
    std::exit(1);
  }
  std::size_t bytes = 0;
  hive_node_h node = hivex_root(hive);
  for (const char* name : {"ControlSet002", "Control", "Class"}) {
    node = hivex_node_get_child(hive, node, name);
  }
  hive_node_h* children = hivex_node_children(hive, node);
  classes = 0;
  for (hive_node_h* child = children; *child; ++child, ++classes) {
    char* name = hivex_node_name(hive, *child);
    bytes += std::char_traits<char>::length(name);
    std::free(name);
    const hive_node_h instance = hivex_node_get_child(hive, *child, "0000");
    if (!instance) continue;
    for (const DriverColumn& column : kDriverColumns) {
      const hive_value_h value =
          hivex_node_get_value(hive, instance, std::string(column.valueName).c_str());
      if (!value) continue;
      hive_type type{};
      std::size_t length = 0;
      char* data = hivex_value_value(hive, value, &type, &length);
      bytes += length;
      std::free(data);
    }
  }
  std::free(children);
  hivex_close(hive);
  return bytes;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: hive_list_bench HIVE [ROUNDS]\n");
    return 2;
  }
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 9;
  std::vector<double> bare;
  std::vector<double> list;
  std::size_t classes = 0;
  std::size_t output = 0;
  for (int round = 0; round < rounds; ++round) {
    auto start = std::chrono::steady_clock::now();
    BareWalk(argv[1], classes);
    auto stop = std::chrono::steady_clock::now();
    bare.push_back(std::chrono::duration<double, std::milli>(stop - start).count());

    start = std::chrono::steady_clock::now();
    {
      HiveRegistryApi hive(LoadHive(argv[1], {}, true).bytes, argv[1], kCodePageWestern);
      CountingFileApi files;
      std::string error;
      if (RunList(ListOptions{}, hive, files, nullptr, error) != 0) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
      }
      output = files.bytes;
    }
    stop = std::chrono::steady_clock::now();
    list.push_back(std::chrono::duration<double, std::milli>(stop - start).count());
  }
  const double bareMs = Median(bare);
  const double listMs = Median(list);
  std::printf("hive of %zu classes, %zu bytes listed, %d rounds each, in turns\n", classes, output,
              rounds);
  std::printf("bare hivex walk: %.2f ms (median)\n", bareMs);
  std::printf("tolvane-list --hive: %.2f ms (median)\n", listMs);
  std::printf("tolvane-list / bare: %.3f\n", listMs / bareMs);
  return 0;
}
