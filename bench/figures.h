// The parts of the benchmark's report, each printed as Markdown.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace planchoice::bench {

struct Settings {
  std::filesystem::path scratch;  // holds every profile made; emptied afterwards
  std::string planset;            // the planset program
  int typical_rewrites = 500;
  int copy_runs = 11;                     // of each 64 MiB comparison
  std::uint64_t large_size = 64 << 20;    // the two throughput profiles
  std::uint64_t huge_size = 1ull << 30;   // the larger memory profile
  std::vector<std::uint64_t> tool_sizes;  // the comparison with other tools
};

// Rewrites of a typical profile, on disk and in memory.
void ReportTypicalProfile(const Settings& settings);
// Rewrite against plain copy on the large profiles; the allocations.
void ReportThroughput(const Settings& settings);
// The peak resident memory of planset on a small and a huge profile.
void ReportPeakMemory(const Settings& settings);
// planset against sed -i and crudini --set.
void ReportAgainstOtherTools(const Settings& settings);

// The directory `name` under the scratch directory, made empty.
std::filesystem::path FreshDirectory(const Settings& settings, const std::string& name);

std::string SizeText(std::uint64_t bytes);

}  // namespace planchoice::bench
