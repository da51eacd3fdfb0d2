#include "msi_action/plan_request.h"

#include <gtest/gtest.h>

#include <string>

#include "access_numbers.h"
#include "platform/error.h"

namespace planchoice::msi_action {
namespace {

// The data text "FOLDER|PLAN" the package hands its plan action.
struct DataText {
  const char* data;
  const char* directory;  // nullptr: refused
  const char* plan;
};

class PlanRequestData : public ::testing::TestWithParam<DataText> {};

TEST_P(PlanRequestData, SplitsAtTheFirstBarAndDropsTheFolderSeparator) {
  const DataText& text = GetParam();
  if (text.directory == nullptr) {
    EXPECT_THROW(ParsePlanRequest(text.data), Error);
    return;
  }
  const PlanRequest request = ParsePlanRequest(text.data);
  EXPECT_EQ(request.directory, text.directory);
  EXPECT_EQ(request.plan, text.plan);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, PlanRequestData,
    ::testing::Values(
        DataText{"C:\\Program Files\\Kelvarin Setup\\|Sorvel 25",
                 "C:\\Program Files\\Kelvarin Setup", "Sorvel 25"},
        DataText{"C:\\|Sorvel 10", "C:\\", "Sorvel 10"},  // a drive's root stays a directory
        DataText{"C:\\K\\\\|Sorvel 60", "C:\\K", "Sorvel 60"},
        DataText{"C:\\K|Sorvel|Ever", "C:\\K", "Sorvel|Ever"},  // no folder holds a bar
        DataText{"C:\\K|", "C:\\K", ""}, DataText{"|Sorvel 25", nullptr, ""},
        DataText{"C:\\K", nullptr, ""}));

// PLAN as the package's check sees it.
struct PlanText {
  const char* plan;
  const char* number;    // nullptr: refused
  const char* sentence;  // the start of what the refusal says
};

class PlanCheck : public ::testing::TestWithParam<PlanText> {};

TEST_P(PlanCheck, GivesTheNumberOrSaysWhatIsWrong) {
  const PlanText& text = GetParam();
  try {
    const std::string_view number = AccessNumberOf(text.plan);
    EXPECT_NE(text.number, nullptr) << "accepted with " << number;
    EXPECT_EQ(number, text.number);
  } catch (const Error& error) {
    EXPECT_EQ(text.number, nullptr) << error.what();
    EXPECT_EQ(std::string(error.what()).rfind(text.sentence, 0), 0u) << error.what();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Plans, PlanCheck,
    ::testing::Values(PlanText{"Sorvel Ever", kAccessNumberB.data(), ""},
                      PlanText{"", nullptr, "No plan was given: set PLAN"},
                      PlanText{"sorvel 25", nullptr,
                               "There is no plan \"sorvel 25\"; the plans are \"Sorvel 10\", "
                               "\"Sorvel 25\", \"Sorvel 60\" and \"Sorvel Ever\"."}));

}  // namespace
}  // namespace planchoice::msi_action
