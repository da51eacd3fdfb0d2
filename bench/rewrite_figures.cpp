#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "allocation_counter.h"
#include "figures.h"
#include "logic/line_rewrite.h"
#include "logic/plan_table.h"
#include "logic/profile_rewrite.h"
#include "memory_ends.h"
#include "plain_copy.h"
#include "profiles.h"
#include "statistics.h"

namespace planchoice::bench {
namespace {

namespace fs = std::filesystem;

constexpr double kTargetRatio = 1.15;

std::string Number() {
  return std::string(LookUpAccessNumber("Sorvel 25"));
}

const char* Verdict(bool met) {
  return met ? "met" : "**not met**";
}

// The fastest of a few passes over `bytes` in memory: the rewrite, or a copy
// through one buffer of the rewrite's size.
double RewriteInMemorySeconds(const std::string& bytes, const std::string& number) {
  std::vector<double> times;
  for (int pass = 0; pass < 5; ++pass) {
    times.push_back(Seconds([&] {
      ViewSource source(bytes);
      CountingSink sink;
      RewriteLines(source, sink, number);
    }));
  }
  return *std::min_element(times.begin(), times.end());
}

double CopyInMemorySeconds(const std::string& bytes) {
  std::vector<double> times;
  std::vector<char> buffer(kDefaultBufferSize);
  for (int pass = 0; pass < 5; ++pass) {
    times.push_back(Seconds([&] {
      ViewSource source(bytes);
      CountingSink sink;
      while (const std::size_t count = source.Read(buffer.data(), buffer.size())) {
        sink.Write(buffer.data(), count);
      }
    }));
  }
  return *std::min_element(times.begin(), times.end());
}

struct Allocations {
  std::string what;
  std::uint64_t lines;
  std::uint64_t count;
};

std::uint64_t AllocationsOfOneRewrite(const std::string& directory, const std::string& number) {
  const std::uint64_t before = AllocationCount();
  RewriteProfile(directory, number);
  return AllocationCount() - before;
}

void ReportOnDisk(const Settings& settings, const std::string& number,
                  std::vector<Allocations>& allocations) {
  std::printf("\n### Rewrite against plain copy, on disk (median of %d runs each)\n\n",
              settings.copy_runs);
  std::printf("| profile | lines | plain copy | rewrite | rewrite / copy | target <= %.2f |\n",
              kTargetRatio);
  std::printf("|---|---:|---:|---:|---:|---|\n");
  const struct {
    Shape shape;
    const char* name;
  } shapes[] = {{Shape::kOrdinaryLines, "ordinary lines"}, {Shape::kOneLongLine, "one line"}};
  for (const auto& [shape, name] : shapes) {
    const std::string directory = FreshDirectory(settings, "throughput").u8string();
    const std::uint64_t lines = WriteProfile(ProfilePath(directory), shape, settings.large_size);
    CopyThroughWorkFile(directory);
    allocations.push_back({SizeText(settings.large_size) + ", " + name, lines,
                           AllocationsOfOneRewrite(directory, number)});
    std::vector<double> copy_times;
    std::vector<double> rewrite_times;
    for (int run = 0; run < settings.copy_runs; ++run) {
      copy_times.push_back(Seconds([&] { CopyThroughWorkFile(directory); }));
      rewrite_times.push_back(Seconds([&] { RewriteProfile(directory, number); }));
    }
    const double copy = Median(copy_times);
    const double rewrite = Median(rewrite_times);
    const double bytes = static_cast<double>(settings.large_size);
    std::printf("| %s, %s | %llu | %.0f MiB/s (%.0f ms) | %.0f MiB/s (%.0f ms) | %.3f | %s |\n",
                SizeText(settings.large_size).c_str(), name, static_cast<unsigned long long>(lines),
                MebibytesPerSecond(bytes, copy), copy * 1000, MebibytesPerSecond(bytes, rewrite),
                rewrite * 1000, rewrite / copy, Verdict(rewrite / copy <= kTargetRatio));
  }
}

void ReportInMemory(const Settings& settings, const std::string& number) {
  std::printf("\n### The same work in memory, without the file system (fastest of 5)\n\n");
  std::printf("| profile | copy | rewrite | rewrite / copy |\n|---|---:|---:|---:|\n");
  const struct {
    Shape shape;
    const char* line_end;
    const char* name;
  } variants[] = {{Shape::kOrdinaryLines, "\r\n", "ordinary lines, CR LF"},
                  {Shape::kOrdinaryLines, "\n", "ordinary lines, LF"},
                  {Shape::kOrdinaryLines, "\r", "ordinary lines, lone CR"},
                  {Shape::kOneLongLine, "\r\n", "one line"}};
  for (const auto& [shape, line_end, name] : variants) {
    const ProfileText text = MakeProfile(shape, settings.large_size, line_end);
    const double bytes = static_cast<double>(text.bytes.size());
    const double copy = CopyInMemorySeconds(text.bytes);
    const double rewrite = RewriteInMemorySeconds(text.bytes, number);
    std::printf("| %s, %s | %.0f MiB/s | %.0f MiB/s | %.2f |\n",
                SizeText(settings.large_size).c_str(), name, MebibytesPerSecond(bytes, copy),
                MebibytesPerSecond(bytes, rewrite), rewrite / copy);
  }
}

}  // namespace

void ReportTypicalProfile(const Settings& settings) {
  const std::string number = Number();
  const std::string directory = FreshDirectory(settings, "typical").u8string();
  const ProfileText text = MakeProfile(Shape::kTypical, 0);
  WriteProfile(ProfilePath(directory), Shape::kTypical, 0);
  for (int warm_up = 0; warm_up < 10; ++warm_up) {
    RewriteProfile(directory, number);
  }
  std::vector<double> times;
  times.reserve(static_cast<std::size_t>(settings.typical_rewrites));
  const std::uint64_t allocations_before = AllocationCount();
  for (int rewrite = 0; rewrite < settings.typical_rewrites; ++rewrite) {
    times.push_back(Seconds([&] { RewriteProfile(directory, number); }));
  }
  const double allocations =
      static_cast<double>(AllocationCount() - allocations_before) / settings.typical_rewrites;
  double total = 0;
  for (const double time : times) {
    total += time;
  }

  constexpr int kInMemoryRewrites = 100000;
  const double in_memory = Seconds([&] {
    for (int rewrite = 0; rewrite < kInMemoryRewrites; ++rewrite) {
      ViewSource source(text.bytes);
      CountingSink sink;
      RewriteLines(source, sink, number);
    }
  });

  std::printf("\n### A typical profile (%zu bytes, %llu lines)\n\n", text.bytes.size(),
              static_cast<unsigned long long>(text.lines));
  std::printf("| what | per rewrite |\n|---|---:|\n");
  std::printf("| RewriteProfile on disk, median of %d | %.0f us |\n", settings.typical_rewrites,
              Median(times) * 1e6);
  std::printf("| RewriteProfile on disk, mean of %d | %.0f us |\n", settings.typical_rewrites,
              total / settings.typical_rewrites * 1e6);
  std::printf("| RewriteLines in memory, mean of %d | %.2f us |\n", kInMemoryRewrites,
              in_memory / kInMemoryRewrites * 1e6);
  std::printf("| allocations of RewriteProfile | %.1f |\n", allocations);
}

void ReportThroughput(const Settings& settings) {
  const std::string number = Number();
  std::vector<Allocations> allocations;
  {
    const std::string directory = FreshDirectory(settings, "allocations").u8string();
    const std::uint64_t lines = WriteProfile(ProfilePath(directory), Shape::kTypical, 0);
    RewriteProfile(directory, number);
    allocations.push_back({"typical profile", lines, AllocationsOfOneRewrite(directory, number)});
  }
  ReportOnDisk(settings, number, allocations);
  ReportInMemory(settings, number);

  std::printf("\n### Allocations of one RewriteProfile\n\n");
  std::printf("| profile | lines | allocations |\n|---|---:|---:|\n");
  for (const Allocations& row : allocations) {
    std::printf("| %s | %llu | %llu |\n", row.what.c_str(),
                static_cast<unsigned long long>(row.lines),
                static_cast<unsigned long long>(row.count));
  }
  fs::remove_all(settings.scratch / "throughput");
}

}  // namespace planchoice::bench
