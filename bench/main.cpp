// The rewrite's figures: time, throughput against a plain copy, memory,
// allocations, and planset against the tools an engineer would reach for.
// Meant for a Release build: scripts/bench.sh builds and runs it.

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <iterator>
#include <set>
#include <string>

#include "figures.h"
#include "logic/line_rewrite.h"

namespace fs = std::filesystem;
using planchoice::bench::Settings;

namespace {

// Smaller profiles and fewer runs, to see quickly that everything works.
void MakeQuick(Settings& settings) {
  settings.typical_rewrites = 50;
  settings.copy_runs = 3;
  settings.large_size = 4 << 20;
  settings.huge_size = 64 << 20;
  settings.tool_sizes = {1 << 10, 64 << 10, 1 << 20};
}

struct Section {
  const char* name;
  void (*report)(const Settings&);
};

const Section kSections[] = {
    {"typical", planchoice::bench::ReportTypicalProfile},
    {"throughput", planchoice::bench::ReportThroughput},
    {"memory", planchoice::bench::ReportPeakMemory},
    {"tools", planchoice::bench::ReportAgainstOtherTools},
};

}  // namespace

int main(int argc, char** argv) {
  Settings settings;
  settings.planset = PLANSET_PROGRAM;
  settings.tool_sizes = {1 << 10, 64 << 10, 1 << 20, 16 << 20, 64 << 20};
  std::set<std::string> chosen;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    const bool known =
        std::any_of(std::begin(kSections), std::end(kSections),
                    [&](const Section& section) { return argument == section.name; });
    if (argument == "--quick") {
      MakeQuick(settings);
    } else if (known) {
      chosen.insert(argument);
    } else {
      std::fprintf(stderr, "Usage: %s [--quick] [typical|throughput|memory|tools]...\n", argv[0]);
      return 2;
    }
  }
  settings.scratch = fs::temp_directory_path() / ("planchoice-bench-" + std::to_string(getpid()));
  try {
    fs::create_directories(settings.scratch);
    std::printf("Scratch directory %s; rewrite buffers of %zu KiB.\n", settings.scratch.c_str(),
                planchoice::kDefaultBufferSize / 1024);
    for (const Section& section : kSections) {
      if (chosen.empty() || chosen.count(section.name) > 0) {
        section.report(settings);
      }
    }
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "benchmark failed: %s\n", failure.what());
    fs::remove_all(settings.scratch);
    return 1;
  }
  fs::remove_all(settings.scratch);
  return 0;
}
