#include "planset/arguments.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "planset/misuses.h"

namespace planchoice::planset {
namespace {

using Kind = Request::Kind;

struct Case {
  std::vector<std::string> arguments;
  Kind kind;
  std::string directory = "";
  std::string plan = "";
  std::string source = "";
};

void PrintTo(const Case& c, std::ostream* os) {
  *os << ::testing::PrintToString(c.arguments);
}

class ParseArgumentsTest : public ::testing::TestWithParam<Case> {};

TEST_P(ParseArgumentsTest, ReadsTheRequestAndItsOperands) {
  const Request request = ParseArguments(GetParam().arguments);
  EXPECT_EQ(request.kind, GetParam().kind);
  EXPECT_EQ(request.directory, GetParam().directory);
  EXPECT_EQ(request.plan, GetParam().plan);
  EXPECT_EQ(request.source, GetParam().source);
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
        Case{{"--check", "--", "-dir", "Sorvel 10"}, Kind::kCheck, "-dir", "Sorvel 10"},
        Case{{"--which", "--", "-dir"}, Kind::kWhich, "-dir"},
        Case{{"--install-profile", "new", "dir", "x"}, Kind::kInstall, "dir", "x", "new"},
        Case{{"--install-profile", "new", "dir"}, Kind::kInstall, "dir", "", "new"},
        // A setup's command line quoted it twice: every form drops one enclosing pair.
        Case{{"--check-plan", "\"x\""}, Kind::kCheckPlan, "", "x"},
        Case{{"dir", "\"x\""}, Kind::kRewrite, "dir", "x"},
        Case{{"--check", "dir", "\"\"x\"\""}, Kind::kCheck, "dir", "\"\"x\"\""}));

#ifdef _WIN32
INSTANTIATE_TEST_SUITE_P(WindowsOnly, ParseArgumentsTest,
                         ::testing::Values(Case{
                             {"--install-folder", "--", "C:\\K"}, Kind::kInstallFolder, "C:\\K"}));
#endif

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

INSTANTIATE_TEST_SUITE_P(Cases, ParseArgumentsRefuses, ::testing::ValuesIn(Misuses()));

#ifndef _WIN32
// Quotes are kept too where a name may hold them.
INSTANTIATE_TEST_SUITE_P(
    QuotesInAName, ParseArgumentsTest,
    ::testing::Values(Case{
        {" dir with \"quotes\\\" ", " x "}, Kind::kRewrite, " dir with \"quotes\\\" ", " x "}));
#endif

}  // namespace

void PrintTo(const Misuse& misuse, std::ostream* out) {
  *out << ::testing::PrintToString(misuse.arguments);
}

const std::vector<Misuse>& Misuses() {
  static const std::vector<Misuse> misuses = {
      {{}, "DIRECTORY and PLAN are missing."},
      {{"dir"}, "PLAN is missing."},
      {{"dir", "Sorvel", "25"},
       "Too many arguments; put a plan name with a blank in quotes, as in \"Sorvel 10\"."},
      {{"", "Sorvel 10"}, "No directory specified."},
      {{"dir", ""}, "You must choose a plan."},
      {{"--list", "dir"}, ""},
      {{"--lst"}, "Unknown option --lst."},
      {{"-l", "dir", "Sorvel 10"}, "Unknown option -l."},
      {{"--", "--help"}, "PLAN is missing."},
      // An operand means that something else than help was meant.
      {{"dir", "Sorvel 10", "--help"}, "--help takes no DIRECTORY or PLAN."},
      {{"--version", "dir"}, "--version takes no DIRECTORY or PLAN."},
      {{"--check", "--list", "dir", "Sorvel 10"}, "--list and --check cannot be given together."},
      {{"--install-profile", "--which", "dir"}, ""},
      {{"--which"}, "--which needs a DIRECTORY."},
      {{"--check-plan", "\"\""}, "You must choose a plan."},
      {{"--install-profile", "new"}, "--install-profile needs a SOURCE profile and a DIRECTORY."},
      {{"--install-profile", "", "dir"}, "No profile to install was given."},
#ifdef _WIN32
      // What "C:\Setup\" "Sorvel 60" reaches the program as: no Windows name
      // holds a quote.
      {{"C:\\Setup\" Sorvel", "60"}, ""},
#endif
  };
  return misuses;
}

}  // namespace planchoice::planset
