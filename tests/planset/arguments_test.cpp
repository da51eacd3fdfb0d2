#include "planset/arguments.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace planchoice::planset {
namespace {

using Kind = Request::Kind;

struct Case {
  std::vector<std::string> arguments;
  Kind kind;
  std::string directory = "";
  std::string plan = "";
};

void PrintTo(const Case& c, std::ostream* os) {
  for (const std::string& argument : c.arguments) {
    *os << '[' << argument << ']';
  }
}

class ParseArgumentsTest : public ::testing::TestWithParam<Case> {};

TEST_P(ParseArgumentsTest, ReadsTheRequestAndItsOperands) {
  const Request request = ParseArguments(GetParam().arguments);
  EXPECT_EQ(request.kind, GetParam().kind);
  EXPECT_EQ(request.directory, GetParam().directory);
  EXPECT_EQ(request.plan, GetParam().plan);
}

INSTANTIATE_TEST_SUITE_P(
    Rewrites, ParseArgumentsTest,
    ::testing::Values(
        Case{{"C:\\Setup", "Sorvel 25"}, Kind::kRewrite, "C:\\Setup", "Sorvel 25"},
        // Taken as given: no trimming, backslashes kept, any plan text passed on.
        Case{{" dir with \\back\\slashes\\ ", " x "},
             Kind::kRewrite,
             " dir with \\back\\slashes\\ ",
             " x "},
        Case{{"-", "Sorvel 10"}, Kind::kRewrite, "-", "Sorvel 10"},
        Case{{"--", "-dir", "--list"}, Kind::kRewrite, "-dir", "--list"},
        Case{{"dir", "--", "-plan"}, Kind::kRewrite, "dir", "-plan"},
        Case{{"dir", "Sorvel 10", "--"}, Kind::kRewrite, "dir", "Sorvel 10"},
        Case{{"--check", "--", "-dir", "Sorvel 10"}, Kind::kCheck, "-dir", "Sorvel 10"}));

INSTANTIATE_TEST_SUITE_P(Options, ParseArgumentsTest,
                         ::testing::Values(Case{{"--list"}, Kind::kList},
                                           Case{{"--help"}, Kind::kHelp}, Case{{"-h"}, Kind::kHelp},
                                           Case{{"/?"}, Kind::kHelp},
                                           Case{{"--version"}, Kind::kVersion},
                                           // Help and version answer whatever other option
                                           // was given.
                                           Case{{"--list", "--version"}, Kind::kVersion},
                                           Case{{"--version", "--help"}, Kind::kHelp},
                                           Case{{"-l", "--help"}, Kind::kHelp},
                                           Case{{"--list", "--list"}, Kind::kList}));

struct Misuse {
  std::vector<std::string> arguments;
  std::string problem;  // empty: any sentence
};

void PrintTo(const Misuse& m, std::ostream* os) {
  for (const std::string& argument : m.arguments) {
    *os << '[' << argument << ']';
  }
}

class ParseArgumentsRefuses : public ::testing::TestWithParam<Misuse> {};

TEST_P(ParseArgumentsRefuses, SayingWhatIsWrongInASentence) {
  try {
    ParseArguments(GetParam().arguments);
    FAIL() << "taken";
  } catch (const UsageError& error) {
    const std::string problem = error.what();
    if (!GetParam().problem.empty()) {
      EXPECT_EQ(problem, GetParam().problem);
    }
    EXPECT_EQ(problem.back(), '.') << problem;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseArgumentsRefuses,
    ::testing::Values(Misuse{{}, "DIRECTORY and PLAN are missing."},
                      Misuse{{"dir"}, "PLAN is missing."},
                      Misuse{{"dir", "Sorvel", "25"},
                             "Too many arguments; put a plan name with a blank in quotes, as in "
                             "\"Sorvel 10\"."},
                      Misuse{{"", "Sorvel 10"}, "No directory specified."},
                      Misuse{{"dir", ""}, "You must choose a plan."}, Misuse{{"--list", "dir"}, ""},
                      Misuse{{"--lst"}, "Unknown option --lst."},
                      Misuse{{"-l", "dir", "Sorvel 10"}, "Unknown option -l."},
                      Misuse{{"--", "--help"}, "PLAN is missing."},
                      // An operand means that something else than help was meant.
                      Misuse{{"dir", "Sorvel 10", "--help"}, "--help takes no DIRECTORY or PLAN."},
                      Misuse{{"--version", "dir"}, "--version takes no DIRECTORY or PLAN."},
                      Misuse{{"--check", "--list", "dir", "Sorvel 10"},
                             "--list and --check cannot be given together."}));

#ifndef _WIN32
// Quotes are kept too where a name may hold them.
INSTANTIATE_TEST_SUITE_P(
    QuotesInAName, ParseArgumentsTest,
    ::testing::Values(Case{
        {" dir with \"quotes\\\" ", " x "}, Kind::kRewrite, " dir with \"quotes\\\" ", " x "}));
#else
// What "C:\Setup\" "Sorvel 60" reaches the program as: no Windows name
// holds a quote.
INSTANTIATE_TEST_SUITE_P(QuotedFolderEndingInABackslash, ParseArgumentsRefuses,
                         ::testing::Values(Misuse{{"C:\\Setup\" Sorvel", "60"}, ""}));
#endif

}  // namespace
}  // namespace planchoice::planset
