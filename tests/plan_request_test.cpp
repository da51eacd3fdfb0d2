#include "msi_action/plan_request.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "access_numbers.h"
#include "platform/error.h"

namespace planchoice::msi_action {
namespace {

using namespace std::string_view_literals;

// The data text "REPORTING|FOLDER|NUMBER" the package's check hands its
// deferred actions.
struct DataText {
  const char* data;
  Reporting reporting;
  const char* directory;  // nullptr: refused
  const char* number;
};

class PlanRequestData : public ::testing::TestWithParam<DataText> {};

TEST_P(PlanRequestData, SplitsAtTheFirstBarsAndDropsTheFolderSeparator) {
  const DataText& text = GetParam();
  if (text.directory == nullptr) {
    EXPECT_THROW(ParsePlanRequest(text.data), Error);
    return;
  }
  const PlanRequest request = ParsePlanRequest(text.data);
  EXPECT_EQ(request.reporting, text.reporting);
  EXPECT_EQ(request.directory, text.directory);
  EXPECT_EQ(request.access_number, text.number);
  // What the check writes is read back as it was.
  const PlanRequest again = ParsePlanRequest(FormatPlanRequest(request));
  EXPECT_EQ(again.reporting, request.reporting);
  EXPECT_EQ(again.directory, request.directory);
  EXPECT_EQ(again.access_number, request.access_number);
}

constexpr Reporting kError = Reporting::kError;
constexpr Reporting kLog = Reporting::kLogOnly;

INSTANTIATE_TEST_SUITE_P(
    Texts, PlanRequestData,
    ::testing::Values(DataText{"error|C:\\Program Files\\Kelvarin Setup\\|02020202", kError,
                               "C:\\Program Files\\Kelvarin Setup", "02020202"},
                      // A drive's root stays a directory; no folder holds a bar; anything
                      // but "error", even nothing, is the log only.
                      DataText{"log|C:\\|01010101", kLog, "C:\\", "01010101"},
                      DataText{"|C:\\K\\\\|03030303", kLog, "C:\\K", "03030303"},
                      DataText{"Error|C:\\K|0|1", kLog, "C:\\K", "0|1"},
                      DataText{"error|C:\\K|", kError, "C:\\K", ""},
                      DataText{"error||02020202", kLog, nullptr, ""},
                      DataText{"error|C:\\K", kLog, nullptr, ""},
                      DataText{"C:\\K|02020202", kLog, nullptr, ""}));

// PLAN as the package's check sees it, with the registry values it may have
// come from, read raw.
struct PlanText {
  std::string_view plan;
  const char* number;    // nullptr: refused
  std::string sentence;  // the start of what the refusal says
  std::string_view policy = {};
  std::string_view remembered = {};
};

class PlanCheck : public ::testing::TestWithParam<PlanText> {};

TEST_P(PlanCheck, GivesTheNumberOrSaysWhatIsWrong) {
  const PlanText& text = GetParam();
  try {
    const std::string_view number =
        AccessNumberOf(PlanOf({text.plan, text.policy, text.remembered}));
    EXPECT_NE(text.number, nullptr) << "accepted with " << number;
    EXPECT_EQ(number, text.number);
  } catch (const Error& error) {
    EXPECT_EQ(text.number, nullptr) << error.what();
    EXPECT_EQ(std::string(error.what()).rfind(text.sentence, 0), 0u) << error.what();
  }
}

const std::string kPolicyIs =
    "The Group Policy value Plan under HKLM\\SOFTWARE\\Policies\\Kelvarin\\PlanChoice is a ";

INSTANTIATE_TEST_SUITE_P(
    Plans, PlanCheck,
    ::testing::Values(
        PlanText{"Sorvel Ever", kAccessNumberB.data(), ""},
        PlanText{"", nullptr, "No plan was given: set PLAN"},
        PlanText{"sorvel 25", nullptr,
                 "There is no plan \"sorvel 25\"; the plans are \"Sorvel 10\", "
                 "\"Sorvel 25\", \"Sorvel 60\" and \"Sorvel Ever\"."},
        PlanText{"#%Sorvel 25", nullptr,
                 kPolicyIs + "REG_EXPAND_SZ (an expandable string); it must be a REG_SZ (a "
                             "string) that names a plan, such as \"Sorvel 10\".",
                 "#%Sorvel 25"},
        PlanText{"#25", nullptr, kPolicyIs + "REG_DWORD (a number);", "#25"},
        PlanText{"#x536f72", nullptr, kPolicyIs + "REG_BINARY (binary data);", "#x536f72"},
        PlanText{"", nullptr, kPolicyIs + "REG_MULTI_SZ (a multi-string);",
                 "\0Sorvel 25\0"sv},  // a copy lost the multi-string
        PlanText{"##Sorvel 25", nullptr, "There is no plan \"#Sorvel 25\"", "##Sorvel 25"},
        // Given so on the command line, or over a value of another type.
        PlanText{"#%Sorvel 25", nullptr, "There is no plan \"#%Sorvel 25\""},
        PlanText{"Sorvel 60", kAccessNumberC.data(), "", "#25"},
        PlanText{"#-1", nullptr,
                 "The value Plan under HKLM\\SOFTWARE\\Kelvarin\\PlanChoice is a REG_DWORD", "",
                 "#-1"}));

}  // namespace
}  // namespace planchoice::msi_action
