// A view of tolvane-list in JSON Lines against the least any reader of the same rows must do:
// open the hive and walk, through hivex, the same keys and values of the control set Select
// names (its "Current", the computer name, and for the records the Class key, every class and
// its "Class" value, every instance with its timestamp, the nine driver values and
// DriverDateData; for the devices every instance key under Enum with its timestamp, its eleven
// values, the DriverDesc of the record its Driver names and its four property times; for the
// services every Service value under Enum, then every key under Services with its Type and,
// for a driver's, its timestamp and eight values; for the packages every key under
// DriverDatabase\DriverPackages with its timestamp and eight values, the Class value of the
// class its Version names and the Active value of its published name; for the files every key
// under Root\InventoryDriverBinary with its timestamp and seventeen values), each with its
// data. Both run in turns in one process; the figure is the ratio of their medians. With LIST,
// the view (files) is also run with --known-vulnerable LIST, in turns with the run without it.
// usage: hive_list_bench HIVE [ROUNDS [VIEW [LIST]]]
#include <hivex.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "bench/counting_file_api.h"
#include "cli/known_vulnerable.h"
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

std::string Text(hive_h* hive, hive_node_h node, const char* name) {
  const hive_value_h value = node ? hivex_node_get_value(hive, node, name) : 0;
  char* text = value ? hivex_value_string(hive, value) : nullptr;
  std::string copy = text ? text : "";
  std::free(text);
  return copy;
}

hive_node_h Child(hive_h* hive, hive_node_h node, const char* path) {
  std::string names(path);
  for (char* name = std::strtok(names.data(), "\\"); name && node;
       name = std::strtok(nullptr, "\\")) {
    node = hivex_node_get_child(hive, node, name);
  }
  return node;
}

// The rows of one control set, as a bare walk reads them: returns the bytes of data read.
using Walk = std::size_t (*)(hive_h* hive, hive_node_h root, hive_node_h set, std::size_t& rows);

std::size_t Records(hive_h* hive, hive_node_h, hive_node_h set, std::size_t& records) {
  std::size_t bytes = 0;
  hive_node_h* classes = hivex_node_children(hive, Child(hive, set, "Control\\Class"));
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
  return bytes;
}

// Calls visit on every instance key Enum\<enumerator>\<device>\<instance> of the set.
template <typename Visit>
void Instances(hive_h* hive, hive_node_h set, Visit visit) {
  hive_node_h* enumerators = hivex_node_children(hive, Child(hive, set, "Enum"));
  for (hive_node_h* enumerator = enumerators; enumerators && *enumerator; ++enumerator) {
    hive_node_h* devices = hivex_node_children(hive, *enumerator);
    for (hive_node_h* device = devices; *device; ++device) {
      hive_node_h* instances = hivex_node_children(hive, *device);
      for (hive_node_h* instance = instances; *instance; ++instance) visit(*instance);
      std::free(instances);
    }
    std::free(devices);
  }
  std::free(enumerators);
}

std::size_t Devices(hive_h* hive, hive_node_h, hive_node_h set, std::size_t& devices) {
  std::size_t bytes = 0;
  Instances(hive, set, [&](hive_node_h instance) {
    ++devices;
    char* name = hivex_node_name(hive, instance);
    bytes += std::strlen(name) + static_cast<std::size_t>(hivex_node_timestamp(hive, instance) & 1);
    std::free(name);
    for (const char* value :
         {"DeviceDesc", "FriendlyName", "Mfg", "ClassGUID", "Class", "HardwareID", "CompatibleIDs",
          "Service", "ContainerID", "ConfigFlags"}) {
      bytes += ValueBytes(hive, instance, value);
    }
    const std::string driver = Text(hive, instance, "Driver");
    bytes += driver.size();
    if (!driver.empty()) {
      const std::string record = "Control\\Class\\" + driver;
      bytes += Text(hive, Child(hive, set, record.c_str()), "DriverDesc").size();
    }
    const hive_node_h times =
        Child(hive, instance, "Properties\\{83da6326-97a6-4088-9453-a1923f573b29}");
    for (const char* id : {"0064", "0065", "0066", "0067"}) {
      const hive_node_h property = times ? Child(hive, times, id) : 0;
      if (!property) continue;
      const std::size_t data = ValueBytes(hive, property, "");
      bytes += data ? data : ValueBytes(hive, Child(hive, property, "00000000"), "Data");
    }
  });
  return bytes;
}

std::size_t Services(hive_h* hive, hive_node_h, hive_node_h set, std::size_t& services) {
  std::size_t bytes = 0;
  Instances(hive, set,
            [&](hive_node_h instance) { bytes += Text(hive, instance, "Service").size(); });
  hive_node_h* keys = hivex_node_children(hive, Child(hive, set, "Services"));
  for (hive_node_h* key = keys; *key; ++key) {
    const hive_value_h type = hivex_node_get_value(hive, *key, "Type");
    const std::int32_t number = type ? hivex_value_dword(hive, type) : 0;
    if (number != 1 && number != 2 && number != 4 && number != 8) continue;
    ++services;
    char* name = hivex_node_name(hive, *key);
    bytes += std::strlen(name) + static_cast<std::size_t>(hivex_node_timestamp(hive, *key) & 1);
    std::free(name);
    for (const char* value : {"DisplayName", "Description", "Start", "ErrorControl", "Group", "Tag",
                              "ImagePath", "Owners"}) {
      bytes += ValueBytes(hive, *key, value);
    }
  }
  std::free(keys);
  return bytes;
}

std::size_t Packages(hive_h* hive, hive_node_h root, hive_node_h set, std::size_t& packages) {
  std::size_t bytes = 0;
  const hive_node_h infFiles = Child(hive, root, "DriverDatabase\\DriverInfFiles");
  hive_node_h* keys =
      hivex_node_children(hive, Child(hive, root, "DriverDatabase\\DriverPackages"));
  for (hive_node_h* key = keys; *key; ++key, ++packages) {
    char* name = hivex_node_name(hive, *key);
    bytes += std::strlen(name) + static_cast<std::size_t>(hivex_node_timestamp(hive, *key) & 1);
    std::free(name);
    for (const char* value :
         {"Provider", "InfName", "SignerName", "SignerScore", "ImportDate", "Catalog"}) {
      bytes += ValueBytes(hive, *key, value);
    }
    const std::string published = Text(hive, *key, "");
    const hive_value_h version = hivex_node_get_value(hive, *key, "Version");
    hive_type type{};
    std::size_t length = 0;
    char* data = version ? hivex_value_value(hive, version, &type, &length) : nullptr;
    if (data && length >= 24 && set) {
      const auto* b = reinterpret_cast<const unsigned char*>(data);
      char guid[64];
      std::snprintf(guid, sizeof guid,
                    "Control\\Class\\{%02x%02x%02x%02x-%02x%02x-%02x%02x-%02x%02x-"
                    "%02x%02x%02x%02x%02x%02x}",
                    b[11], b[10], b[9], b[8], b[13], b[12], b[15], b[14], b[16], b[17], b[18],
                    b[19], b[20], b[21], b[22], b[23]);
      bytes += Text(hive, Child(hive, set, guid), "Class").size();
    }
    std::free(data);
    bytes += published.size() + length;
    if (!published.empty() && infFiles) {
      bytes += Text(hive, Child(hive, infFiles, published.c_str()), "Active").size();
    }
  }
  std::free(keys);
  return bytes;
}

std::size_t Files(hive_h* hive, hive_node_h root, hive_node_h, std::size_t& files) {
  std::size_t bytes = 0;
  hive_node_h* keys = hivex_node_children(hive, Child(hive, root, "Root\\InventoryDriverBinary"));
  for (hive_node_h* key = keys; *key; ++key, ++files) {
    char* name = hivex_node_name(hive, *key);
    bytes += std::strlen(name) + static_cast<std::size_t>(hivex_node_timestamp(hive, *key) & 1);
    std::free(name);
    for (const char* value :
         {"DriverId", "DriverName", "DriverCompany", "Product", "ProductVersion", "DriverVersion",
          "DriverSigned", "DriverInBox", "DriverIsKernelMode", "DriverTimeStamp",
          "DriverLastWriteTime", "ImageSize", "Service", "Inf", "DriverPackageStrongName",
          "WdfVersion"}) {
      bytes += ValueBytes(hive, *key, value);
    }
  }
  std::free(keys);
  return bytes;
}

std::string ReadList(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) throw Exception(std::strerror(errno));
  std::string text;
  char buffer[65536];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) text.append(buffer, n);
  std::fclose(file);
  return text;
}

std::size_t BareWalk(const char* path, Walk walk, std::size_t& rows) {
  hive_h* hive = hivex_open(path, 0);
  if (!hive) {
    std::perror(path);
    std::exit(1);
  }
  const hive_node_h root = hivex_root(hive);
  // An Amcache or DRIVERS hive has no control set.
  const hive_node_h select = Child(hive, root, "Select");
  std::size_t bytes = 0;
  hive_node_h setKey = 0;
  if (select) {
    bytes += ValueBytes(hive, select, "Current");
    char set[32];
    std::snprintf(set, sizeof set, "ControlSet%03d",
                  hivex_value_dword(hive, hivex_node_get_value(hive, select, "Current")));
    setKey = Child(hive, root, set);
    bytes += ValueBytes(hive, Child(hive, setKey, "Control\\ComputerName\\ComputerName"),
                        "ComputerName");
  }
  rows = 0;
  bytes += walk(hive, root, setKey, rows);
  hivex_close(hive);
  return bytes;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const ViewSchema* view = FindView(argc > 3 ? argv[3] : "records");
  if (argc < 2 || !view) {
    std::fprintf(stderr, "usage: hive_list_bench HIVE [ROUNDS [VIEW]]\n");
    return 2;
  }
  const Walk walk = view->name == "devices"    ? Devices
                    : view->name == "services" ? Services
                    : view->name == "packages" ? Packages
                    : view->name == "files"    ? Files
                                               : Records;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 9;
  std::vector<double> bare;
  std::vector<double> list;
  std::vector<double> load;
  std::size_t rows = 0;
  std::size_t output = 0;
  ListOptions options;
  options.format = ListFormat::kJsonLines;
  options.view = view;
  options.hives = {argv[1]};
  // The hive is read whole into memory of its own and its bins found before the walk, and that
  // memory given back after it: both timed apart.
  std::chrono::steady_clock::duration loading{};
  const ListHost host{[&](const std::string& hive, const std::function<void(RegistryApi&)>& use) {
                        auto begin = std::chrono::steady_clock::now();
                        std::optional<HiveImage> image(LoadHive(hive, {}, true));
                        std::optional<HiveRegistryApi> registry;
                        registry.emplace(image->bytes, hive, kCodePageWestern);
                        loading = std::chrono::steady_clock::now() - begin;
                        use(*registry);
                        begin = std::chrono::steady_clock::now();
                        registry.reset();
                        image.reset();
                        loading += std::chrono::steady_clock::now() - begin;
                      },
                      [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); },
                      [](long code) { return "code " + std::to_string(code); }, ReadList};
  ListOptions checked = options;
  if (argc > 4) checked.knownVulnerable = argv[4];
  std::vector<double> withList;
  std::vector<double> parsing;
  for (int round = 0; round < rounds; ++round) {
    auto start = std::chrono::steady_clock::now();
    BareWalk(argv[1], walk, rows);
    auto stop = std::chrono::steady_clock::now();
    bare.push_back(std::chrono::duration<double, std::milli>(stop - start).count());

    start = std::chrono::steady_clock::now();
    CountingFileApi files;
    if (RunList(options, ListSource::kHiveFile, files, host) != 0) return 1;
    output = files.bytes;
    stop = std::chrono::steady_clock::now();
    list.push_back(std::chrono::duration<double, std::milli>(stop - start).count());
    load.push_back(std::chrono::duration<double, std::milli>(loading).count());

    if (checked.knownVulnerable.empty()) continue;
    start = std::chrono::steady_clock::now();
    CountingFileApi checkedFiles;
    if (RunList(checked, ListSource::kHiveFile, checkedFiles, host) != 0) return 1;
    stop = std::chrono::steady_clock::now();
    withList.push_back(std::chrono::duration<double, std::milli>(stop - start).count());
    // The list's reading alone, as the run above does it once.
    start = std::chrono::steady_clock::now();
    const KnownVulnerableList list = ParseKnownVulnerable(ReadList(checked.knownVulnerable));
    stop = std::chrono::steady_clock::now();
    parsing.push_back(std::chrono::duration<double, std::milli>(stop - start).count());
  }
  const double bareMs = Median(bare);
  const double listMs = Median(list);
  std::printf("%s: hive of %zu rows, %zu bytes of JSON Lines, %d rounds each, in turns\n",
              std::string(view->name).c_str(), rows, output, rounds);
  std::printf("bare hivex walk: %.2f ms (median)\n", bareMs);
  std::printf("tolvane-list --format jsonl: %.2f ms (median)\n", listMs);
  std::printf("tolvane-list / bare: %.3f\n", listMs / bareMs);
  // Medians of the two parts, each of its own rounds.
  const double loadMs = Median(load);
  std::printf("of which reading the hive into memory and finding its bins: %.2f ms (median)\n",
              loadMs);
  std::printf("tolvane-list without reading the hive / bare: %.3f\n", (listMs - loadMs) / bareMs);
  if (!withList.empty()) {
    std::printf("tolvane-list --known-vulnerable: %.2f ms (median)\n", Median(withList));
    std::printf("tolvane-list with the list / without: %.3f\n", Median(withList) / listMs);
    std::printf("of which reading the list: %.2f ms (median)\n", Median(parsing));
    std::printf("tolvane-list with the list, but for its reading / without: %.3f\n",
                (Median(withList) - Median(parsing)) / listMs);
  }
  return 0;
}
