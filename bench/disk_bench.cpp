// The rewrite on disk, against a plain copy of the profile through the same
// steps, and how much memory the rewrite needs as the profile grows.
#include <benchmark/benchmark.h>

#include <fstream>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "logic/line_rewrite.h"
#include "logic/plan_table.h"
#include "logic/profile_rewrite.h"
#include "platform/file.h"
#include "profiles.h"
#include "support/scratch_dir.h"

namespace planchoice::bench {
namespace {

using testing::ScratchDir;

// A directory that holds a profile of that shape and size, made on first use
// and removed when the benchmark ends.
std::string ProfileDirectory(Shape shape, std::int64_t size) {
  static std::map<std::pair<Shape, std::int64_t>, std::unique_ptr<ScratchDir>> made;
  std::unique_ptr<ScratchDir>& directory = made[{shape, size}];
  if (!directory) {
    directory = std::make_unique<ScratchDir>("planchoice-bench");
    WriteProfile(ProfilePath(directory->Utf8()), shape, static_cast<std::uint64_t>(size));
  }
  return directory->Utf8();
}

// What RewriteProfile does, less the rewrite: the profile copied unchanged to
// the work file, which is flushed, given the profile's identity, and then
// takes the profile's place.
void CopyThroughWorkFile(const std::string& directory) {
  const Folder folder(ProfilePath(directory), WorkPath(directory));
  ProfileFile profile(folder);
  WorkFile work(profile);
  std::vector<char> buffer(kDefaultBufferSize);
  while (const std::size_t count = profile.Read(buffer.data(), buffer.size())) {
    work.Write(buffer.data(), count);
  }
  work.Flush();
  work.TakeIdentityOf(profile);
  work.Replace(profile);
}

// The process's peak resident memory, in bytes, since it was last reset.
double PeakResident() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmHWM:", 0) == 0) {
      return std::stod(line.substr(6)) * 1024;
    }
  }
  throw std::runtime_error("no VmHWM in /proc/self/status");
}

// Lowers the peak to what the process holds now.
void ResetPeakResident() {
  std::ofstream("/proc/self/clear_refs") << "5";
}

void CopyOnDisk(benchmark::State& state, Shape shape) {
  const std::string directory = ProfileDirectory(shape, state.range(0));
  for (auto _ : state) {
    CopyThroughWorkFile(directory);
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}

void RewriteOnDisk(benchmark::State& state, Shape shape) {
  const std::string directory = ProfileDirectory(shape, state.range(0));
  const std::string number(LookUpAccessNumber("Sorvel 25"));
  ResetPeakResident();
  const double resident = PeakResident();
  for (auto _ : state) {
    RewriteProfile(directory, number);
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
  state.counters["peak_growth"] = benchmark::Counter(
      PeakResident() - resident, benchmark::Counter::kDefaults, benchmark::Counter::kIs1024);
}

BENCHMARK_CAPTURE(CopyOnDisk, lines, Shape::kOrdinaryLines)->Arg(kLargeSize)->UseRealTime();
BENCHMARK_CAPTURE(CopyOnDisk, one_line, Shape::kOneLongLine)->Arg(kLargeSize)->UseRealTime();
BENCHMARK_CAPTURE(RewriteOnDisk, lines, Shape::kOrdinaryLines)
    ->ArgsProduct({{kTypicalSize, kSmallSize, kLargeSize, kHugeSize}})
    ->UseRealTime();
BENCHMARK_CAPTURE(RewriteOnDisk, one_line, Shape::kOneLongLine)
    ->ArgsProduct({{kSmallSize, kLargeSize, kHugeSize}})
    ->UseRealTime();

}  // namespace
}  // namespace planchoice::bench
