#include "planset/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace planchoice::planset {
namespace {

struct Case {
  std::vector<std::string> arguments;
  Action action;
  std::string directory = "";
  std::string plan = "";
};

void PrintTo(const Case& c, std::ostream* os) {
  for (const std::string& argument : c.arguments) {
    *os << '[' << argument << ']';
  }
}

class ParseCommandLineTest : public ::testing::TestWithParam<Case> {};

TEST_P(ParseCommandLineTest, ReadsTheActionAndItsOperands) {
  const Command command = ParseCommandLine(GetParam().arguments);
  EXPECT_EQ(command.action, GetParam().action) << command.problem;
  EXPECT_EQ(command.directory, GetParam().directory);
  EXPECT_EQ(command.plan, GetParam().plan);
  EXPECT_EQ(command.problem.empty(), command.action != Action::kReportUsageError);
}

INSTANTIATE_TEST_SUITE_P(
    Rewrites, ParseCommandLineTest,
    ::testing::Values(
        Case{{"C:\\Setup", "Sorvel 25"}, Action::kRewriteProfile, "C:\\Setup", "Sorvel 25"},
        // Taken as given: no trimming, quotes kept, any plan text passed on.
        Case{{" dir with \"quotes\\\" ", " x "},
             Action::kRewriteProfile,
             " dir with \"quotes\\\" ",
             " x "},
        Case{{"dir", ""}, Action::kRewriteProfile, "dir", ""},
        Case{{"-", "Sorvel 10"}, Action::kRewriteProfile, "-", "Sorvel 10"},
        Case{{"--", "-dir", "--list"}, Action::kRewriteProfile, "-dir", "--list"},
        Case{{"dir", "--", "-plan"}, Action::kRewriteProfile, "dir", "-plan"},
        Case{{"dir", "Sorvel 10", "--"}, Action::kRewriteProfile, "dir", "Sorvel 10"}));

INSTANTIATE_TEST_SUITE_P(Options, ParseCommandLineTest,
                         ::testing::Values(Case{{"--list"}, Action::kListPlans},
                                           Case{{"--help"}, Action::kShowHelp},
                                           Case{{"-h"}, Action::kShowHelp},
                                           Case{{"/?"}, Action::kShowHelp},
                                           Case{{"--version"}, Action::kShowVersion},
                                           // Help and version answer whatever else was given.
                                           Case{{"dir", "Sorvel 10", "--help"}, Action::kShowHelp},
                                           Case{{"--list", "--version"}, Action::kShowVersion},
                                           Case{{"--version", "--help"}, Action::kShowHelp},
                                           Case{{"-l", "--help"}, Action::kShowHelp},
                                           Case{{"--list", "--list"}, Action::kListPlans}));

INSTANTIATE_TEST_SUITE_P(
    UsageErrors, ParseCommandLineTest,
    ::testing::Values(Case{{}, Action::kReportUsageError}, Case{{"dir"}, Action::kReportUsageError},
                      Case{{"dir", "Sorvel", "25"}, Action::kReportUsageError},
                      Case{{"", "Sorvel 10"}, Action::kReportUsageError},
                      Case{{"--list", "dir"}, Action::kReportUsageError},
                      Case{{"--lst"}, Action::kReportUsageError},
                      Case{{"-l", "dir", "Sorvel 10"}, Action::kReportUsageError},
                      Case{{"--", "--help"}, Action::kReportUsageError}));

TEST(ParseCommandLineProblems, SayWhatIsWrong) {
  EXPECT_EQ(ParseCommandLine({}).problem, "DIRECTORY and PLAN are missing.");
  EXPECT_EQ(ParseCommandLine({"dir"}).problem, "PLAN is missing.");
  EXPECT_EQ(ParseCommandLine({"", "Sorvel 10"}).problem, "No directory specified");
  EXPECT_EQ(ParseCommandLine({"--lst"}).problem, "Unknown option --lst.");
  EXPECT_NE(ParseCommandLine({"dir", "Sorvel", "25"}).problem.find("in quotes"), std::string::npos);
}

}  // namespace
}  // namespace planchoice::planset
