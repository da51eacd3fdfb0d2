// The example installer, run as a person and as an unattended install would
// run it: it installs the profile and both programs, then has the plan set
// through PlanChoice's window or, given /PLAN=, through planset.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>

#include "access_numbers.h"
#include "driver/child_process.h"
#include "driver/installer_window.h"
#include "driver/program_run.h"
#include "platform/file.h"
#include "support/build_output.h"
#include "window_fixture.h"

namespace planchoice::testing {
namespace {

// The installer's own exit codes.
constexpr DWORD kInstalled = 0;
constexpr DWORD kInstallFailed = 2;

constexpr std::string_view kShippedEntry = "Phone0=00000000\r\n";

std::string ShippedProfile() {
  return ReadBytes(BuildOutput("shipped-profile")).value_or("");
}

// The shipped profile with `number` in its Phone0 entry and every other
// byte as it was; the shipped profile itself when `number` is empty.
std::string ShippedProfileWith(std::string_view number) {
  std::string profile = ShippedProfile();
  if (!number.empty()) {
    profile.replace(profile.find(kShippedEntry), kShippedEntry.size(),
                    "Phone0=" + std::string(number) + "\r\n");
  }
  return profile;
}

class SetupTest : public ::testing::Test {
 protected:
  // Starts the installer with `options`, installing into the scratch folder.
  void StartSetup(const std::wstring& options) {
    setup_.emplace(BuildOutput("kelvarin-setup").wstring(),
                   L" " + options + L" /D=" + InstallDir());
  }

  // The PlanChoice.exe that the installer started, once it runs.
  std::optional<DWORD> PlanChoiceProcess() const {
    return driver::FindChildProcess(setup_->process_id(), L"PlanChoice.exe");
  }

  std::wstring InstallDir() const { return (dir_ / "Kelvarin Setup").wstring(); }
  std::optional<std::string> Installed(const std::string& name) const {
    return dir_.Read("Kelvarin Setup/" + name);
  }

  void ExpectProgramsInstalled() const {
    for (const char* program : {"PlanChoice", "planset"}) {
      const std::filesystem::path built = BuildOutput(program);
      ASSERT_TRUE(ReadBytes(built)) << built << " was not built";
      EXPECT_EQ(Installed(built.filename().u8string()), ReadBytes(built))
          << built << " is not the build's";
    }
  }

  // A blank and a letter beyond ASCII, which the paths handed to the programs
  // must keep.
  const ScratchDir dir_{"planchoice setup \xC3\xBC"};
  std::optional<driver::ProgramRun> setup_;
};

// Silent installs without a plan: PlanChoice's window asks for it, and the
// installer ends as the script says for each way the window ends.
enum class InWindow { kPicksPlan, kPressesEscape, kCannotSave, kIsKilled };

struct WindowOutcome {
  const char* name;
  InWindow user;
  DWORD setup_exit_code;
  std::string_view number;  // in the installed profile; empty: as shipped
};

void PrintTo(const WindowOutcome& outcome, std::ostream* out) {
  *out << outcome.name;
}

class SilentSetupAsksForThePlan : public SetupTest,
                                  public ::testing::WithParamInterface<WindowOutcome> {};

TEST_P(SilentSetupAsksForThePlan, AndEndsAsTheWindowDid) {
  StartSetup(L"/S");
  const auto plan_choice = PlanChoiceProcess();
  ASSERT_TRUE(plan_choice) << "the installer did not start PlanChoice.exe";
  const auto dialog = driver::PlanDialog::Find(*plan_choice);
  ASSERT_TRUE(dialog) << "PlanChoice's window was not shown";
  EXPECT_EQ(Installed("kelvarin.cmp"), ShippedProfile());

  FileHandle held;
  switch (GetParam().user) {
    case InWindow::kIsKilled:
      driver::EndChildProcesses(setup_->process_id());
      break;
    case InWindow::kPressesEscape:
      ASSERT_TRUE(driver::WaitUntil([&] { return dialog->FocusIsInPlan(); }));
      ASSERT_TRUE(dialog->PressKey(VK_ESCAPE));
      break;
    case InWindow::kCannotSave:
      held = FileHandle(::CreateFileW((InstallDir() + L"\\kelvarin.cmp").c_str(), GENERIC_READ, 0,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
      ASSERT_TRUE(held);
      [[fallthrough]];
    case InWindow::kPicksPlan:
      ASSERT_TRUE(dialog->PickPlan(L"Sorvel 25"));
      ASSERT_TRUE(dialog->ClickOk());
      break;
  }
  if (held) {
    const auto report = driver::FindMessageBox(*plan_choice);
    ASSERT_TRUE(report) << "PlanChoice did not report the failure";
    report->Dismiss();
  }

  // Asking again would start PlanChoice.exe again, and the installer would wait.
  EXPECT_EQ(setup_->WaitForExitNumber(), GetParam().setup_exit_code);
  held.Reset();
  EXPECT_EQ(Installed("kelvarin.cmp"), ShippedProfileWith(GetParam().number));
  ExpectProgramsInstalled();
}

INSTANTIATE_TEST_SUITE_P(
    User, SilentSetupAsksForThePlan,
    ::testing::Values(WindowOutcome{"PicksAPlan", InWindow::kPicksPlan, kInstalled, kAccessNumberB},
                      // Nobody can be asked whether to choose again: it finishes without a plan.
                      WindowOutcome{"ClosesTheWindow", InWindow::kPressesEscape, kInstalled, ""},
                      // Nobody can be asked whether to try again: the installation fails.
                      WindowOutcome{"CannotSave", InWindow::kCannotSave, kInstallFailed, ""},
                      WindowOutcome{"IsKilled", InWindow::kIsKilled, kInstallFailed, ""}),
    [](const auto& info) { return std::string(info.param.name); });

// Unattended installs: planset sets the plan given as /PLAN=, with no window;
// any plan it refuses fails the installation.
struct UnattendedRun {
  const char* name;
  const wchar_t* options;
  DWORD setup_exit_code;
  std::string_view number;  // in the installed profile; empty: as shipped
};

void PrintTo(const UnattendedRun& run, std::ostream* out) {
  *out << run.name;
}

class UnattendedSetup : public SetupTest, public ::testing::WithParamInterface<UnattendedRun> {};

TEST_P(UnattendedSetup, SetsThePlanOrFails) {
  StartSetup(GetParam().options);
  // A window would wait for a person, and the installer with it.
  EXPECT_EQ(setup_->WaitForExitNumber(), GetParam().setup_exit_code);
  EXPECT_EQ(Installed("kelvarin.cmp"), ShippedProfileWith(GetParam().number));
  ExpectProgramsInstalled();
}

INSTANTIATE_TEST_SUITE_P(
    Plans, UnattendedSetup,
    ::testing::Values(UnattendedRun{"KnownPlan", L"/S /PLAN=\"Sorvel 60\"", kInstalled,
                                    kAccessNumberC},
                      UnattendedRun{"UnknownPlan", L"/S /PLAN=Nope", kInstallFailed, ""},
                      UnattendedRun{"EmptyPlan", L"/S /PLAN=", kInstallFailed, ""}),
    [](const auto& info) { return std::string(info.param.name); });

// With its pages shown, the installer asks what to do when the window was
// closed, and keeps planset's refusal in its log.
class SetupWithPages : public SetupTest {
 protected:
  // Starts the installer and clicks Install on its folder page.
  void Install(const std::wstring& options) {
    StartSetup(options);
    installer_ = driver::InstallerWindow::Find(setup_->process_id());
    ASSERT_TRUE(installer_) << "the installer's window was not shown";
    ASSERT_TRUE(installer_->ClickNext());
  }

  // Waits for the installation to end, closes the window as its one live
  // button does, and returns the installer's exit code.
  std::optional<DWORD> Close() const {
    if (!driver::WaitUntil([&] { return installer_->HasEnded(); }) ||
        !(installer_->ClickNext() || installer_->ClickCancel())) {
      return std::nullopt;
    }
    return setup_->WaitForExitNumber();
  }

  std::optional<driver::InstallerWindow> installer_;
};

struct ChooseAgain {
  const char* name;
  int answer;               // to "choose again?"
  std::string_view number;  // in the installed profile; empty: as shipped
};

void PrintTo(const ChooseAgain& choice, std::ostream* out) {
  *out << choice.name;
}

class WindowClosedDuringSetup : public SetupWithPages,
                                public ::testing::WithParamInterface<ChooseAgain> {};

TEST_P(WindowClosedDuringSetup, AsksWhetherToChooseAgain) {
  ASSERT_NO_FATAL_FAILURE(Install(L""));
  auto plan_choice = PlanChoiceProcess();
  ASSERT_TRUE(plan_choice) << "the installer did not start PlanChoice.exe";
  const auto dialog = driver::PlanDialog::Find(*plan_choice);
  ASSERT_TRUE(dialog) << "PlanChoice's window was not shown";
  dialog->ClickCloseBox();

  const auto question = installer_->FindMessageBox();
  ASSERT_TRUE(question) << "the installer did not ask";
  EXPECT_EQ(question->Buttons().size(), 2u);
  question->Press(GetParam().answer);
  if (GetParam().answer == IDYES) {
    plan_choice = PlanChoiceProcess();
    ASSERT_TRUE(plan_choice) << "PlanChoice.exe was not started again";
    const auto again = driver::PlanDialog::Find(*plan_choice);
    ASSERT_TRUE(again) << "PlanChoice's window was not shown again";
    ASSERT_TRUE(again->PickPlan(L"Sorvel 10"));
    ASSERT_TRUE(again->ClickOk());
  }

  EXPECT_EQ(Close(), kInstalled);
  EXPECT_EQ(Installed("kelvarin.cmp"), ShippedProfileWith(GetParam().number));
}

INSTANTIATE_TEST_SUITE_P(Answers, WindowClosedDuringSetup,
                         ::testing::Values(ChooseAgain{"Yes", IDYES, kAccessNumberA},
                                           ChooseAgain{"No", IDNO, ""}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SetupWithPages, LogsPlansetsReasonWhenItRefusesThePlan) {
  ASSERT_NO_FATAL_FAILURE(Install(L"/PLAN=N\u00f6pe"));
  ASSERT_TRUE(driver::WaitUntil([&] { return installer_->HasEnded(); }));
  std::wstring log;
  for (const std::wstring& line : installer_->LogLines()) {
    log += line + L"\n";
  }
  // planset names the plan it refused and the plans there are.
  EXPECT_TRUE(Contains(log, L"\"N\u00f6pe\""));
  EXPECT_TRUE(Contains(log, L"\"Sorvel Ever\""));
  EXPECT_EQ(Close(), kInstallFailed);
  EXPECT_EQ(Installed("kelvarin.cmp"), ShippedProfile());
}

}  // namespace
}  // namespace planchoice::testing
