// Runs the built planset program, natively or under Wine, for each of its
// exit codes and for real rewrites.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "logic/outcome.h"
#include "logic/plan_table.h"
#include "logic/profile_rewrite.h"
#include "planset/misuses.h"
#include "platform/file.h"
#include "support/build_output.h"
#include "support/child_process.h"
#include "support/scratch_dir.h"
#include "support/under_wine.h"

#ifdef _WIN32
#include "platform/win32_text.h"
#endif

namespace planchoice::testing {
namespace {

namespace fs = std::filesystem;

const std::string kProfile = "[Kelvarin]\r\nServiceName=Kelvarin, Inc.\nPhone0=11112222\r\n";
const std::string kNoPhoneProfile = "[Kelvarin]\r\nPhone1=11112222\r\n";

// Text mode on Windows ends printed lines with CR LF.
std::string Printed(std::string text) {
#ifdef _WIN32
  for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 2)) {
    text.insert(at, 1, '\r');
  }
#endif
  return text;
}

std::string RewrittenProfile(std::string_view number) {
  return "[Kelvarin]\r\nServiceName=Kelvarin, Inc.\r\nPhone0=" + std::string(number) + "\r\n";
}

ProcessResult Planset(const std::vector<std::string>& arguments) {
  return RunProgram(testing::PlansetProgram(), arguments);
}

class PlansetRewrites : public ::testing::TestWithParam<Plan> {};

TEST_P(PlansetRewrites, TheProfileWithThePlansNumberAndPrintsNothing) {
  const ScratchDir dir;
  dir.Write("kelvarin.cmp", kProfile);
  const ProcessResult result = Planset({dir.Utf8(), std::string(GetParam().label)});
  EXPECT_EQ(result.exit_code, ExitCode::kSuccess) << result.error;
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.error, "");
  EXPECT_EQ(dir.Read("kelvarin.cmp"), RewrittenProfile(GetParam().access_number));
  EXPECT_FALSE(fs::exists(dir / "kelvarin.tmp"));
}

// --install-profile puts another profile's lines in the profile's place, with
// the plan's number or, without a plan, as they are.
TEST_P(PlansetRewrites, OrPutsAnotherProfileInItsPlace) {
  const ScratchDir dir;
  dir.Write("kelvarin.cmp", kNoPhoneProfile);
  dir.Write("new.cmp", kProfile);
  const std::string source = (dir / "new.cmp").u8string();
  const ProcessResult result =
      Planset({"--install-profile", source, dir.Utf8(), std::string(GetParam().label)});
  EXPECT_EQ(result.exit_code, ExitCode::kSuccess) << result.error;
  EXPECT_EQ(dir.Read("kelvarin.cmp"), RewrittenProfile(GetParam().access_number));
  EXPECT_EQ(Planset({"--install-profile", source, dir.Utf8()}).exit_code, ExitCode::kSuccess);
  EXPECT_EQ(dir.Read("kelvarin.cmp"), kProfile);
  EXPECT_FALSE(fs::exists(dir / "kelvarin.tmp"));
}

INSTANTIATE_TEST_SUITE_P(EveryPlan, PlansetRewrites, ::testing::ValuesIn(PlanTable),
                         [](const ::testing::TestParamInfo<Plan>& info) {
                           return "Row" + std::to_string(info.index + 1);
                         });

// A profile to install that cannot be put in the profile's place is named as
// the profile to install, in one sentence that says the profile stayed.
struct SourceCase {
  const char* name;
  std::optional<std::string> source;  // written as new.cmp; none: no such file
  const char* says;                   // what follows "The profile to install SOURCE "
};

void PrintTo(const SourceCase& c, std::ostream* out) {
  *out << c.name;
}

class PlansetRefusesTheProfileToInstall : public ::testing::TestWithParam<SourceCase> {};

TEST_P(PlansetRefusesTheProfileToInstall, NamingItAndLeavingTheProfile) {
  const ScratchDir dir;
  dir.Write("kelvarin.cmp", kProfile);
  const std::string source = (dir / "new.cmp").u8string();
  if (GetParam().source) {
    dir.Write("new.cmp", *GetParam().source);
  }
  const ProcessResult result = Planset({"--install-profile", source, dir.Utf8(), "Sorvel 25"});
  EXPECT_EQ(result.exit_code, ExitCode::kFailed);
  const std::string start = "The profile to install " + source + " " + GetParam().says;
  EXPECT_EQ(result.error.rfind(start, 0), 0u) << result.error << "does not start with " << start;
  const std::string end = "; " + ProfilePath(dir.Utf8()) + " was left unchanged." + Printed("\n");
  EXPECT_EQ(result.error.find(end), result.error.size() - end.size()) << result.error;
  EXPECT_EQ(dir.Read("kelvarin.cmp"), kProfile);
  EXPECT_FALSE(fs::exists(dir / "kelvarin.tmp"));
}

INSTANTIATE_TEST_SUITE_P(
    Sources, PlansetRefusesTheProfileToInstall,
    ::testing::Values(SourceCase{"Missing", std::nullopt, "could not be read: "},
                      SourceCase{"Empty", "", "is empty"},
                      SourceCase{"WithoutPhone0", kNoPhoneProfile, "has no \"Phone0=\" entry"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PlansetPrints, ThePlansAndTheirNumbersInRowOrder) {
  const ProcessResult result = Planset({"--list"});
  std::string expected;
  for (const Plan& plan : PlanTable) {
    expected += std::string(plan.label) + "\t" + std::string(plan.access_number) + "\n";
  }
  EXPECT_EQ(result.exit_code, ExitCode::kSuccess);
  EXPECT_EQ(result.out, Printed(expected));
  EXPECT_EQ(result.error, "");
}

TEST(PlansetPrints, ItsVersion) {
  const ProcessResult result = Planset({"--version"});
  EXPECT_EQ(result.exit_code, ExitCode::kSuccess);
  EXPECT_EQ(result.out, Printed(std::string("planset ") + PLANSET_VERSION + "\n"));
}

// A list of exit codes with each code's meaning on one line.
std::string Unwrapped(std::string list) {
  for (std::size_t at; (at = list.find("\n     ")) != std::string::npos;) {
    list.replace(at, 6, " ");
  }
  return list;
}

TEST(PlansetPrints, HelpWithTheUsageAndTheExitCodes) {
  const ProcessResult result = Planset({"--help"});
  EXPECT_EQ(result.exit_code, ExitCode::kSuccess);
  EXPECT_EQ(result.out.rfind("Usage: planset DIRECTORY PLAN", 0), 0u) << result.out;
  EXPECT_NE(result.out.find(Printed("Exit status:\n" + ExitCodeList(Program::kPlanset))),
            std::string::npos)
      << result.out;
  EXPECT_EQ(result.error, "");
  std::string listed =
      result.out.substr(std::min(result.out.find("Exit status:"), result.out.size()));
  listed.erase(std::remove(listed.begin(), listed.end(), '\r'), listed.end());
  std::istringstream lines(listed);
  for (std::string line; std::getline(lines, line);) {
    EXPECT_LE(line.size(), 79u) << line;
  }

  // README's table, "| code | PlanChoice.exe | planset |", lists what the
  // programs' table says, and for planset what its help says.
  std::string readme_window;
  std::string readme_planset = "Exit status:\n";
  std::ifstream readme(BuildOutput("readme"));
  const std::regex row(R"(^\| (\d+) \| ([^|]*) \| ([^|]*) \|\r?$)");
  std::smatch cells;
  for (std::string line; std::getline(readme, line);) {
    if (std::regex_match(line, cells, row)) {
      if (cells[2].length() > 0) {
        readme_window += "  " + cells[1].str() + "  " + cells[2].str() + "\n";
      }
      if (cells[3].length() > 0) {
        readme_planset += "  " + cells[1].str() + "  " + cells[3].str() + "\n";
      }
    }
  }
  EXPECT_EQ(readme_window, Unwrapped(ExitCodeList(Program::kWindow)));
  EXPECT_EQ(readme_planset, Unwrapped(listed));
}

// What the program adds to the parser's refusals (arguments_test.cpp).
class PlansetRejectsTheUsage : public ::testing::TestWithParam<planset::Misuse> {};

TEST_P(PlansetRejectsTheUsage, WithExitCode2AndTheUsageLine) {
  const ProcessResult result = Planset(GetParam().arguments);
  EXPECT_EQ(result.exit_code, ExitCode::kUsage);
  EXPECT_EQ(result.out, "");
  EXPECT_NE(result.error.find(Printed(GetParam().problem + "\nUsage: planset DIRECTORY PLAN\n")),
            std::string::npos)
      << result.error;
}

INSTANTIATE_TEST_SUITE_P(Cases, PlansetRejectsTheUsage, ::testing::ValuesIn(planset::Misuses()));

class PlansetRejectsAnUnknownPlan : public ::testing::TestWithParam<std::string> {};

TEST_P(PlansetRejectsAnUnknownPlan, ListsThePlansAndLeavesTheProfile) {
  const ScratchDir dir;
  dir.Write("kelvarin.cmp", kProfile);
  const ProcessResult result = Planset({dir.Utf8(), GetParam()});
  EXPECT_EQ(result.exit_code, ExitCode::kUsage);
  EXPECT_EQ(result.out, "");
  EXPECT_NE(result.error.find("\"" + GetParam() + "\""), std::string::npos) << result.error;
  EXPECT_EQ(result.error.back(), '\n');
  for (const Plan& plan : PlanTable) {
    EXPECT_NE(result.error.find("\"" + std::string(plan.label) + "\""), std::string::npos)
        << result.error;
  }
  EXPECT_EQ(dir.Read("kelvarin.cmp"), kProfile);
  EXPECT_FALSE(fs::exists(dir / "kelvarin.tmp"));
}

INSTANTIATE_TEST_SUITE_P(Labels, PlansetRejectsAnUnknownPlan,
                         ::testing::Values("sorvel 10", "Sorvel 10 ", " Sorvel 10", "Sorvel",
                                           std::string(10000, 'S')));

// --check and --which only read: --check's exit code says
// whether every "Phone0=" entry carries the plan's number, --which prints the
// plans whose number they carry, and the profile stays as it was.
struct CheckCase {
  const char* name;
  std::optional<std::string> profile;  // none: no profile at all
  std::string plan;                    // none for --which
  ExitCode code;
  std::string option = "--check";
  std::optional<std::string> printed = std::nullopt;  // none: a sentence exactly for kNotCarried
};

void PrintTo(const CheckCase& c, std::ostream* out) {
  *out << c.name;
}

class PlansetChecks : public ::testing::TestWithParam<CheckCase> {};

TEST_P(PlansetChecks, TheProfileAndWritesNothing) {
  const ScratchDir dir;
  if (GetParam().profile) {
    dir.Write("kelvarin.cmp", *GetParam().profile);
  }
  std::vector<std::string> arguments = {GetParam().option, dir.Utf8(), GetParam().plan};
  if (GetParam().plan.empty()) {
    arguments.pop_back();
  }
  const ProcessResult result = Planset(arguments);
  EXPECT_EQ(result.exit_code, GetParam().code) << result.out << result.error;
  if (GetParam().printed) {
    EXPECT_EQ(result.out, *GetParam().printed);
  } else {
    EXPECT_EQ(result.out.empty(), GetParam().code != ExitCode::kNotCarried) << result.out;
  }
  EXPECT_EQ(dir.Read("kelvarin.cmp"), GetParam().profile);
  EXPECT_FALSE(fs::exists(dir / "kelvarin.tmp"));
}

INSTANTIATE_TEST_SUITE_P(
    Profiles, PlansetChecks,
    ::testing::Values(
        CheckCase{"CarriesTheNumber", RewrittenProfile(LookUpAccessNumber("Sorvel 60")),
                  "Sorvel 60", ExitCode::kSuccess},
        CheckCase{"CarriesAnotherNumber", kProfile, "Sorvel 60", ExitCode::kNotCarried},
        CheckCase{"HasNoPhone0Entry", kNoPhoneProfile, "Sorvel 60", ExitCode::kNotCarried},
        CheckCase{"UnknownPlan", kProfile, "Sorvel", ExitCode::kUsage},
        CheckCase{"NoProfile", std::nullopt, "Sorvel 60", ExitCode::kFailed},
        CheckCase{"WhichOfOnePlan", RewrittenProfile(LookUpAccessNumber("Sorvel 60")), "",
                  ExitCode::kSuccess, "--which", Printed("Sorvel 60\n")},
        CheckCase{"WhichOfASharedNumber", RewrittenProfile(LookUpAccessNumber("Sorvel Ever")), "",
                  ExitCode::kSharedNumber, "--which", Printed("Sorvel 25\nSorvel Ever\n")},
        CheckCase{"WhichOfNoPlan", kProfile, "", ExitCode::kNotCarried, "--which", ""}),
    [](const auto& info) { return std::string(info.param.name); });

#ifdef _WIN32
// What a setup script reads back, whatever the code page: with --output= the
// lines go to a file in UTF-16 with a byte order mark, and the setup's
// command line comes from one written so.
struct ForASetup {
  const char* name;
  std::vector<std::string> arguments;  // "{in}": a file holding `command_line`
  std::wstring command_line;
  ExitCode code;
  std::wstring printed;  // the output file's lines; "{in}" stands for that file
  bool byte_order_mark = true;
};

void PrintTo(const ForASetup& c, std::ostream* out) {
  *out << c.name;
}

// UTF-16 text as its bytes in a file.
std::string Utf16Bytes(std::wstring_view text) {
  return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}

// `text` with "{dir}" standing for `dir`.
std::wstring InDir(std::wstring text, const ScratchDir& dir) {
  for (std::size_t at = text.find(L"{dir}"); at != std::wstring::npos; at = text.find(L"{dir}")) {
    text.replace(at, 5, dir.path().wstring());
  }
  return text;
}

class PlansetAnswers : public ::testing::TestWithParam<ForASetup> {};

TEST_P(PlansetAnswers, ASetupScriptInUtf16) {
  const ScratchDir dir("planset setup \xC3\xBC");
  const std::string in = (dir / "command line.txt").u8string();
  // "{dir}" stands for the scratch folder, where a log file may be written.
  const std::wstring command_line = InDir(GetParam().command_line, dir);
  dir.Write("command line.txt",
            Utf16Bytes((GetParam().byte_order_mark ? L"\xFEFF" : L"") + command_line));
  std::vector<std::string> arguments = {"--output=" + (dir / "out.txt").u8string()};
  for (const std::string& argument : GetParam().arguments) {
    arguments.push_back(argument == "{in}" ? in : argument);
  }
  const ProcessResult result = Planset(arguments);
  EXPECT_EQ(result.exit_code, GetParam().code);
  EXPECT_EQ(result.out + result.error, "");
  std::wstring printed = InDir(GetParam().printed, dir);
  if (const std::size_t at = printed.find(L"{in}"); at != std::wstring::npos) {
    printed.replace(at, 4, Widen(in));
  }
  EXPECT_EQ(dir.Read("out.txt"), Utf16Bytes(L"\xFEFF" + printed));
}

INSTANTIATE_TEST_SUITE_P(
    Lines, PlansetAnswers,
    ::testing::Values(
        ForASetup{"TakenCommandLine",
                  {"--setup-command-line", "{in}"},
                  L"\"C:\\Setup\\kelvarin-setup.exe\" /S \"/LOG={dir}\\\u00fc.log\" "
                  L"/PLAN=\"Sorvel 60\" /D=C:\\Folder \u00fc",
                  ExitCode::kSuccess,
                  L"Sorvel 60\r\nC:\\Folder \u00fc\r\n{dir}\\\u00fc.log\r\n/S\r\n"},
        // Only what the setup needs to report the refusal: where, and whether silently.
        ForASetup{"RefusedCommandLine",
                  {"--setup-command-line", "{in}"},
                  L"kelvarin-setup.exe /LOG=C:\\setup.log \"/S\" /PLAN=N\u00f6pe",
                  ExitCode::kUsage,
                  L"\r\n\r\nC:\\setup.log\r\n/S\r\n/PLAN= is refused: There is no plan "
                  L"\"N\u00f6pe\"; the plans are \"Sorvel 10\", \"Sorvel 25\", \"Sorvel 60\" "
                  L"and \"Sorvel Ever\".\r\n"},
        ForASetup{"CommandLineNotInUtf16",
                  {"--setup-command-line", "{in}"},
                  L"kelvarin-setup.exe /S",
                  ExitCode::kFailed,
                  L"The file {in} does not begin with UTF-16's byte order mark.\r\n",
                  false},
        // The test session has a desktop a user could see.
        ForASetup{"UserCanSeeAWindow", {"--user-can-see"}, L"", ExitCode::kSuccess, L""}),
    [](const auto& info) { return std::string(info.param.name); });

// A DLL beside planset that Windows would load by name is never loaded: the
// program looks for DLLs in the system directory only.
TEST(PlansetLoadsNoPlantedDll, WhenItRewritesAProfileBesideIt) {
  if (UnderWine()) {
    GTEST_SKIP() << "Wine's Get/SetSecurityInfo load no NTMARTA.DLL, so a planted one is never "
                    "loaded, restricted or not; the test kit runs this on Windows";
  }
  const ScratchDir dir;
  fs::copy_file(testing::PlansetProgram(), dir / "planset.exe");
  fs::copy_file(BuildOutput("planted-ntmarta"), dir / "ntmarta.dll");
  dir.Write("kelvarin.cmp", kProfile);
  const ProcessResult result =
      RunProgram((dir / "planset.exe").u8string(), {dir.Utf8(), "Sorvel 25"});
  EXPECT_EQ(result.exit_code, ExitCode::kSuccess) << result.error;
  EXPECT_FALSE(fs::exists(dir / "planted-dll-loaded"));
}
#else
// A write beyond a file-size limit fails like any other, rather than the
// system ending the program halfway.
TEST(PlansetFailsWithExitCode3, WhenAFileSizeLimitIsReached) {
  const ScratchDir dir;
  std::string profile = kProfile;
  while (profile.size() < 1024 * 1024) {
    profile += "Entry=Some value, and some more text after it\r\n";
  }
  dir.Write("kelvarin.cmp", profile);
  const ProcessResult result =
      RunProgram("/bin/sh", {"-c", "ulimit -f 100 && exec \"$0\" \"$@\"", testing::PlansetProgram(),
                             dir.Utf8(), "Sorvel 25"});
  EXPECT_EQ(result.exit_code, ExitCode::kFailed);
  EXPECT_EQ(result.error.rfind("Could not write " + WorkPath(dir.Utf8()) + ": File too large.", 0),
            0u)
      << result.error;
  EXPECT_EQ(dir.Read("kelvarin.cmp"), profile);
  EXPECT_FALSE(fs::exists(dir / "kelvarin.tmp"));
}
#endif

}  // namespace
}  // namespace planchoice::testing
