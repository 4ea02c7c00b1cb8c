#include "cli/hive_list.h"

#include "common/message_text.h"
#include "hive/hive_file.h"
#include "hive/hive_image.h"
#include "hive/hive_registry_api.h"

void WithHiveFile(const ListOptions& options, const std::string& hive,
                  const std::function<void(const std::string& line)>& error,
                  const std::function<void(RegistryApi&)>& use) {
  const HiveImage image = LoadHive(hive, options.logPaths, !options.noLogs);
  if (const std::string said = RecoveryLine(image.recovery, hive); !said.empty()) {
    const bool unrecovered = image.recovery.dirty && image.recovery.logsUsed.empty();
    error(ListErrorLine((unrecovered ? "warning: " : "") + said));
  }
  HiveRegistryApi registry(image.bytes, hive, options.codePage);
  if (const std::string damage = registry.DamageLine(); !damage.empty()) {
    error(std::string(kListProgram) + ": warning: " + damage);
  }
  use(registry);
}

std::string OutputIsAnInput(const ListOptions& options) {
  std::vector<std::string> inputs(options.hives);
  inputs.insert(inputs.end(), options.logPaths.begin(), options.logPaths.end());
  if (!options.knownVulnerable.empty()) inputs.push_back(options.knownVulnerable);
  for (const std::string& hive : options.hives) {
    for (std::string& log : LogsBeside(hive)) inputs.push_back(std::move(log));
  }
  for (const std::string& input : inputs) {
    if (input != "-" && SameFile(input, options.outputPath)) {
      return QuotedName(options.outputPath) +
             " is one of the hives or their logs: the output never replaces an input";
    }
  }
  return "";
}

std::string ReadListFile(const std::string& path) {
  constexpr std::uint64_t kLargestList = std::uint64_t{1} << 30;
  HiveMemory bytes;
  if (const std::string why = ReadWholeFile(path, kLargestList, "too large", bytes); !why.empty()) {
    throw Exception(why);
  }
  return std::string(bytes.View());
}

int SaveRecoveredHive(const ListOptions& options,
                      const std::function<void(const std::string& line)>& error) {
  const std::string& name = options.hives.front();
  try {
    const HiveImage image = LoadHive(name, options.logPaths, !options.noLogs);
    const std::string said = RecoveryLine(image.recovery, name);
    CheckHiveBytes(image.bytes, name);
    if (image.recovery.dirty && image.recovery.logsUsed.empty()) {
      throw EHiveError(said + ": nothing written");
    }
    WriteNewFile(options.saveRecovered, image.bytes);
    if (!said.empty()) error(ListErrorLine(said));
    return 0;
  } catch (const EHiveError& e) {
    error(ListErrorLine(e.Message()));
    return 1;
  }
}
