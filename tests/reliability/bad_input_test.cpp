// Hostile and unusual input through the real planset program: each case
// ends in a correct result or a clear error, and no case loses the profile or
// leaves a work file behind.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "logic/plan_table.h"
#include "support/build_output.h"
#include "support/child_process.h"
#include "support/profile_cases.h"
#include "support/scratch_dir.h"

namespace planchoice {
namespace {

using testing::ArrangedCase;
using testing::kPlan;
using testing::kProfile;
using testing::ProcessResult;
using testing::ProfileCase;
using testing::RunProgram;
using testing::ScratchDir;

class PlansetGiven : public ::testing::TestWithParam<ProfileCase> {};

TEST_P(PlansetGiven, RewritesOrRefusesInOneSentenceAndLosesNothing) {
  const ScratchDir dir;
  ArrangedCase arranged(GetParam(), dir);
  if (IsSkipped()) {
    return;
  }
  const ProcessResult result =
      RunProgram(testing::PlansetProgram(), {arranged.argument().u8string(), kPlan});
  arranged.Release();

  EXPECT_EQ(result.out, "");
  if (arranged.ShouldBeRefused()) {
    EXPECT_EQ(result.exit_code, GetParam().exit_code) << result.error;
    ASSERT_FALSE(result.error.empty());
    EXPECT_EQ(result.error.find('\n'), result.error.size() - 1) << "not one line: " << result.error;
    arranged.ExpectMessage(result.error.substr(0, result.error.find_last_not_of("\r\n") + 1));
  } else {
    EXPECT_EQ(result.exit_code, ExitCode::kSuccess) << result.error;
    EXPECT_EQ(result.error, "");
  }
  arranged.ExpectProfileLeft(arranged.ShouldBeRefused());
}

INSTANTIATE_TEST_SUITE_P(EveryCase, PlansetGiven,
                         ::testing::ValuesIn(testing::ProfileCasesFor(testing::FrontEnd::kPlanset)),
                         testing::CaseName);

// A profile of one 100 MB line after the entry: rewritten whole, while the
// program's memory grows by no more than a few buffers over a tiny profile.
TEST(PlansetGivenBadInput, HundredMegabyteSingleLineInBoundedMemory) {
  const std::string line = std::string(100 * 1024 * 1024, 'x') + "\r\n";
  const ScratchDir tiny, huge;
  tiny.Write("kelvarin.cmp", kProfile);
  huge.Write("kelvarin.cmp", "Phone0=11112222\r\n" + line);

  const ProcessResult small = RunProgram(testing::PlansetProgram(), {tiny.Utf8(), kPlan});
  const ProcessResult large = RunProgram(testing::PlansetProgram(), {huge.Utf8(), kPlan});
  ASSERT_EQ(small.exit_code, ExitCode::kSuccess) << small.error;
  ASSERT_EQ(large.exit_code, ExitCode::kSuccess) << large.error;
  EXPECT_TRUE(huge.Read("kelvarin.cmp") ==
              "Phone0=" + std::string(LookUpAccessNumber(kPlan)) + "\r\n" + line)
      << "not rewritten whole";

  if (small.peak_memory_kb > 0 && large.peak_memory_kb > 0) {
    EXPECT_LT(large.peak_memory_kb - small.peak_memory_kb, 4 * 1024);
  }
  std::printf("peak memory: %ld KB for a tiny profile, %ld KB for 100 MB on one line\n",
              small.peak_memory_kb, large.peak_memory_kb);
}

}  // namespace
}  // namespace planchoice
