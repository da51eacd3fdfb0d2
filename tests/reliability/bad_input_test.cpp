// Hostile and unusual input through the real planset program: each case
// ends in a correct result or a clear error, and no case loses the profile or
// leaves a work file behind.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "logic/plan_table.h"
#include "platform/file.h"
#include "support/build_output.h"
#include "support/child_process.h"
#include "support/memory_streams.h"
#include "support/scratch_dir.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace planchoice {
namespace {

namespace fs = std::filesystem;
using testing::ProcessResult;
using testing::ReadBytes;
using testing::RewrittenInMemory;
using testing::RunProgram;
using testing::ScratchDir;

constexpr const char* kPlan = "Sorvel 60";

enum class Outcome { kSuccess, kRefused };

// Where a case put the profile, and what planset is given.
struct PlansetRun {
  fs::path profile_directory;
  std::vector<std::string> arguments;
};

struct BadInput {
  const char* name;
  std::string profile;
  // Writes `profile` as kelvarin.cmp, prepares the rest, and says how to run.
  std::function<PlansetRun(const ScratchDir&, const std::string& profile)> arrange;
  Outcome outcome;
};

void PrintTo(const BadInput& input, std::ostream* out) {
  *out << input.name;
}

PlansetRun PlainRun(const ScratchDir& dir, const std::string& profile) {
  dir.Write("kelvarin.cmp", profile);
  return {dir.path(), {dir.Utf8(), kPlan}};
}

std::string Repeated(const std::string& line, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) {
    text += line;
  }
  return text;
}

const std::string kProfile = "[Kelvarin]\r\nPhone0=11112222\r\nName=Kelvarin, Inc.\r\n";

const BadInput kBadInputs[] = {
    {"ReadOnlyProfile", kProfile,
     [](const ScratchDir& dir, const std::string& profile) {
       const PlansetRun run = PlainRun(dir, profile);
       fs::permissions(dir / "kelvarin.cmp",
                       fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                       fs::perm_options::remove);
       return run;
     },
#ifdef _WIN32
     // Windows itself would refuse to replace it.
     Outcome::kRefused},
#else
     Outcome::kSuccess},
#endif
    {"DirectoryIsAFile", kProfile,
     [](const ScratchDir& dir, const std::string& profile) {
       const PlansetRun run = PlainRun(dir, profile);
       dir.Write("not-a-directory", profile);
       return PlansetRun{run.profile_directory, {(dir / "not-a-directory").u8string(), kPlan}};
     },
     Outcome::kRefused},
    {"WorkPathIsADirectory", kProfile,
     [](const ScratchDir& dir, const std::string& profile) {
       fs::create_directory(dir / "kelvarin.tmp");
       return PlainRun(dir, profile);
     },
     Outcome::kRefused},
    {"PathOver260Characters", kProfile,
     [](const ScratchDir& dir, const std::string& profile) {
       fs::path deep = dir.path();
       while (deep.u8string().size() < 280) {
         deep /= std::string(50, 'p');
       }
       fs::create_directories(deep);
       std::ofstream(deep / "kelvarin.cmp", std::ios::binary) << profile;
       return PlansetRun{deep, {deep.u8string(), kPlan}};
     },
     Outcome::kSuccess},
    {"TenThousandPhone0Lines", Repeated("Phone0=11112222\r\n", 10000), PlainRun, Outcome::kSuccess},
    {"CrOnlyLineEnds", "[Kelvarin]\rPhone0=11112222\rName=Kelvarin, Inc.\r", PlainRun,
     Outcome::kSuccess},
    {"NulAndEightBitBytes", std::string("N\0me=\xE9\xFF\x80\r\nPhone0=\0\r\n\xA0\r\n", 20),
     PlainRun, Outcome::kSuccess},
    {"ArgumentOf32000Characters", kProfile,
     [](const ScratchDir& dir, const std::string& profile) {
       const PlansetRun run = PlainRun(dir, profile);
       return PlansetRun{run.profile_directory, {dir.Utf8() + std::string(32000, 'a'), kPlan}};
     },
     Outcome::kRefused},
    {"PlanOf10000Characters", kProfile,
     [](const ScratchDir& dir, const std::string& profile) {
       const PlansetRun run = PlainRun(dir, profile);
       return PlansetRun{run.profile_directory, {dir.Utf8(), std::string(10000, 'S')}};
     },
     Outcome::kRefused},
};

class PlansetGivenBadInput : public ::testing::TestWithParam<BadInput> {};

TEST_P(PlansetGivenBadInput, RewritesCorrectlyOrRefusesAndLosesNothing) {
  const BadInput& input = GetParam();
  const ScratchDir dir;
  const PlansetRun run = input.arrange(dir, input.profile);

  const ProcessResult result = RunProgram(testing::PlansetProgram(), run.arguments);

  const std::optional<std::string> profile = ReadBytes(run.profile_directory / "kelvarin.cmp");
  ASSERT_TRUE(profile.has_value());
  std::printf("%s: exit %d\n", input.name, static_cast<int>(result.exit_code));
  const bool rewritten = result.exit_code == ExitCode::kSuccess;
  if (rewritten) {
    EXPECT_NE(input.outcome, Outcome::kRefused) << result.error;
    EXPECT_TRUE(*profile == RewrittenInMemory(input.profile, LookUpAccessNumber(kPlan)))
        << "profile not rewritten as expected";
    EXPECT_EQ(result.error, "");
  } else {
    EXPECT_NE(input.outcome, Outcome::kSuccess) << result.error;
    EXPECT_TRUE(result.exit_code == ExitCode::kUsage || result.exit_code == ExitCode::kFailed)
        << static_cast<int>(result.exit_code);
    EXPECT_TRUE(*profile == input.profile) << "profile changed by a failed run";
    // One sentence that names what failed.
    EXPECT_GT(result.error.size(), 20u);
    EXPECT_EQ(result.error.back(), '\n');
  }
  EXPECT_FALSE(fs::is_regular_file(run.profile_directory / "kelvarin.tmp"));
}

INSTANTIATE_TEST_SUITE_P(Cases, PlansetGivenBadInput, ::testing::ValuesIn(kBadInputs),
                         [](const auto& info) { return std::string(info.param.name); });

// A profile of one 100 MB line after the entry: rewritten whole, while the
// program's memory grows by no more than a few buffers over a tiny profile.
TEST(PlansetGivenBadInput, HundredMegabyteSingleLineInBoundedMemory) {
  constexpr std::size_t kLine = 100 * 1024 * 1024;
  const std::string chunk(1024 * 1024, 'x');
  const ScratchDir tiny, huge;
  tiny.Write("kelvarin.cmp", kProfile);
  {
    std::ofstream file(huge / "kelvarin.cmp", std::ios::binary);
    file << "Phone0=11112222\r\n";
    for (std::size_t written = 0; written < kLine; written += chunk.size()) {
      file << chunk;
    }
    file << "\r\n";
  }

  const ProcessResult small = RunProgram(testing::PlansetProgram(), {tiny.Utf8(), kPlan});
  const ProcessResult large = RunProgram(testing::PlansetProgram(), {huge.Utf8(), kPlan});
  ASSERT_EQ(small.exit_code, ExitCode::kSuccess) << small.error;
  ASSERT_EQ(large.exit_code, ExitCode::kSuccess) << large.error;

  const std::string entry = "Phone0=" + std::string(LookUpAccessNumber(kPlan)) + "\r\n";
  std::ifstream file(huge / "kelvarin.cmp", std::ios::binary);
  std::string head(entry.size(), '\0');
  file.read(head.data(), static_cast<std::streamsize>(head.size()));
  EXPECT_EQ(head, entry);
  std::string piece(chunk.size(), '\0');
  for (std::size_t checked = 0; checked < kLine; checked += piece.size()) {
    file.read(piece.data(), static_cast<std::streamsize>(piece.size()));
    ASSERT_EQ(piece, chunk) << "at " << checked;
  }
  std::string tail(3, '\0');
  file.read(tail.data(), 3);
  EXPECT_EQ(file.gcount(), 2);
  EXPECT_EQ(tail.substr(0, 2), "\r\n");

  if (small.peak_memory_kb > 0 && large.peak_memory_kb > 0) {
    EXPECT_LT(large.peak_memory_kb - small.peak_memory_kb, 4 * 1024);
  }
  std::printf("peak memory: %ld KB for a tiny profile, %ld KB for 100 MB on one line\n",
              small.peak_memory_kb, large.peak_memory_kb);
}

#ifdef _WIN32
// Another program has the profile open and lets no one else in.
TEST(PlansetGivenBadInput, ProfileLockedByAnotherProcess) {
  const ScratchDir dir;
  const PlansetRun run = PlainRun(dir, kProfile);
  ProcessResult result;
  {
    const FileHandle holder(::CreateFileW((dir / "kelvarin.cmp").c_str(), GENERIC_READ, 0, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder);
    result = RunProgram(testing::PlansetProgram(), run.arguments);
  }

  EXPECT_EQ(result.exit_code, ExitCode::kFailed);
  EXPECT_NE(result.error.find("kelvarin.cmp"), std::string::npos) << result.error;
  EXPECT_EQ(dir.Read("kelvarin.cmp"), kProfile);
  EXPECT_FALSE(fs::exists(dir / "kelvarin.tmp"));
}
#endif

}  // namespace
}  // namespace planchoice
