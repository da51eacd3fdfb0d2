// The Windows Installer package, installed, upgraded and removed by the
// system's own msiexec, silently, as a deployment tool runs it.
#include <windows.h>
#include <gtest/gtest.h>
#include <msi.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "access_numbers.h"
#include "platform/owner.h"
#include "platform/win32_text.h"
#include "support/build_output.h"
#include "support/child_process.h"
#include "support/scratch_dir.h"
#include "support/under_wine.h"
#include "window_fixture.h"

namespace planchoice::testing {
namespace {

// Installs under Wine take seconds; a loaded machine may take many more.
constexpr std::chrono::minutes kInstallPatience{3};
// At a UI level that shows windows a message box waits for OK for ever.
constexpr std::chrono::minutes kShownPatience{1};

constexpr wchar_t kRememberedKey[] = L"SOFTWARE\\Kelvarin\\PlanChoice";
constexpr wchar_t kPolicyParent[] = L"SOFTWARE\\Policies\\Kelvarin";
constexpr wchar_t kPolicyKey[] = L"SOFTWARE\\Policies\\Kelvarin\\PlanChoice";
constexpr wchar_t kNsisEntry[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kelvarin Online";
constexpr wchar_t kPlanInPolicy[] = L"Sorvel 10";

std::wstring UninstallKey(const std::wstring& product_code) {
  return L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + product_code;
}

// The product codes of the builds of the package installed: every version
// and reissue has its own, under the one upgrade code.
std::vector<std::wstring> InstalledBuilds() {
  std::vector<std::wstring> codes;
  wchar_t code[39];
  while (::MsiEnumRelatedProductsW(UPGRADE_CODE, 0, static_cast<DWORD>(codes.size()), code) ==
         ERROR_SUCCESS) {
    codes.emplace_back(code);
  }
  return codes;
}

std::optional<std::wstring> RegistryText(const std::wstring& key, const wchar_t* name) {
  wchar_t value[512] = L"";
  DWORD size = sizeof(value);
  if (::RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), name, RRF_RT_REG_SZ, nullptr, value, &size) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  return std::wstring(value);
}

// In the test's own registry view, or in the one `view` names.
bool KeyExists(const std::wstring& key, REGSAM view = 0) {
  HKEY opened = nullptr;
  const bool exists = ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_QUERY_VALUE | view,
                                      &opened) == ERROR_SUCCESS;
  const RegistryKeyOwner owner(opened);
  return exists;
}

std::wstring Expanded(const wchar_t* text) {
  wchar_t expanded[MAX_PATH] = L"";
  ::ExpandEnvironmentStringsW(text, expanded, MAX_PATH);
  return expanded;
}

// What is there before the row's msiexec runs.
enum class Before {
  kNothing,
  kPolicyPlan,                // Group Policy names "Sorvel 10"
  kInstalled,                 // this package, with "Sorvel 25"
  kOlderInstalled,            // the older version, with "Sorvel 60"
  kOlderInCustomFolder,       // the same, in a folder given as INSTALLDIR
  kOlderWithWorkFileFolder,   // the same, and the folder holds a folder named kelvarin.tmp
  kReissueInstalled,          // another build of this version, with "Sorvel 25"
  kInstalledWithWorkFile,     // this package, and a work file left by a killed rewrite
  kWorkFileIsAFolder,         // the install folder is the scratch one, and holds a folder
                              // named kelvarin.tmp, which the rewrite refuses
  kStaleNsisEntry,            // the NSIS setup's entry, naming a folder removed by hand
  kInstalledBesideNsisEntry,  // this package, with "Sorvel 25", and an NSIS setup's entry
                              // naming another folder that holds a profile
  kNsisEntryIn32BitView,      // the 32-bit setup's entry, naming a folder whose profile
                              // carries "Sorvel 60"
  kFolderUsersMayChange,      // the install folder is the scratch one, in which Users
                              // may do anything
  // Those that run the NSIS setup last.
  kNsisInstalled,           // the NSIS setup's installation, with "Sorvel 60"
  kNsisWithWorkFileFolder,  // the same, and the folder holds a folder named kelvarin.tmp
};

// What the row runs: the package, its removal, or the NSIS setup with the
// row's options.
enum class Runs { kPackage, kUninstall, kNsisSetup };

struct MsiRun {
  const char* name;
  Before before;
  const wchar_t* options;  // after /i (or /x) and the package
  DWORD exit_code;
  // The plan in place afterwards: its number in the installed profile and
  // the plan remembered; nothing when nothing is installed.
  std::optional<std::string_view> number;
  const wchar_t* remembered;
  // What the log must say, with {dir} for the install folder; empty: anything.
  const wchar_t* logged = L"";
  Runs runs = Runs::kPackage;
  const wchar_t* ui = L"/qn";         // msiexec's UI level
  bool older_stays = false;           // the older version is the one installed afterwards
  const char* wine_cannot = nullptr;  // why Wine's msiexec cannot do what Windows does
  bool nsis_stays = false;            // the NSIS setup's installation is the one there afterwards
};

void PrintTo(const MsiRun& run, std::ostream* out) {
  *out << run.name;
}

class MsiPackage : public ::testing::TestWithParam<MsiRun> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(InstalledBuilds().empty()) << "a product from an earlier test is still installed";
    // The setup's own tests leave its entry, naming scratch folders gone since.
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kNsisEntry);
  }

  void TearDown() override {
    for (const std::wstring& code : InstalledBuilds()) {
      Msiexec(L"/x " + code);
    }
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kPolicyParent);
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kNsisEntry);
    ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kNsisEntry, KEY_WOW64_32KEY, 0);
    std::error_code ignored;
    std::filesystem::remove_all(install_dir_, ignored);
  }

  // Runs msiexec, silently unless `ui` says otherwise, with its verbose log
  // in the scratch folder, and returns its exit code: all of it, where a
  // shell would keep the low byte.
  std::optional<DWORD> Msiexec(const std::wstring& arguments, const wchar_t* ui = L"/qn") const {
    const std::wstring log = (dir_ / "msiexec.log").wstring();
    const StartedProgram msiexec(Expanded(L"%SystemRoot%\\system32\\msiexec.exe"),
                                 L" " + arguments + L" " + ui + L" /l*v \"" + log + L"\"");
    return msiexec.WaitForExitNumber(std::wstring_view(ui) == L"/qn" ? kInstallPatience
                                                                     : kShownPatience);
  }

  std::optional<DWORD> Install(const std::string& package, const std::wstring& options,
                               const wchar_t* ui = L"/qn") const {
    return Msiexec(L"/i \"" + BuildOutput(package).wstring() + L"\" " + options, ui);
  }

  // Runs the NSIS setup silently into its default folder, the package's
  // too, with its log where msiexec's goes.
  std::optional<DWORD> NsisSetup(const std::wstring& options) const {
    const StartedProgram setup(
        BuildOutput("kelvarin-setup").wstring(),
        L" /S " + options + L" \"/LOG=" + (dir_ / "msiexec.log").wstring() + L"\"");
    return setup.WaitForExitNumber(kInstallPatience);
  }

  void Prepare(Before before) {
    switch (before) {
      case Before::kNothing:
        break;
      case Before::kPolicyPlan:
        // Creates the policy's key as it sets the value.
        ASSERT_EQ(::RegSetKeyValueW(HKEY_LOCAL_MACHINE, kPolicyKey, L"Plan", REG_SZ, kPlanInPolicy,
                                    sizeof(kPlanInPolicy)),
                  ERROR_SUCCESS);
        break;
      case Before::kInstalled:
      case Before::kInstalledWithWorkFile:
        ASSERT_EQ(Install("msi-package", L"PLAN=\"Sorvel 25\""), kInstalled);
        if (before == Before::kInstalledWithWorkFile) {
          std::filesystem::path work(install_dir_ / L"kelvarin.tmp");
          ASSERT_TRUE(std::ofstream(work).put('x'));
        }
        break;
      case Before::kOlderInstalled:
        ASSERT_EQ(Install("msi-older-package", L"PLAN=\"Sorvel 60\""), kInstalled);
        break;
      case Before::kOlderInCustomFolder:
      case Before::kOlderWithWorkFileFolder:
        install_dir_ = dir_ / "Kel Custom";
        ASSERT_EQ(Install("msi-older-package",
                          L"PLAN=\"Sorvel 60\" \"INSTALLDIR=" + install_dir_.wstring() + L"\""),
                  kInstalled);
        if (before == Before::kOlderWithWorkFileFolder) {
          ASSERT_TRUE(std::filesystem::create_directory(install_dir_ / L"kelvarin.tmp"));
        }
        break;
      case Before::kReissueInstalled:
        ASSERT_EQ(Install("msi-reissue-package", L"PLAN=\"Sorvel 25\""), kInstalled);
        break;
      case Before::kWorkFileIsAFolder:
        install_dir_ = dir_ / "Kelvarin Setup";
        ASSERT_TRUE(std::filesystem::create_directories(install_dir_ / L"kelvarin.tmp"));
        break;
      case Before::kFolderUsersMayChange:
        install_dir_ = dir_ / "Kelvarin Setup";
        ASSERT_NO_FATAL_FAILURE(LetUsersChange(install_dir_));
        break;
      case Before::kStaleNsisEntry:
        ASSERT_NO_FATAL_FAILURE(SetNsisEntry(dir_ / "removed by hand", 0));
        break;
      case Before::kInstalledBesideNsisEntry:
      case Before::kNsisEntryIn32BitView: {
        const std::filesystem::path nsis_dir = dir_ / "Kel NSIS";
        ASSERT_TRUE(std::filesystem::create_directory(nsis_dir));
        std::ofstream(nsis_dir / "kelvarin.cmp", std::ios::binary)
            << "[Kelvarin]\r\nPhone0=" << kAccessNumberC << "\r\n";
        if (before == Before::kInstalledBesideNsisEntry) {
          ASSERT_EQ(Install("msi-package", L"PLAN=\"Sorvel 25\""), kInstalled);
          ASSERT_NO_FATAL_FAILURE(SetNsisEntry(nsis_dir, 0));
        } else {
          install_dir_ = nsis_dir;
          ASSERT_NO_FATAL_FAILURE(SetNsisEntry(nsis_dir, KEY_WOW64_32KEY));
        }
        break;
      }
      case Before::kNsisInstalled:
      case Before::kNsisWithWorkFileFolder:
        ASSERT_EQ(NsisSetup(L"/PLAN=\"Sorvel 60\""), kInstalled);
        if (before == Before::kNsisWithWorkFileFolder) {
          ASSERT_TRUE(std::filesystem::create_directory(install_dir_ / L"kelvarin.tmp"));
        }
        break;
    }
  }

  // The NSIS setup's entry, naming `folder`, in the registry view `view`.
  static void SetNsisEntry(const std::filesystem::path& folder, REGSAM view) {
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kNsisEntry, 0, nullptr, 0, KEY_SET_VALUE | view,
                                nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const RegistryKeyOwner owner(key);
    const std::wstring text = folder.wstring();
    ASSERT_EQ(::RegSetValueExW(key, L"InstallLocation", 0, REG_SZ,
                               reinterpret_cast<const BYTE*>(text.c_str()),
                               static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
  }

  const ScratchDir dir_{"planchoice msi \xC3\xBC"};
  std::filesystem::path install_dir_ = Expanded(L"%ProgramFiles%\\Kelvarin Setup");
};

TEST_P(MsiPackage, InstallsSetsThePlanOrLeavesNothing) {
  const MsiRun& run = GetParam();
  if (run.wine_cannot && UnderWine()) {
    GTEST_SKIP() << run.wine_cannot << "; the test kit runs this on Windows";
  }
#ifndef HAVE_NSIS_SETUP
  if (run.runs == Runs::kNsisSetup || run.before >= Before::kNsisInstalled) {
    GTEST_SKIP() << "this build makes no NSIS setup: makensis was not found";
  }
#endif
  ASSERT_NO_FATAL_FAILURE(Prepare(run.before));
  std::wstring options = run.options;
  if (run.before == Before::kWorkFileIsAFolder || run.before == Before::kFolderUsersMayChange) {
    options += L" \"INSTALLDIR=" + install_dir_.wstring() + L"\"";
  }
  std::filesystem::remove(dir_ / "msiexec.log");  // the NSIS setup adds to a log
  const auto exit_code = run.runs == Runs::kUninstall
                             ? Msiexec(L"/x \"" + BuildOutput("msi-package").wstring() + L"\"")
                         : run.runs == Runs::kNsisSetup ? NsisSetup(options)
                                                        : Install("msi-package", options, run.ui);
  EXPECT_EQ(exit_code, run.exit_code);
  const std::wstring logged = Replaced(run.logged, L"{dir}", install_dir_.wstring());
  EXPECT_NE(LogText(dir_ / "msiexec.log").find(logged), std::wstring::npos)
      << "the log does not say: " << Narrow(logged);

  // One build installed, with its Add/Remove Programs entry, and none of
  // the NSIS setup's beside it; the profile tells this build from the reissue.
  EXPECT_EQ(KeyExists(kNsisEntry), run.nsis_stays) << "the NSIS setup's entry";
  if (!run.nsis_stays) {
    EXPECT_FALSE(KeyExists(kNsisEntry, KEY_WOW64_32KEY)) << "the 32-bit setup's entry";
  }
  EXPECT_EQ(std::filesystem::exists(install_dir_ / "uninstall.exe"), run.nsis_stays);
  const std::vector<std::wstring> builds = InstalledBuilds();
  ASSERT_EQ(builds.size(), run.number && !run.nsis_stays ? 1u : 0u)
      << "builds of the package installed";
  // Kept for a rollback only until the installation ends, either way.
  EXPECT_FALSE(std::filesystem::exists(install_dir_ / "kelvarin.bak")) << "the profile's backup";
  if (run.nsis_stays) {
    ExpectInstalled(install_dir_, *run.number);
    EXPECT_FALSE(KeyExists(kRememberedKey));
  } else if (run.number) {
    EXPECT_EQ(RegistryText(UninstallKey(builds[0]), L"DisplayVersion"),
              run.older_stays ? OLDER_VERSION : PRODUCT_VERSION);
    ExpectInstalled(install_dir_, *run.number);
    EXPECT_EQ(RegistryText(kRememberedKey, L"Plan"), std::wstring(run.remembered));
    EXPECT_EQ(RegistryText(kRememberedKey, L"InstallDir"), install_dir_.wstring() + L"\\");
  } else {
    // Nothing of it left: no file (a refused work file folder stays as it
    // was), no remembered plan.
    for (const char* name : {"kelvarin.cmp", "PlanChoice.exe", "planset.exe"}) {
      EXPECT_FALSE(ReadBytes(install_dir_ / name)) << name;
    }
    EXPECT_FALSE(KeyExists(kRememberedKey));
    if (run.before == Before::kWorkFileIsAFolder) {
      EXPECT_TRUE(std::filesystem::is_directory(install_dir_ / L"kelvarin.tmp"));
    } else if (run.before == Before::kFolderUsersMayChange) {
      EXPECT_TRUE(std::filesystem::is_empty(install_dir_));
    } else {
      EXPECT_FALSE(std::filesystem::exists(install_dir_)) << install_dir_;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Silent, MsiPackage,
    ::testing::Values(
        MsiRun{"PlanGiven", Before::kNothing, L"PLAN=\"Sorvel 25\"", kInstalled, kAccessNumberB,
               L"Sorvel 25"},
        MsiRun{"UnknownPlan", Before::kNothing, L"PLAN=Nope", kInstallFailed, std::nullopt, L"",
               L"There is no plan \"Nope\"; the plans are \"Sorvel 10\", \"Sorvel 25\""},
        MsiRun{"PlanMissing", Before::kNothing, L"", kInstallFailed, std::nullopt, L"",
               L"No plan was given: set PLAN"},
        // Basic UI shows an error in a box that waits: the sentence goes to the log.
        MsiRun{"PlanMissingAtBasicUi", Before::kNothing, L"", kInstallFailed, std::nullopt, L"",
               L"No plan was given: set PLAN", Runs::kPackage, L"/qb"},
        MsiRun{"PlanFromGroupPolicy", Before::kPolicyPlan, L"", kInstalled, kAccessNumberA,
               L"Sorvel 10"},
        MsiRun{"CommandLineBeatsGroupPolicy", Before::kPolicyPlan, L"PLAN=\"Sorvel 60\"",
               kInstalled, kAccessNumberC, L"Sorvel 60"},
        // A newer version replaces the older one and keeps its plan.
        MsiRun{"UpgradeKeepsThePlan", Before::kOlderInstalled, L"", kInstalled, kAccessNumberC,
               L"Sorvel 60"},
        MsiRun{"UpgradeKeepsTheFolder", Before::kOlderInCustomFolder, L"", kInstalled,
               kAccessNumberC, L"Sorvel 60"},
        // A failed upgrade puts the older version back, once removed.
        MsiRun{"FailedUpgradeKeepsTheOlder", Before::kOlderWithWorkFileFolder, L"", kInstallFailed,
               kAccessNumberC, L"Sorvel 60",
               L"Could not remove {dir}\\kelvarin.tmp: It is a directory.", Runs::kPackage, L"/qn",
               true, "Wine's msiexec removes the older version outside the transaction"},
        // Another build of this version, with other contents, is replaced.
        MsiRun{"ReissueIsReplaced", Before::kReissueInstalled, L"", kInstalled, kAccessNumberB,
               L"Sorvel 25"},
        // The same package run again repairs, and a plan given then wins.
        MsiRun{"RunAgainWithAnotherPlan", Before::kInstalled, L"PLAN=\"Sorvel Ever\"", kInstalled,
               kAccessNumberB, L"Sorvel Ever"},
        // The rewrite fails once the files are in place: all of it is rolled back.
        MsiRun{"RewriteFails", Before::kWorkFileIsAFolder, L"PLAN=\"Sorvel 25\"", kInstallFailed,
               std::nullopt, L"", L"Could not remove {dir}\\kelvarin.tmp: It is a directory."},
        // A folder that others may change is refused before anything is installed.
        MsiRun{"FolderUsersMayChange", Before::kFolderUsersMayChange, L"PLAN=\"Sorvel 25\"",
               kInstallFailed, std::nullopt, L"", L"Users may change it", Runs::kPackage, L"/qn",
               false,
               "Wine keeps no permissions set on a folder: it makes them from the Unix mode"},
        MsiRun{"Uninstall", Before::kInstalledWithWorkFile, L"", kInstalled, std::nullopt, L"", L"",
               Runs::kUninstall},
        // The package takes the NSIS setup's installation over, in its folder, with its plan.
        MsiRun{"TakesOverTheNsisSetup", Before::kNsisInstalled, L"", kInstalled, kAccessNumberC,
               L"Sorvel 60", L"by its NSIS setup; this package replaces it and keeps its plan"},
        MsiRun{"NsisSetupIsNotMovedElsewhere", Before::kNsisInstalled,
               L"\"INSTALLDIR=C:\\Elsewhere\"", kInstallFailed, kAccessNumberC, L"",
               L"takes that installation over in its own folder only", Runs::kPackage, L"/qn",
               false, nullptr, true},
        MsiRun{"FailedTakeOverKeepsTheNsisSetup", Before::kNsisWithWorkFileFolder, L"",
               kInstallFailed, kAccessNumberC, L"", L"It is a directory.", Runs::kPackage, L"/qn",
               false, "Wine's msiexec removes on rollback the files and keys it replaced", true},
        // An entry whose folder is gone is removed, and the package installs as if alone.
        MsiRun{"StaleNsisEntryIsNotTakenOver", Before::kStaleNsisEntry, L"PLAN=\"Sorvel 25\"",
               kInstalled, kAccessNumberB, L"Sorvel 25",
               L"holds no kelvarin.cmp; it is not taken over"},
        // The folder remembered is no INSTALLDIR given: an NSIS setup's
        // entry elsewhere is removed, and the installation stays where it is.
        MsiRun{"RepairBesideAnNsisEntryElsewhere", Before::kInstalledBesideNsisEntry, L"",
               kInstalled, kAccessNumberB, L"Sorvel 25"},
        // The 32-bit setup's entry is found, and removed, in its own view.
        MsiRun{"TakesOverThe32BitSetup", Before::kNsisEntryIn32BitView, L"", kInstalled,
               kAccessNumberC, L"Sorvel 60", L"this package replaces it and keeps its plan"},
        // The NSIS setup refuses to install over the package.
        MsiRun{"NsisSetupRefusesOverThePackage", Before::kInstalled, L"/PLAN=\"Sorvel 10\"",
               kInstallFailed, kAccessNumberB, L"Sorvel 25",
               L"by its Windows Installer package (.msi). Change that installation with msiexec",
               Runs::kNsisSetup}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace planchoice::testing
