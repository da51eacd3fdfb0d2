#include "logic/plan_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

namespace planchoice {
namespace {

TEST(PlanTable, ListsTheFourPlansInDialogOrder) {
  std::vector<std::string_view> labels;
  for (const Plan& plan : PlanTable) {
    labels.push_back(plan.label);
  }
  EXPECT_EQ(labels,
            (std::vector<std::string_view>{"Sorvel 10", "Sorvel 25", "Sorvel 60", "Sorvel Ever"}));
}

TEST(PlanTable, EveryNumberHasEightDigits) {
  for (const Plan& plan : PlanTable) {
    EXPECT_EQ(plan.access_number.size(), 8u) << plan.label;
    EXPECT_TRUE(std::all_of(plan.access_number.begin(), plan.access_number.end(), [](char c) {
      return c >= '0' && c <= '9';
    })) << plan.label;
  }
}

TEST(PlanTable, TwentyFiveAndEverShareANumberTheOthersHaveTheirOwn) {
  const std::string_view ten = LookUpAccessNumber("Sorvel 10");
  const std::string_view twenty_five = LookUpAccessNumber("Sorvel 25");
  const std::string_view sixty = LookUpAccessNumber("Sorvel 60");
  const std::string_view ever = LookUpAccessNumber("Sorvel Ever");

  EXPECT_EQ(twenty_five, ever);
  EXPECT_EQ((std::set<std::string_view>{ten, twenty_five, sixty}).size(), 3u);
  for (const Plan& plan : PlanTable) {
    EXPECT_EQ(LookUpAccessNumber(plan.label), plan.access_number) << plan.label;
  }
}

class NoPlanMatches : public ::testing::TestWithParam<const char*> {};

TEST_P(NoPlanMatches, AndTheNumberIsEmpty) {
  EXPECT_EQ(LookUpAccessNumber(GetParam()), "");
}

INSTANTIATE_TEST_SUITE_P(LabelsThatAreAlmostRight, NoPlanMatches,
                         ::testing::Values("sorvel 25", "SORVEL EVER", "Sorvel ever", " Sorvel 10",
                                           "Sorvel 60 ", "Sorvel 25\t", "Sorvel", "Sorvel 2",
                                           "Sorvel 250", "Sorvel  10", "", " "));

}  // namespace
}  // namespace planchoice
