#include "planset/arguments.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "planset/misuses.h"
#include "planset/setup_command_line.h"

namespace planchoice::planset {
namespace {

using Kind = Request::Kind;

struct Case {
  std::vector<std::string> arguments;
  Kind kind;
  std::string directory = "";
  std::string plan = "";
  std::string source = "";
  std::string output = "";
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
  EXPECT_EQ(request.output, GetParam().output);
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
INSTANTIATE_TEST_SUITE_P(
    WindowsOnly, ParseArgumentsTest,
    ::testing::Values(
        Case{{"--install-folder", "--", "C:\\K"}, Kind::kInstallFolder, "C:\\K"},
        Case{{"--setup-command-line", "C:\\line.txt"},
             Kind::kSetupCommandLine,
             "",
             "",
             "C:\\line.txt"},
        Case{{"--user-can-see"}, Kind::kUserCanSee}, Case{{"--setup-running"}, Kind::kSetupRunning},
        // What is printed goes to the file, whatever is asked.
        Case{
            {"--output=C:\\out.txt", "--which", "dir"}, Kind::kWhich, "dir", "", "", "C:\\out.txt"},
        Case{{"--help", "--output=out"}, Kind::kHelp, "", "", "", "out"}));
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

// The example installer's command line, read whole as the system hands it
// over: what it asks, or why it is refused (the start of the sentence), with
// the log file read either way.
struct SetupCase {
  const char* name;
  const char* tail;  // after the installer's quoted name
  SetupOptions expected;
};

void PrintTo(const SetupCase& c, std::ostream* os) {
  *os << c.name;
}

SetupCase Taken(const char* name, const char* tail, const char* plan, const char* folder,
                bool silent = true, const char* log = "") {
  return {name, tail, {plan, folder, log, silent, ""}};
}

// The log file and /S are read even from a line that is refused.
SetupCase Refused(const char* name, const char* tail, const char* refusal, bool silent = true,
                  const char* log = "") {
  return {name, tail, {"", "", log, silent, refusal}};
}

class ReadSetupCommandLineTest : public ::testing::TestWithParam<SetupCase> {};

TEST_P(ReadSetupCommandLineTest, TakesItAsMeantOrSaysWhyNot) {
  const SetupOptions& expected = GetParam().expected;
  const SetupOptions read = ReadSetupCommandLine("\"C:\\Setup Files\\kelvarin-setup.exe\"" +
                                                 std::string(GetParam().tail));
  EXPECT_EQ(read.log, expected.log);
  EXPECT_EQ(read.silent, expected.silent);
  if (expected.refusal.empty()) {
    EXPECT_EQ(read.refusal, "");
    EXPECT_EQ(read.plan, expected.plan);
    EXPECT_EQ(read.folder, expected.folder);
  } else {
    EXPECT_EQ(read.refusal.rfind(expected.refusal, 0), 0u) << read.refusal;
    EXPECT_EQ(read.refusal.back(), '.') << read.refusal;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Taken, ReadSetupCommandLineTest,
    ::testing::Values(
        Taken("KnownPlan", " /S /PLAN=\"Sorvel 60\" /D=C:\\Kelvarin Setup", "Sorvel 60",
              "C:\\Kelvarin Setup"),
        // As .NET, Python and PowerShell quote an argument with a blank.
        Taken("QuotedWhole", " /S \"/PLAN=Sorvel 60\" /D=C:\\K", "Sorvel 60", "C:\\K"),
        Taken("QuotedWholeAndInside", " /S \"/PLAN=\\\"Sorvel 60\\\"\" /D=C:\\K", "Sorvel 60",
              "C:\\K"),
        Taken("OptionInSmallLetters", " /S /plan=\"Sorvel 60\" /D=C:\\K", "Sorvel 60", "C:\\K"),
        Taken("SilentInQuotes", "  \"/S\"\t/NCRC ", "", ""),
        Taken("NothingGiven", "", "", "", false),
        Taken("LogWithBlanksAndLetters", " \"/log=C:\\Log Files\\setup \xC3\xBC.log\"", "", "",
              false, "C:\\Log Files\\setup \xC3\xBC.log"),
        // Two backslashes before a quote stand for one, and the quote closes.
        Taken("BackslashBeforeAClosingQuote", " \"/LOG=C:\\Logs\\\\\"", "", "", false,
              "C:\\Logs\\"),
        // NSIS drops blanks and backslashes at the end of the folder.
        Taken("FolderEndingInBackslashes", " /D=C:\\Kelvarin Setup\\ \\ ", "", "C:\\Kelvarin Setup",
              false),
        Taken("FolderOnAShare", " /D=\\\\server\\share\\Kelvarin", "",
              "\\\\server\\share\\Kelvarin", false)),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Refused, ReadSetupCommandLineTest,
    ::testing::Values(
        Refused("UnknownPlan", " /S /PLAN=Nope /D=C:\\K",
                "/PLAN= is refused: There is no plan \"Nope\"; the plans are \"Sorvel 10\", "),
        Refused("EmptyPlan", " /S /PLAN= /D=C:\\K", "/PLAN= names no plan;"),
        Refused("PlansetOption", " /S /PLAN=--help",
                "/PLAN= is refused: There is no plan \"--help\""),
        Refused("PlanTwice", " /S /PLAN=\"Sorvel 60\" /PLAN=\"Sorvel 10\"",
                "/PLAN= is given more than once"),
        Refused("PlanAfterAColon", " /S /PLAN:\"Sorvel 60\"", "/PLAN:Sorvel 60 is not taken"),
        Refused("PlanWithoutValue", " /S /PLAN /D=C:\\K", "/PLAN needs a plan"),
        Refused("FolderNotLast", " /S /D=C:\\K /PLAN=\"Sorvel 60\"", "/D= must come last"),
        Refused("FolderQuoted", " /S /PLAN=\"Sorvel 60\" /D=\"C:\\K\"",
                "/D= must not be in quotes"),
        Refused("FolderRelative", " /S /PLAN=\"Sorvel 60\" /D=Kelvarin Setup",
                "/D=Kelvarin Setup is not a folder this setup can install into"),
        Refused("FolderWithForwardSlashes", " /S /PLAN=\"Sorvel 60\" /D=C:/Kelvarin Setup",
                "/D=C:/Kelvarin Setup is not a folder"),
        Refused("DrivesRoot", " /S /PLAN=\"Sorvel 60\" /D=C:\\", "/D=C:\\ is not a folder"),
        Refused("ShareWithoutFolder", " /D=\\\\server\\share\\",
                "/D=\\\\server\\share\\ is not a folder", false),
        Refused("FolderOptionInQuotes", " \"/S\" \"/D=C:\\K\"",
                "/D=C:\\K is not taken: /D= must come last"),
        Refused("SilentInSmallLetters", " /s", "/s is not an option of this setup.", false),
        Refused("UnknownOption", " /Q", "/Q is not an option of this setup.", false),
        Refused("LogTwice", " /LOG=a.log /LOG=b.log", "/LOG= is given more than once", false,
                "b.log"),
        Refused("LogWithoutFile", " /S /LOG=", "/LOG= names no file"),
        Refused("LogOfARefusedLine", " /LOG=C:\\setup.log /PLAN=Nope", "/PLAN= is refused:", false,
                "C:\\setup.log")),
    [](const auto& info) { return std::string(info.param.name); });

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
