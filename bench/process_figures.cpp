#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "figures.h"
#include "logic/plan_table.h"
#include "logic/profile_rewrite.h"
#include "plain_copy.h"
#include "processes.h"
#include "profiles.h"
#include "statistics.h"

namespace planchoice::bench {
namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t kTargetGrowthKib = 256;
constexpr const char* kPlan = "Sorvel 25";
constexpr const char* kSection = "Kelvarin Online";

// What each tool must have made of the profile's start.
std::string RewrittenStart() {
  return "[" + std::string(kSection) + "]\r\nPhone0=" + std::string(LookUpAccessNumber(kPlan)) +
         "\r\n";
}

bool StartsRewritten(const fs::path& profile) {
  const std::string expected = RewrittenStart();
  std::string start(expected.size(), '\0');
  std::ifstream(profile, std::ios::binary).read(start.data(), static_cast<long>(start.size()));
  return start == expected;
}

// A tool's run: one command, or a few run one after the other.
using Commands = std::vector<std::vector<std::string>>;

struct Tool {
  const char* name;
  Commands (*commands)(const Settings&, const fs::path& directory);
};

std::vector<std::string> SedCommand(const fs::path& directory) {
  return {"sed", "-i", "s/^Phone0=[0-9]*/Phone0=" + std::string(LookUpAccessNumber(kPlan)) + "/",
          ProfilePath(directory.u8string())};
}

const Tool kTools[] = {
    {"planset",
     [](const Settings& settings, const fs::path& directory) {
       return Commands{{settings.planset, directory.u8string(), kPlan}};
     }},
    {"sed -i",
     [](const Settings&, const fs::path& directory) { return Commands{SedCommand(directory)}; }},
    // As durable as planset: the new file and its directory entry flushed.
    {"sed -i; sync",
     [](const Settings&, const fs::path& directory) {
       return Commands{SedCommand(directory),
                       {"sync", ProfilePath(directory.u8string()), directory.u8string()}};
     }},
    {"crudini --set",
     [](const Settings&, const fs::path& directory) {
       return Commands{{"crudini", "--set", ProfilePath(directory.u8string()), kSection, "Phone0",
                        std::string(LookUpAccessNumber(kPlan))}};
     }},
};

// Where the tools the target names stand in kTools; planset is first.
constexpr std::size_t kSed = 1;
constexpr std::size_t kCrudini = 3;

double TimePrograms(const Commands& commands) {
  double seconds = 0;
  for (const std::vector<std::string>& command : commands) {
    seconds += TimeProgram(command);
  }
  return seconds;
}

// More runs where a run is quick and varies most.
int RunsFor(std::uint64_t size) {
  if (size <= (64 << 10)) {
    return 31;
  }
  return size <= (1 << 20) ? 11 : size <= (16 << 20) ? 5 : 3;
}

double MedianCopySeconds(int runs, const std::string& directory, Durability durability) {
  std::vector<double> times;
  for (int run = 0; run < runs; ++run) {
    times.push_back(Seconds([&] { CopyThroughWorkFile(directory, durability); }));
  }
  return Median(times);
}

std::string Milliseconds(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, seconds < 0.01 ? "%.2f ms" : "%.0f ms", seconds * 1000);
  return text;
}

}  // namespace

void ReportPeakMemory(const Settings& settings) {
  std::printf("\n### Peak resident memory of planset (VmHWM of its own process)\n\n");
  std::printf("| profile | %s | %s | growth | target <= %llu KiB |\n|---|---:|---:|---:|---|\n",
              SizeText(1 << 20).c_str(), SizeText(settings.huge_size).c_str(),
              static_cast<unsigned long long>(kTargetGrowthKib));
  const struct {
    Shape shape;
    const char* name;
  } shapes[] = {{Shape::kOrdinaryLines, "ordinary lines"}, {Shape::kOneLongLine, "one line"}};
  for (const auto& [shape, name] : shapes) {
    std::uint64_t peaks[2] = {};
    const std::uint64_t sizes[2] = {1 << 20, settings.huge_size};
    for (int i = 0; i < 2; ++i) {
      const fs::path directory = FreshDirectory(settings, "memory");
      WriteProfile(ProfilePath(directory.u8string()), shape, sizes[i]);
      peaks[i] = PeakResidentKib({settings.planset, directory.u8string(), kPlan});
      fs::remove_all(directory);
    }
    const long long growth = static_cast<long long>(peaks[1]) - static_cast<long long>(peaks[0]);
    std::printf("| %s | %llu KiB | %llu KiB | %lld KiB | %s |\n", name,
                static_cast<unsigned long long>(peaks[0]),
                static_cast<unsigned long long>(peaks[1]), growth,
                growth <= static_cast<long long>(kTargetGrowthKib) ? "met" : "**not met**");
  }
}

void ReportAgainstOtherTools(const Settings& settings) {
  std::printf("\n### planset against sed -i and crudini --set, whole process, median\n\n");
  std::printf("| profile | runs |");
  for (const Tool& tool : kTools) {
    std::printf(" %s |", tool.name);
  }
  std::printf(" faster than sed -i and crudini | planset's flushes |\n|---|---:|");
  for (std::size_t column = 0; column < std::size(kTools); ++column) {
    std::printf("---:|");
  }
  std::printf("---|---:|\n");

  for (const std::uint64_t size : settings.tool_sizes) {
    const int runs = RunsFor(size);
    const fs::path original = FreshDirectory(settings, "original") / "kelvarin.cmp";
    WriteProfile(original.u8string(), Shape::kOrdinaryLines, size);

    // Each tool works on its own copy; the runs take turns, so that a busy
    // moment of the machine does not fall on one tool alone.
    std::vector<Commands> commands;
    std::vector<fs::path> profiles;
    for (const Tool& tool : kTools) {
      const fs::path directory =
          FreshDirectory(settings, "tool-" + std::to_string(profiles.size()));
      profiles.push_back(ProfilePath(directory.u8string()));
      fs::copy_file(original, profiles.back());
      commands.push_back(tool.commands(settings, directory));
      if (size <= (1 << 20)) {
        TimePrograms(commands.back());  // brings the programs' own files into the page cache
      }
    }
    std::vector<std::vector<double>> times(std::size(kTools));
    for (int run = 0; run < runs; ++run) {
      for (std::size_t tool = 0; tool < std::size(kTools); ++tool) {
        times[tool].push_back(TimePrograms(commands[tool]));
      }
    }
    for (std::size_t tool = 0; tool < std::size(kTools); ++tool) {
      if (!StartsRewritten(profiles[tool])) {
        throw std::runtime_error(std::string(kTools[tool].name) + " did not set the number");
      }
    }

    // What planset pays for putting the profile on stable storage, which
    // sed -i does not do: a plain copy with and without the two flushes.
    const std::string copy_directory = original.parent_path().u8string();
    const double flushes = MedianCopySeconds(runs, copy_directory, Durability::kStableStorage) -
                           MedianCopySeconds(runs, copy_directory, Durability::kNone);

    std::printf("| %s | %d |", SizeText(size).c_str(), runs);
    std::vector<double> medians;
    for (const std::vector<double>& tool_times : times) {
      medians.push_back(Median(tool_times));
      std::printf(" %s |", Milliseconds(medians.back()).c_str());
    }
    const bool fastest = medians[0] < medians[kSed] && medians[0] < medians[kCrudini];
    std::printf(" %s | %s |\n", fastest ? "yes" : "**no**", Milliseconds(flushes).c_str());
    std::fflush(stdout);
    for (std::size_t tool = 0; tool < std::size(kTools); ++tool) {
      fs::remove_all(profiles[tool].parent_path());
    }
  }
  fs::remove_all(settings.scratch / "original");
}

}  // namespace planchoice::bench
