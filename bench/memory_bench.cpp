// The rewrite in memory, apart from the file system, and a plain copy through
// one buffer of the rewrite's size for comparison.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "logic/line_rewrite.h"
#include "logic/plan_table.h"
#include "profiles.h"
#include "support/memory_streams.h"

namespace planchoice::bench {
namespace {

using testing::MemorySource;
using testing::StringSink;

// The sink keeps its storage from one pass to the next, so that a timed pass
// costs a copy of the output but no allocation.
template <typename Pass>
void PassOverProfile(benchmark::State& state, const std::string& profile, Pass pass) {
  StringSink out;
  MemorySource first(profile);
  pass(first, out);
  for (auto _ : state) {
    MemorySource in(profile);
    out.Clear();
    pass(in, out);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(profile.size()));
}

void RewriteInMemory(benchmark::State& state, Shape shape, const char* line_end) {
  const std::string profile =
      MakeProfile(shape, static_cast<std::uint64_t>(state.range(0)), line_end);
  const std::string number(LookUpAccessNumber("Sorvel 25"));
  PassOverProfile(state, profile,
                  [&](MemorySource& in, StringSink& out) { RewriteLines(in, out, number); });
}

void CopyInMemory(benchmark::State& state, Shape shape, const char* line_end) {
  const std::string profile =
      MakeProfile(shape, static_cast<std::uint64_t>(state.range(0)), line_end);
  std::vector<char> buffer(kDefaultBufferSize);
  PassOverProfile(state, profile, [&](MemorySource& in, StringSink& out) {
    while (const std::size_t count = in.Read(buffer.data(), buffer.size())) {
      out.Write(buffer.data(), count);
    }
  });
}

BENCHMARK_CAPTURE(RewriteInMemory, crlf, Shape::kOrdinaryLines, "\r\n")
    ->Arg(kTypicalSize)
    ->Arg(kLargeSize);
BENCHMARK_CAPTURE(RewriteInMemory, lf, Shape::kOrdinaryLines, "\n")->Arg(kLargeSize);
BENCHMARK_CAPTURE(RewriteInMemory, lone_cr, Shape::kOrdinaryLines, "\r")->Arg(kLargeSize);
BENCHMARK_CAPTURE(RewriteInMemory, one_line, Shape::kOneLongLine, "\r\n")->Arg(kLargeSize);
BENCHMARK_CAPTURE(CopyInMemory, crlf, Shape::kOrdinaryLines, "\r\n")->Arg(kLargeSize);

}  // namespace
}  // namespace planchoice::bench
