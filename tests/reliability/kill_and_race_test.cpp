// The real planset program, killed at random moments and raced against
// itself: the profile must always be one whole profile, the old one or a new
// one, never missing, cut short or mixed.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "logic/plan_table.h"
#include "support/build_output.h"
#include "support/child_process.h"
#include "support/memory_streams.h"
#include "support/scratch_dir.h"

namespace planchoice {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using testing::ProcessResult;
using testing::ScratchDir;
using testing::StartedProgram;

// Ordinary lines, with the entry near the start.
std::string ProfileOf(std::size_t megabytes) {
  std::string profile = "[Kelvarin Online]\r\nPhone0=11112222\r\n";
  for (int i = 0; profile.size() < megabytes * 1024 * 1024; ++i) {
    profile += "Entry" + std::to_string(i) + "=Some value, and some more text after it\r\n";
  }
  return profile;
}

// What planset makes of `profile` when `plan` is chosen.
std::string RewrittenFor(const std::string& profile, const char* plan) {
  return testing::RewrittenInMemory(profile, LookUpAccessNumber(plan));
}

// How long a whole run takes lately: the median of the last few, so that a
// slow first run (cold caches, a busy machine) does not set the pace.
class RunTimes {
 public:
  // Runs planset with `arguments` to its end, and returns its exit code.
  ExitCode Run(const std::vector<std::string>& arguments) {
    const auto started = Clock::now();
    const ExitCode exit_code =
        StartedProgram(testing::PlansetProgram(), arguments).Wait().exit_code;
    recent_[next_++ % recent_.size()] =
        std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - started).count();
    return exit_code;
  }
  // Runs planset a few times on `profile` afresh, before the runs that count.
  void WarmUp(const ScratchDir& dir, const std::string& profile,
              const std::vector<std::string>& arguments) {
    for (int run = 0; run < 3; ++run) {
      dir.Write("kelvarin.cmp", profile);
      ASSERT_EQ(Run(arguments), ExitCode::kSuccess);
    }
  }
  long long Median() const {
    std::array<long long, 9> sorted = recent_;
    const std::size_t count = std::min(next_, sorted.size());
    std::sort(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(count));
    return sorted[count / 2];
  }

 private:
  std::array<long long, 9> recent_{};
  std::size_t next_ = 0;
};

#ifndef _WIN32
// planset killed while it rewrites the profile, or (true) while it puts
// another version's profile in its place, as a reinstall has it do.
class KilledAtAnyMoment : public ::testing::TestWithParam<bool> {};

TEST_P(KilledAtAnyMoment, TheProfileIsOldOrNewAndTheNextRunSucceeds) {
  const std::string old_profile = ProfileOf(4);
  const ScratchDir dir;
  std::vector<std::string> arguments = {dir.Utf8(), "Sorvel 25"};
  std::string new_lines = old_profile;
  if (GetParam()) {
    new_lines = "[Profile]\r\nVersion=4\r\n" + old_profile;
    dir.Write("new.cmp", new_lines);
    arguments.insert(arguments.begin(), {"--install-profile", (dir / "new.cmp").u8string()});
  }
  const std::string new_profile = RewrittenFor(new_lines, "Sorvel 25");
  RunTimes run_times;
  ASSERT_NO_FATAL_FAILURE(run_times.WarmUp(dir, old_profile, arguments));

  std::mt19937 random(20261208);
  // 250 kills, or at least 200 on a machine slow enough to take over 90 s.
  const auto deadline = Clock::now() + std::chrono::seconds(90);
  int kills = 0, interrupted = 0, found_old = 0, found_new = 0;
  for (int kill = 1; kill <= 250 && (kill <= 200 || Clock::now() < deadline); ++kill) {
    kills = kill;
    dir.Write("kelvarin.cmp", old_profile);
    {
      // Kills spread from the start to a little past the usual end of a run.
      std::uniform_int_distribution<long long> moment(0, run_times.Median() * 6 / 5);
      StartedProgram planset(testing::PlansetProgram(), arguments);
      std::this_thread::sleep_for(std::chrono::microseconds(moment(random)));
      interrupted += planset.Kill() ? 1 : 0;
    }
    const std::optional<std::string> profile = dir.Read("kelvarin.cmp");
    ASSERT_TRUE(profile.has_value()) << "profile missing after kill " << kill;
    if (*profile == old_profile) {
      ++found_old;
    } else {
      ASSERT_TRUE(*profile == new_profile) << "profile damaged after kill " << kill;
      ++found_new;
    }
    ASSERT_EQ(run_times.Run(arguments), ExitCode::kSuccess) << "after kill " << kill;
    ASSERT_EQ(dir.Read("kelvarin.cmp"), new_profile);
    ASSERT_FALSE(fs::exists(dir / "kelvarin.tmp"));
  }
  std::printf(
      "%d kills (%d during a run, a run lately %lld us): old profile %d times, new %d times\n",
      kills, interrupted, run_times.Median(), found_old, found_new);
  // A good share of the kills must land inside a run, or the test proves little.
  EXPECT_GE(interrupted, kills / 3);
  EXPECT_GT(found_old, 0);
  EXPECT_GT(found_new, 0);
}

INSTANTIATE_TEST_SUITE_P(Profiles, KilledAtAnyMoment, ::testing::Bool(), [](const auto& info) {
  return std::string(info.param ? "InstalledFromANewOne" : "Rewritten");
});
#endif

// Two setups started at nearly the same moment: the second starts at a random
// moment within the length of a whole run of the first.
TEST(TwoRewritesAtOnce, EndInOneWholeResult) {
  const std::string old_profile = ProfileOf(1) + "Phone0=33334444\r\n";
  const std::string with_ten = RewrittenFor(old_profile, "Sorvel 10");
  const std::string with_sixty = RewrittenFor(old_profile, "Sorvel 60");
  const ScratchDir dir;
  RunTimes run_times;
  ASSERT_NO_FATAL_FAILURE(run_times.WarmUp(dir, old_profile, {dir.Utf8(), "Sorvel 10"}));

  std::mt19937 random(20261209);
  std::uniform_int_distribution<long long> stagger(0, run_times.Median());
  constexpr int kRounds = 150;
  int both_succeeded = 0, one_refused = 0;
  const auto started = Clock::now();
  for (int round = 0; round < kRounds; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    dir.Write("kelvarin.cmp", old_profile);
    StartedProgram first(testing::PlansetProgram(), {dir.Utf8(), "Sorvel 10"});
    std::this_thread::sleep_for(std::chrono::microseconds(stagger(random)));
    StartedProgram second(testing::PlansetProgram(), {dir.Utf8(), "Sorvel 60"});
    const ProcessResult results[] = {first.Wait(), second.Wait()};

    ASSERT_TRUE(results[0].exit_code == ExitCode::kSuccess ||
                results[1].exit_code == ExitCode::kSuccess)
        << results[0].error << results[1].error;
    const std::optional<std::string> profile = dir.Read("kelvarin.cmp");
    ASSERT_TRUE(profile == with_ten || profile == with_sixty);
    EXPECT_FALSE(fs::exists(dir / "kelvarin.tmp"));
    // A run that lost the race said so and changed nothing.
    for (int run = 0; run < 2; ++run) {
      if (results[run].exit_code != ExitCode::kSuccess) {
        EXPECT_EQ(results[run].exit_code, ExitCode::kAnotherRewrite);
        EXPECT_NE(results[run].error.find("Another rewrite"), std::string::npos)
            << results[run].error;
        EXPECT_TRUE(profile == (run == 0 ? with_sixty : with_ten));
      }
    }
    (results[0].exit_code == ExitCode::kSuccess && results[1].exit_code == ExitCode::kSuccess
         ? both_succeeded
         : one_refused)++;
  }
  const auto seconds =
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started).count() /
      1000.0;
  std::printf(
      "%d rounds in %.1f s (a run alone %lld us): both succeeded in turn %d times, one refused "
      "%d times\n",
      kRounds, seconds, run_times.Median(), both_succeeded, one_refused);
}

}  // namespace
}  // namespace planchoice
