// The timeline and the diff against what they are made of, in one process: the timeline of a
// hive against each of its views listed one by one, and --diff OLD NEW against listing both
// hives, all in JSON Lines into a counting file seam, in turns; the figures are the ratios of
// their medians.   usage: timeline_bench OLD NEW [ROUNDS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "bench/counting_file_api.h"
#include "hive/hive_image.h"
#include "hive/hive_registry_api.h"
#include "cli/list_command.h"

namespace {

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: timeline_bench OLD NEW [ROUNDS]\n");
    return 2;
  }
  const int rounds = argc > 3 ? std::atoi(argv[3]) : 9;
  const ListHost host{[](const std::string& hive, const std::function<void(RegistryApi&)>& use) {
                        const HiveImage image = LoadHive(hive, {}, true);
                        HiveRegistryApi registry(image.bytes, hive, kCodePageWestern);
                        use(registry);
                      },
                      [](const std::string&) {},
                      [](long code) { return "code " + std::to_string(code); }};
  // Milliseconds of one run, or -1 when it fails.
  const auto timed = [&](ListOptions options) {
    options.format = ListFormat::kJsonLines;
    CountingFileApi files;
    const auto start = std::chrono::steady_clock::now();
    const int status = RunList(options, ListSource::kHiveFile, files, host);
    const auto stop = std::chrono::steady_clock::now();
    return status ? -1.0 : std::chrono::duration<double, std::milli>(stop - start).count();
  };
  // The views the hive holds: those with times that list it.
  std::vector<const ViewSchema*> held;
  for (const ViewSchema& view : Views()) {
    if (view.times.empty() || view.name == "timeline") continue;
    ListOptions options;
    options.view = &view;
    options.hives = {argv[1]};
    if (timed(options) >= 0) held.push_back(&view);
  }
  std::vector<double> views, timeline, both, diff;
  for (int round = 0; round < rounds; ++round) {
    double sum = 0;
    for (const ViewSchema* view : held) {
      ListOptions options;
      options.view = view;
      options.hives = {argv[1]};
      sum += timed(options);
    }
    views.push_back(sum);
    ListOptions options;
    options.view = FindView("timeline");
    options.hives = {argv[1]};
    timeline.push_back(timed(options));
    options = ListOptions();
    options.hives = {argv[1], argv[2]};
    both.push_back(timed(options));
    options.diff = true;
    diff.push_back(timed(options));
  }
  for (const auto* times : {&timeline, &both, &diff}) {
    if (std::count(times->begin(), times->end(), -1.0)) {
      std::fprintf(stderr, "timeline_bench: a run failed\n");
      return 1;
    }
  }
  std::printf("%d rounds each, in turns; %zu views of %s with times\n", rounds, held.size(),
              argv[1]);
  std::printf("views one by one: %.2f ms, timeline: %.2f ms (medians)\n", Median(views),
              Median(timeline));
  std::printf("timeline / views one by one: %.3f\n", Median(timeline) / Median(views));
  std::printf("listing both hives: %.2f ms, --diff: %.2f ms (medians)\n", Median(both),
              Median(diff));
  std::printf("diff / listing both: %.3f\n", Median(diff) / Median(both));
  return 0;
}
