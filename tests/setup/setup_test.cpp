// The example installer, run as a person and as an unattended install would
// run it: it installs the profile and both programs, then has the plan set
// through PlanChoice's window or, given /PLAN= or a profile that carries a
// plan already, through planset. What it cannot take as meant it refuses.
#include <windows.h>
#include <gtest/gtest.h>
#include <sddl.h>

#include <optional>
#include <string>
#include <string_view>

#include "access_numbers.h"
#include "driver/installer_window.h"
#include "driver/unseen_desktop.h"
#include "identity.h"
#include "platform/file.h"
#include "platform/owner.h"
#include "platform/win32_text.h"
#include "support/build_output.h"
#include "support/child_process.h"
#include "support/under_wine.h"
#include "window_fixture.h"

namespace planchoice::testing {
namespace {

class SetupTest : public ::testing::Test {
 protected:
  // The installer's Add/Remove Programs entry names the scratch folder, which
  // goes with the test: left, it would send a later install there.
  void TearDown() override {
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE,
                     L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kelvarin Online");
  }

  // Starts the installer with `options`, installing into the scratch folder.
  void StartSetup(const std::wstring& options) { StartSetupAs(options + L" /D={folder}"); }

  // Starts the installer with the command tail `tail`, exactly, but for
  // "{folder}", which stands for the scratch folder; on `desktop` when one
  // is named.
  void StartSetupAs(const std::wstring& tail, const std::wstring& desktop = L"") {
    setup_.emplace(BuildOutput("kelvarin-setup").wstring(),
                   L" " + Replaced(tail, L"{folder}", InstallDir()), desktop);
  }

  // PlanChoice's window, once the installer has started PlanChoice.exe and
  // it shows.
  void FindPlanChoice(std::optional<driver::PlanDialog>& dialog) const {
    const auto plan_choice = setup_->FindStarted(L"PlanChoice.exe");
    ASSERT_TRUE(plan_choice) << "the installer did not start PlanChoice.exe";
    dialog = driver::PlanDialog::Find(*plan_choice);
    ASSERT_TRUE(dialog) << "PlanChoice's window was not shown";
  }

  std::wstring InstallDir() const { return (dir_ / "Kelvarin Setup").wstring(); }

  // Holds the installed file `name` open, so that nobody can replace it.
  FileHandle HoldOpen(const std::wstring& name) const {
    return FileHandle(::CreateFileW((InstallDir() + L"\\" + name).c_str(), GENERIC_READ, 0, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  }

  // Where the installer goes when no folder is given or known.
  static std::filesystem::path DefaultFolder() {
    wchar_t program_files[MAX_PATH] = L"";
    ::GetEnvironmentVariableW(L"ProgramFiles", program_files, MAX_PATH);
    return std::filesystem::path(program_files) / "Kelvarin Setup";
  }

  // Nothing of the installer in the scratch folder, nor where it would have
  // gone instead of an unusable one.
  void ExpectNothingInstalled() const {
    EXPECT_FALSE(std::filesystem::exists(dir_ / "Kelvarin Setup"));
    EXPECT_FALSE(std::filesystem::exists(DefaultFolder()));
  }

  // A blank and a letter beyond ASCII, which the paths handed to the programs
  // must keep.
  const ScratchDir dir_{"planchoice setup \xC3\xBC"};
  std::optional<StartedProgram> setup_;
};

// Silent installs. Without a plan PlanChoice's window asks for it, and the
// installer ends as the script says for each way the window ends; asking
// again would start PlanChoice.exe again, and the installer would wait.
// With /PLAN= planset sets the plan, with no window; a command line the
// installer cannot take as meant is refused before anything is installed.
// A reinstall, repair or upgrade into a folder whose profile carries a
// plan's number sets that plan again without asking, unless another is
// given; a file it cannot replace fails it, and the old profile stays.
// Each row without a window ends within a few seconds.
enum class Before {
  kNothing,
  kUnseen,                   // started where no user can see a window
  kInstalled,                // with "Sorvel 60"
  kInstalledAndPlansetHeld,  // and planset.exe held open meanwhile
  kFolderUsersMayChange,     // the install folder is there, and Users may do anything in it
  kSetupRunning,             // a mutex of the setup's lock's name is held, as a run holds it
  kLockNameTaken,            // an object that is not a mutex has the lock's name
};

// What the user does in PlanChoice's window; or PlanChoice.exe ends, once
// it shows, as the row's `ends_with` says.
enum class InWindow { kNoWindow, kPicksPlan, kPressesEscape, kCannotSave, kEnds };

constexpr std::string_view kAsShipped = "";

struct SilentRun {
  const char* name;
  const wchar_t* tail;  // "{folder}" stands for the scratch folder
  DWORD setup_exit_code;
  // In the installed profile (kAsShipped: the shipped one); nothing when
  // nothing may be installed.
  std::optional<std::string_view> number;
  Before before = Before::kNothing;
  InWindow user = InWindow::kNoWindow;
  UINT ends_with = 255;  // for kEnds: 255, as when killed
  // What the log, written to "{folder}.log" by the row's /LOG=, must say.
  const wchar_t* logged = nullptr;
};

void PrintTo(const SilentRun& run, std::ostream* out) {
  *out << run.name;
}

class SilentSetup : public SetupTest, public ::testing::WithParamInterface<SilentRun> {};

TEST_P(SilentSetup, SetsThePlanOrRefusesAndEndsAsItMust) {
  const SilentRun& run = GetParam();
  FileHandle held;
  if (run.before == Before::kInstalled || run.before == Before::kInstalledAndPlansetHeld) {
    StartSetup(L"/S /PLAN=\"Sorvel 60\"");
    ASSERT_EQ(setup_->WaitForExitNumber(), kInstalled);
    if (run.before == Before::kInstalledAndPlansetHeld) {
      held = HoldOpen(L"planset.exe");
      ASSERT_TRUE(held);
    }
  }
  if (run.before == Before::kFolderUsersMayChange) {
    if (UnderWine()) {
      GTEST_SKIP() << "Wine keeps no permissions set on a folder: it makes them from the Unix "
                      "mode; the test kit runs this on Windows";
    }
    ASSERT_NO_FATAL_FAILURE(LetUsersChange(InstallDir()));
  }
  KernelObjectOwner lock;
  if (run.before == Before::kSetupRunning || run.before == Before::kLockNameTaken) {
    // Made as a run makes it: the administrators' own.
    PSECURITY_DESCRIPTOR protection = nullptr;
    ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(
        kSetupLockProtection, SDDL_REVISION_1, &protection, nullptr));
    const LocalMemoryOwner owned(protection);
    SECURITY_ATTRIBUTES attributes{sizeof attributes, protection, FALSE};
    const std::wstring name = Widen(kSetupMutex);
    lock = KernelObjectOwner(run.before == Before::kSetupRunning
                                 ? ::CreateMutexW(&attributes, FALSE, name.c_str())
                                 : ::CreateEventW(nullptr, FALSE, FALSE, name.c_str()));
    ASSERT_TRUE(lock);
  }
  std::optional<driver::UnseenDesktop> unseen;
  if (run.before == Before::kUnseen) {
    unseen.emplace();
  }
  StartSetupAs(run.tail, unseen ? unseen->name() : L"");
  std::optional<driver::PlanDialog> dialog;
  if (run.user != InWindow::kNoWindow) {
    ASSERT_NO_FATAL_FAILURE(FindPlanChoice(dialog));
    EXPECT_EQ(dir_.Read("Kelvarin Setup/kelvarin.cmp"), ShippedProfileWith(kAsShipped));
  }
  switch (run.user) {
    case InWindow::kNoWindow:
      break;
    case InWindow::kEnds:
      setup_->EndStarted(run.ends_with);
      break;
    case InWindow::kPressesEscape:
      ASSERT_TRUE(WaitUntil([&] { return dialog->FocusIsInPlan(); }));
      ASSERT_TRUE(dialog->PressKey(VK_ESCAPE));
      break;
    case InWindow::kCannotSave:
      held = HoldOpen(L"kelvarin.cmp");
      ASSERT_TRUE(held);
      [[fallthrough]];
    case InWindow::kPicksPlan:
      ASSERT_TRUE(dialog->PickPlan(L"Sorvel 25"));
      ASSERT_TRUE(dialog->ClickOk());
      break;
  }
  if (run.user == InWindow::kCannotSave) {
    const auto report = driver::FindMessageBoxOver(dialog->window());
    ASSERT_TRUE(report) << "PlanChoice did not report the failure";
    report->Dismiss();
  }

  // A window would wait for a person, and the installer with it.
  EXPECT_EQ(setup_->WaitForExitNumber(), run.setup_exit_code);
  held.Reset();
  if (run.number) {
    ExpectInstalled(InstallDir(), *run.number);
    EXPECT_FALSE(std::filesystem::exists(DefaultFolder()));
  } else if (run.before == Before::kFolderUsersMayChange) {
    EXPECT_TRUE(std::filesystem::is_empty(InstallDir()));
  } else {
    ExpectNothingInstalled();
  }
  if (run.logged) {
    const std::wstring log = LogText(InstallDir() + L".log");
    EXPECT_TRUE(Contains(log, run.logged)) << Narrow(log);
    // Each run takes the lock itself, unless the name is taken by what no run makes.
    EXPECT_EQ(Contains(log, L"without the lock"), run.before == Before::kLockNameTaken);
  }
}

constexpr wchar_t kLogged[] = L"/S \"/LOG={folder}.log\" /D={folder}";
constexpr wchar_t kLoggedWithPlan[] = L"/S /PLAN=\"Sorvel 10\" \"/LOG={folder}.log\" /D={folder}";

// A PlanChoice.exe that ends with `code` by itself once it shows.
constexpr SilentRun EndsWith(const char* name, UINT code, const wchar_t* logged) {
  return {name, kLogged, kInstallFailed, kAsShipped, Before::kNothing, InWindow::kEnds,
          code, logged};
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, SilentSetup,
    ::testing::Values(
        // The log cannot tell which of the plans that share a number was picked.
        SilentRun{"PicksAPlan", kLogged, kInstalled, kAccessNumberB, Before::kNothing,
                  InWindow::kPicksPlan, 255, L"The number of \"Sorvel 25\" is shared by plans"},
        // Nobody can be asked whether to choose again: it finishes without a
        // plan, and the log says how to choose one later.
        SilentRun{"ClosesTheWindow", kLogged, kCancelled, kAsShipped, Before::kNothing,
                  InWindow::kPressesEscape, 255,
                  L"run this setup again, which asks for it, or run"},
        // Nobody can be asked whether to try again: the installation fails.
        SilentRun{"CannotSave", L"/S /D={folder}", kInstallFailed, kAsShipped, Before::kNothing,
                  InWindow::kCannotSave},
        EndsWith("IsKilled", 255, L"PlanChoice.exe ended unexpectedly (exit code 255)."),
        // Killed too, perhaps: the profile is checked.
        EndsWith("EndsWithSuccessButNoPlan", 0, L"but the profile in"),
        EndsWith("EndsNotYetOnDisk", 4, L"may not be saved (PlanChoice.exe exit code 4)."),
        EndsWith("EndsWithNoWindow", 5, L"PlanChoice.exe ended unexpectedly (exit code 5)."),
        EndsWith("EndsAsAnotherRewriteRuns", 6, L"may not be saved (PlanChoice.exe exit code 6)."),
        EndsWith("EndsAsNoUserCanSee", 7, L"No user can see PlanChoice's window here"),
        // How each form of the command line is read is planset's, and its table's
        // (ReadSetupCommandLineTest in tests/planset); these rows show that the
        // whole line, /D= with it, reaches planset and that its answer counts.
        SilentRun{"KnownPlan", L"/S /PLAN=\"Sorvel 60\" /D={folder}", kInstalled, kAccessNumberC},
        SilentRun{"QuotedWholeAndInside", L"/S \"/PLAN=\\\"Sorvel 60\\\"\" /D={folder}", kInstalled,
                  kAccessNumberC},
        SilentRun{"UnknownPlan", L"/S /PLAN=Nope /D={folder}", kBadCommandLine, std::nullopt},
        SilentRun{"FolderNotLast", L"/S /D={folder} /PLAN=\"Sorvel 60\"", kBadCommandLine,
                  std::nullopt},
        SilentRun{"LogCannotBeWritten",
                  L"/S /PLAN=\"Sorvel 60\" \"/LOG={folder}\\missing\\setup.log\" /D={folder}",
                  kBadCommandLine, std::nullopt},
        SilentRun{"FolderQuoted", L"/S /PLAN=\"Sorvel 60\" /D=\"{folder}\"", kBadCommandLine,
                  std::nullopt},
        // A service, or a deployment tool running as SYSTEM: nobody could answer PlanChoice.
        SilentRun{"NoPlanWhereNoUserCanSee", L"/S /D={folder}", kInstallFailed, std::nullopt,
                  Before::kUnseen},
        SilentRun{"ReinstallKeepsThePlan", L"/S /D={folder}", kInstalled, kAccessNumberC,
                  Before::kInstalled},
        // Into the folder installed before, keeping its plan.
        SilentRun{"ReinstallWithoutFolder", L"/S", kInstalled, kAccessNumberC, Before::kInstalled},
        SilentRun{"ReinstallTakesAnotherPlanGiven", L"/S /PLAN=\"Sorvel 10\" /D={folder}",
                  kInstalled, kAccessNumberA, Before::kInstalled},
        // Programs that run for an administrator never go where others may change them.
        SilentRun{"FolderUsersMayChange", kLoggedWithPlan, kInstallFailed, std::nullopt,
                  Before::kFolderUsersMayChange, InWindow::kNoWindow, 255, L"Users may change it"},
        // One run at a time; but a name that any user may take first stops none.
        SilentRun{"AnotherRunHoldsTheLock", kLoggedWithPlan, kAlreadyRunning, std::nullopt,
                  Before::kSetupRunning, InWindow::kNoWindow, 255, L"Another run of the"},
        SilentRun{"LockNameTakenByAnotherObject", kLoggedWithPlan, kInstalled, kAccessNumberA,
                  Before::kLockNameTaken, InWindow::kNoWindow, 255, L"that is not a mutex"},
        SilentRun{"ReinstallCannotReplaceAProgram", L"/S /PLAN=\"Sorvel 10\" /D={folder}",
                  kInstallFailed, kAccessNumberC, Before::kInstalledAndPlansetHeld}),
    [](const auto& info) { return std::string(info.param.name); });

// With its pages shown, the installer asks what to do when the window was
// closed, and keeps planset's refusal in its log.
struct ChooseAgain {
  const char* name;
  int answer;               // to "choose again?"
  std::string_view number;  // in the installed profile
  DWORD setup_exit_code;
};

void PrintTo(const ChooseAgain& choice, std::ostream* out) {
  *out << choice.name;
}

class WindowClosedDuringSetup : public SetupTest,
                                public ::testing::WithParamInterface<ChooseAgain> {};

TEST_P(WindowClosedDuringSetup, AsksWhetherToChooseAgain) {
  StartSetup(L"");
  const auto installer = driver::InstallerWindow::Find(setup_->process_id());
  ASSERT_TRUE(installer) << "the installer's window was not shown";
  ASSERT_TRUE(installer->ClickNext()) << "Install on the folder page";
  std::optional<driver::PlanDialog> dialog;
  ASSERT_NO_FATAL_FAILURE(FindPlanChoice(dialog));
  dialog->ClickCloseBox();

  const auto question = driver::FindMessageBoxOver(installer->window());
  ASSERT_TRUE(question) << "the installer did not ask";
  EXPECT_EQ(question->Buttons().size(), 2u);
  question->Press(GetParam().answer);
  if (GetParam().answer == IDYES) {
    ASSERT_NO_FATAL_FAILURE(FindPlanChoice(dialog)) << "when asked to choose again";
    ASSERT_TRUE(dialog->PickPlan(L"Sorvel 10"));
    ASSERT_TRUE(dialog->ClickOk());
  }

  // The log on the last page names the exit code, as the one on disk does.
  ASSERT_TRUE(WaitUntil([&] { return installer->HasEnded(); }));
  std::wstring log;
  for (const std::wstring& line : installer->LogLines()) {
    log += line + L"\n";
  }
  EXPECT_TRUE(Contains(log, L"Exit code " + std::to_wstring(GetParam().setup_exit_code) + L":"));
  // The one live button of the last page closes it: Close, or Cancel after a failure.
  EXPECT_TRUE(installer->ClickNext() || installer->ClickCancel());
  EXPECT_EQ(setup_->WaitForExitNumber(), GetParam().setup_exit_code);
  ExpectInstalled(InstallDir(), GetParam().number);
}

INSTANTIATE_TEST_SUITE_P(Answers, WindowClosedDuringSetup,
                         ::testing::Values(ChooseAgain{"Yes", IDYES, kAccessNumberA, kInstalled},
                                           ChooseAgain{"No", IDNO, kAsShipped, kCancelled}),
                         [](const auto& info) { return std::string(info.param.name); });

// Its pages are drawn by the system at the screen's DPI, not at 96 DPI and
// stretched, with themed controls, as its manifest declares. What Wine shows
// cannot tell: it draws every program at the system's DPI, declared or not.
TEST_F(SetupTest, DeclaresItselfDpiAwareWithThemedControls) {
  const std::string program = ReadBytes(BuildOutput("kelvarin-setup")).value_or("");
  EXPECT_NE(program.find(">true</dpiAware>"), std::string::npos);
  EXPECT_NE(program.find("\"Microsoft.Windows.Common-Controls\" version=\"6."), std::string::npos);
}

// Refused before its pages, the installer says why, and its log on disk
// keeps planset's sentence, decoded rightly whatever the plan's letters.
TEST_F(SetupTest, LogsPlansetsReasonWhenItRefusesThePlan) {
  const std::filesystem::path log = dir_ / "setup log \xC3\xBC.log";
  StartSetup(L"/PLAN=N\u00f6pe \"/LOG=" + log.wstring() + L"\"");
  const auto refusal = driver::FindMessageBox(setup_->process_id());
  ASSERT_TRUE(refusal) << "the installer did not say why";
  EXPECT_TRUE(Contains(refusal->Text(), L"\"N\u00f6pe\""));
  refusal->Dismiss();
  EXPECT_EQ(setup_->WaitForExitNumber(), kBadCommandLine);

  ASSERT_EQ(ReadBytes(log).value_or("").substr(0, 2), "\xFF\xFE") << "the log is not in UTF-16";
  const std::wstring text = LogText(log);
  // planset names the plan it refused and the plans there are.
  EXPECT_TRUE(Contains(text, L"There is no plan \"N\u00f6pe\";"));
  EXPECT_TRUE(Contains(text, L"\"Sorvel Ever\""));
  EXPECT_TRUE(Contains(text, L"Exit code 1639"));
  ExpectNothingInstalled();
}

}  // namespace
}  // namespace planchoice::testing
