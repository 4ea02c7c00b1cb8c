// tolvane-list's inventory in JSON Lines, its own reader included, against the least any reader
// of the same records must do with libhivex: open the hive and walk the same keys and values
// (Select's "Current", the computer name, the Class key, every class and its "Class" value, every
// instance with its timestamp, the nine driver values and DriverDateData, each with its data). Both
// run in turns in one process; the figure is the ratio of their medians.   usage: hive_list_bench
// HIVE [ROUNDS]
#include <hivex.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/counting_file_api.h"
#include "hive/hive_image.h"
#include "hive/hive_registry_api.h"
#include "cli/list_command.h"

namespace {

std::size_t ValueBytes(hive_h* hive, hive_node_h node, const char* name) {
  const hive_value_h value = hivex_node_get_value(hive, node, name);
  if (!value) return 0;
  hive_type type{};
  std::size_t length = 0;
  char* data = hivex_value_value(hive, value, &type, &length);
  std::free(data);
  return length;
}

hive_node_h Child(hive_h* hive, hive_node_h node, const char* path) {
  std::string names(path);
  for (char* name = std::strtok(names.data(), "\\"); name && node;
       name = std::strtok(nullptr, "\\")) {
    node = hivex_node_get_child(hive, node, name);
  }
  return node;
}

std::size_t BareWalk(const char* path, std::size_t& records) {
  hive_h* hive = hivex_open(path, 0);
  if (!hive) {
    std::perror(path);
    std::exit(1);
  }
  const hive_node_h root = hivex_root(hive);
  std::size_t bytes = ValueBytes(hive, Child(hive, root, "Select"), "Current");
  const hive_node_h set = Child(hive, root, "ControlSet002");
  bytes +=
      ValueBytes(hive, Child(hive, set, "Control\\ComputerName\\ComputerName"), "ComputerName");
  hive_node_h* classes = hivex_node_children(hive, Child(hive, set, "Control\\Class"));
  records = 0;
  for (hive_node_h* cls = classes; *cls; ++cls) {
    char* name = hivex_node_name(hive, *cls);
    bytes += std::strlen(name);
    std::free(name);
    bytes += ValueBytes(hive, *cls, "Class");
    hive_node_h* instances = hivex_node_children(hive, *cls);
    for (hive_node_h* instance = instances; *instance; ++instance, ++records) {
      char* instanceName = hivex_node_name(hive, *instance);
      bytes += std::strlen(instanceName) +
               static_cast<std::size_t>(hivex_node_timestamp(hive, *instance) & 1);
      std::free(instanceName);
      for (const char* value :
           {"DriverDesc", "ProviderName", "DriverVersion", "DriverDate", "InfPath", "InfSection",
            "InfSectionExt", "MatchingDeviceId", "EnumPropPages32", "DriverDateData"}) {
        bytes += ValueBytes(hive, *instance, value);
      }
    }
    std::free(instances);
  }
  std::free(classes);
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
  std::vector<double> load;
  std::size_t records = 0;
  std::size_t output = 0;
  ListOptions options;
  options.format = ListFormat::kJsonLines;
  options.hives = {argv[1]};
  // The hive is read whole into memory of its own before the walk: timed apart too.
  std::chrono::steady_clock::duration loading{};
  const ListHost host{[&](const std::string& hive, const std::function<void(RegistryApi&)>& use) {
                        const auto begin = std::chrono::steady_clock::now();
                        const HiveImage image = LoadHive(hive, {}, true);
                        HiveRegistryApi registry(image.bytes, hive, kCodePageWestern);
                        loading = std::chrono::steady_clock::now() - begin;
                        use(registry);
                      },
                      [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); },
                      [](long code) { return "code " + std::to_string(code); }};
  for (int round = 0; round < rounds; ++round) {
    auto start = std::chrono::steady_clock::now();
    BareWalk(argv[1], records);
    auto stop = std::chrono::steady_clock::now();
    bare.push_back(std::chrono::duration<double, std::milli>(stop - start).count());

    start = std::chrono::steady_clock::now();
    CountingFileApi files;
    if (RunList(options, ListSource::kHiveFile, files, host) != 0) return 1;
    output = files.bytes;
    stop = std::chrono::steady_clock::now();
    list.push_back(std::chrono::duration<double, std::milli>(stop - start).count());
    load.push_back(std::chrono::duration<double, std::milli>(loading).count());
  }
  const double bareMs = Median(bare);
  const double listMs = Median(list);
  std::printf("hive of %zu instance keys, %zu bytes of JSON Lines, %d rounds each, in turns\n",
              records, output, rounds);
  std::printf("bare hivex walk: %.2f ms (median)\n", bareMs);
  std::printf("tolvane-list --format jsonl: %.2f ms (median)\n", listMs);
  std::printf("tolvane-list / bare: %.3f\n", listMs / bareMs);
  // Medians of the two parts, each of its own rounds.
  const double loadMs = Median(load);
  std::printf("of which reading the hive into memory and finding its bins: %.2f ms (median)\n",
              loadMs);
  return 0;
}
