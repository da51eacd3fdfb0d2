// The package's plan action, entries of one DLL that Windows Installer
// loads from the package:
//   KeepInstalledValues  immediate, first: PLAN and INSTALLDIR given by a
//              user who is neither the system nor an elevated administrator
//              are dropped, as a repair that such a user starts runs as SYSTEM.
//   TakeOverNsisInstall  immediate, before the plan is checked, where the
//              NSIS setup has installed the product: its folder is the one
//              to install into, and its profile's plan is kept when no plan
//              is given.
//   CheckPlan  immediate, before anything is installed: PLAN names a plan,
//              whose number it hands the deferred actions.
//   CheckInstallFolder  immediate, once INSTALLDIR is known: no one but the
//              system and the administrators can change the folder or take
//              it away (the package makes a new one so).
//   SetPlan    deferred, without impersonation, once the files are in
//              place: the installed profile is rewritten with the plan's
//              number, as planset does, and the profile it replaces kept as
//              a backup.
//   RestoreProfile     its rollback: the backup back in the profile's place.
//   DropProfileBackup  its commit: the backup removed.
// Each says why it failed in the installer's log (and in a message box at
// full UI, where a user can see it), and its failure fails the installation.

#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "identity.h"
#include "logic/carried_plans.h"
#include "logic/outcome.h"
#include "logic/profile_rewrite.h"
#include "msi_action/plan_request.h"
#include "platform/error.h"
#include "platform/owner.h"
#include "platform/win32_folder_safety.h"
#include "platform/win32_text.h"
#include "platform/win32_trusted_accounts.h"
#include "platform/window_station.h"

namespace planchoice {

bool win32_close::MsiHandle(unsigned long handle) {
  return ::MsiCloseHandle(handle) == ERROR_SUCCESS;
}

}  // namespace planchoice

namespace planchoice::msi_action {
namespace {

std::string Property(MSIHANDLE install, const wchar_t* name) {
  wchar_t none[1] = L"";
  DWORD length = 0;
  UINT result = ::MsiGetPropertyW(install, name, none, &length);
  std::wstring value;
  if (result == ERROR_MORE_DATA) {
    value.resize(length + 1);
    length = static_cast<DWORD>(value.size());
    result = ::MsiGetPropertyW(install, name, value.data(), &length);
    value.resize(length);
  }
  if (result != ERROR_SUCCESS) {
    throw Error("The plan action could not read " + Narrow(name) + ": " + SystemMessage(result) +
                " Nothing was changed.");
  }
  return Narrow(value);
}

void SetProperty(MSIHANDLE install, const wchar_t* name, const std::string& value) {
  const UINT result = ::MsiSetPropertyW(install, name, Widen(value).c_str());
  if (result != ERROR_SUCCESS) {
    throw Error("The plan action could not set " + Narrow(name) + ": " + SystemMessage(result) +
                " Nothing was changed.");
  }
}

bool SameFolder(const std::string& one, const std::string& other) {
  const std::wstring a = Widen(WithoutSeparator(one));
  const std::wstring b = Widen(WithoutSeparator(other));
  return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

// How a failure's sentence goes to the installer. An error is a message box
// that waits for OK at every UI level but none (INSTALLUILEVEL_NONE), so
// below full UI, and where no user can see the installer's windows, the
// sentence is information for the log only. Windows Installer's advice is to
// send errors whatever the UI level, for the logs and tools that watch them:
// so they are, wherever no box can wait.
Reporting ReportingHere(MSIHANDLE install) {
  const unsigned long level = std::strtoul(Property(install, L"UILevel").c_str(), nullptr, 10);
  switch (level & 0x1F) {  // the higher bits are options of the level
    case INSTALLUILEVEL_NONE:
      return Reporting::kError;
    case INSTALLUILEVEL_FULL:
      return UserCanSeeWindows() ? Reporting::kError : Reporting::kLogOnly;
    default:
      return Reporting::kLogOnly;
  }
}

// Puts `sentence` in the installer's log, and as `reporting` says before the
// user.
void Report(MSIHANDLE install, Reporting reporting, const std::string& sentence) {
  const MsiHandleOwner record(::MsiCreateRecord(1));
  if (!record) {
    return;
  }
  // The sentence is a field of its own, so the installer does not read
  // anything in it as a property's name.
  ::MsiRecordSetStringW(record.get(), 0, L"[1]");
  ::MsiRecordSetStringW(record.get(), 1, Widen(sentence).c_str());
  ::MsiProcessMessage(install,
                      reporting == Reporting::kError
                          ? INSTALLMESSAGE(INSTALLMESSAGE_ERROR | MB_OK | MB_ICONERROR)
                          : INSTALLMESSAGE_INFO,
                      record.get());
}

// Runs `action`; a failure is reported as `reporting` says once it has
// failed, as the action may learn how only as it runs.
template <typename Action>
UINT Run(MSIHANDLE install, const Reporting& reporting, Action action) {
  try {
    action();
    return ERROR_SUCCESS;
  } catch (...) {
    Report(install, reporting, CurrentFailure().message);
    return ERROR_INSTALL_FAILURE;
  }
}

// SetPlan's copy of the profile it replaces, beside it.
std::wstring BackupPath(const std::string& directory) {
  return Widen(directory + "\\" + std::string(kBackupName));
}

// Removes the backup; one that is not there is no failure.
void DropBackup(const std::string& directory) {
  const std::wstring backup = BackupPath(directory);
  ::SetFileAttributesW(backup.c_str(), FILE_ATTRIBUTE_NORMAL);  // a read-only profile's copy
  if (::DeleteFileW(backup.c_str())) {
    return;
  }
  const DWORD error = ::GetLastError();
  if (error != ERROR_FILE_NOT_FOUND) {
    throw FileError("remove", Narrow(backup), SystemMessage(error));
  }
}

// Copies the profile in `directory` to the backup, so that a rollback can put
// it back. A backup left by an earlier installation goes first: a rollback
// must never put back a profile older than the one this rewrite replaces.
void KeepBackup(const std::string& directory) {
  DropBackup(directory);
  const std::wstring profile = Widen(planchoice::ProfilePath(directory));
  if (::CopyFileW(profile.c_str(), BackupPath(directory).c_str(), TRUE)) {
    return;
  }
  const DWORD error = ::GetLastError();
  if (error != ERROR_FILE_NOT_FOUND) {  // without a profile the rewrite says what is wrong
    throw FileError("copy", Narrow(profile), SystemMessage(error));
  }
}

// Runs `action` with the request in the data text the package gave the
// deferred action: all that such an action sees.
template <typename Action>
UINT RunDeferred(MSIHANDLE install, Action action) {
  Reporting reporting = Reporting::kLogOnly;
  return Run(install, reporting, [install, &reporting, &action] {
    const PlanRequest request = ParsePlanRequest(Property(install, L"CustomActionData"));
    reporting = request.reporting;
    action(request);
  });
}

}  // namespace
}  // namespace planchoice::msi_action

// The entries the package's CustomAction rows name.
// A user who may repair the per-machine product but not change it otherwise
// starts SYSTEM's rewrite with values of their own: those are dropped, and
// the installed plan and folder are kept.
extern "C" UINT __stdcall KeepInstalledValues(MSIHANDLE install) {
  using namespace planchoice::msi_action;
  Reporting reporting = Reporting::kLogOnly;
  return Run(install, reporting, [install] {
    if (planchoice::ClientIsPrivileged()) {
      return;
    }
    for (const wchar_t* name : {L"PLAN", L"INSTALLDIR"}) {
      if (!Property(install, name).empty()) {
        SetProperty(install, name, "");
        Report(install, Reporting::kLogOnly,
               planchoice::Narrow(name) +
                   " was given by a user who is not an administrator; it is ignored, and what "
                   "is installed is kept.");
      }
    }
  });
}

// The NSIS setup's installation in NSISFOLDER becomes this package's: the
// package then sets INSTALLDIR to it unless one was given, and removes the
// setup's uninstaller and entry as it installs. An entry whose folder holds
// no profile is left to that removal, and NSISFOLDER cleared.
extern "C" UINT __stdcall TakeOverNsisInstall(MSIHANDLE install) {
  using namespace planchoice::msi_action;
  Reporting reporting = Reporting::kLogOnly;
  return Run(install, reporting, [install, &reporting] {
    using planchoice::Error;
    reporting = ReportingHere(install);
    const std::string folder = WithoutSeparator(Property(install, L"NSISFOLDER"));
    const std::string profile = folder + "\\" + std::string(planchoice::kProfileName);
    if (::GetFileAttributesW(planchoice::Widen(profile).c_str()) == INVALID_FILE_ATTRIBUTES) {
      // An entry left behind by a folder removed by hand: there is nothing to
      // take over, and the package removes the entry as it installs.
      Report(install, Reporting::kLogOnly,
             "The NSIS setup's entry names " + folder + ", which holds no " +
                 std::string(planchoice::kProfileName) + "; it is not taken over.");
      SetProperty(install, L"NSISFOLDER", "");
      return;
    }
    const std::string install_dir = Property(install, L"INSTALLDIR");
    const std::string installed =
        std::string(planchoice::kProductName) + " is installed in " + folder + " by its NSIS setup";
    // Without an INSTALLDIR given or remembered, the package installs into
    // the setup's folder (FolderFromNsisInstall, next).
    if (!install_dir.empty() && !SameFolder(folder, install_dir)) {
      throw Error(installed +
                  "; this package takes that installation over in its own folder only. " +
                  "Leave INSTALLDIR out, or uninstall it first. Nothing was changed.");
    }
    if (!Property(install, L"PLAN").empty()) {
      Report(install, Reporting::kLogOnly, installed + "; this package replaces it.");
      return;
    }
    // The plan is read before any file is replaced, by planset's own rule.
    const std::vector<planchoice::Plan> carried = planchoice::CarriedPlans(folder);
    if (carried.empty()) {
      Report(install, Reporting::kLogOnly,
             installed + ", and its profile carries no plan's number; give PLAN.");
      return;
    }
    const std::string plan(carried.front().label);
    SetProperty(install, L"PLAN", plan);
    Report(install, Reporting::kLogOnly,
           installed + "; this package replaces it and keeps its plan, \"" + plan +
               (carried.size() > 1 ? "\", whose number other plans share too." : "\"."));
  });
}

// The plan is looked up once, here: in the client's sequence before
// anything is costed, so that a bad PLAN fails at once; in the installing
// one once INSTALLDIR is known, where the deferred actions' data is written.
extern "C" UINT __stdcall CheckPlan(MSIHANDLE install) {
  using namespace planchoice::msi_action;
  Reporting reporting = Reporting::kLogOnly;
  return Run(install, reporting, [install, &reporting] {
    reporting = ReportingHere(install);
    const std::string_view number =
        AccessNumberOf(PlanOf({Property(install, L"PLAN"), Property(install, L"POLICYPLAN"),
                               Property(install, L"REMEMBEREDPLAN")}));
    // A deferred action can read neither the UI level nor where the
    // installer's windows are: its data tells it how to report, too.
    const std::string data = FormatPlanRequest(
        {reporting, WithoutSeparator(Property(install, L"INSTALLDIR")), std::string(number)});
    for (const wchar_t* action : {L"SetPlan", L"RestoreProfile", L"DropProfileBackup"}) {
      SetProperty(install, action, data);
    }
  });
}

extern "C" UINT __stdcall CheckInstallFolder(MSIHANDLE install) {
  using namespace planchoice::msi_action;
  Reporting reporting = Reporting::kLogOnly;
  return Run(install, reporting, [install, &reporting] {
    reporting = ReportingHere(install);
    planchoice::RefuseUnsafeInstallFolder(WithoutSeparator(Property(install, L"INSTALLDIR")));
  });
}

extern "C" UINT __stdcall SetPlan(MSIHANDLE install) {
  using namespace planchoice::msi_action;
  return RunDeferred(install, [](const PlanRequest& request) {
    KeepBackup(request.directory);
    try {
      planchoice::RewriteProfile(request.directory, request.access_number);
    } catch (const planchoice::DurabilityError&) {
      throw;  // the new profile is in place: a rollback puts the backup back
    } catch (...) {
      // The profile was left as it was, so a rollback has nothing to put back.
      try {
        DropBackup(request.directory);
      } catch (const planchoice::Error&) {
      }
      throw;
    }
  });
}

// Where the installation rolls back after SetPlan, the profile is put back
// as it was, with the identity the rewrite keeps; without a backup SetPlan
// changed nothing.
extern "C" UINT __stdcall RestoreProfile(MSIHANDLE install) {
  using namespace planchoice::msi_action;
  return RunDeferred(install, [](const PlanRequest& request) {
    const std::wstring backup = BackupPath(request.directory);
    if (::GetFileAttributesW(backup.c_str()) == INVALID_FILE_ATTRIBUTES) {
      return;
    }
    planchoice::InstallProfile(planchoice::Narrow(backup), request.directory, "");
    DropBackup(request.directory);
  });
}

extern "C" UINT __stdcall DropProfileBackup(MSIHANDLE install) {
  using namespace planchoice::msi_action;
  return RunDeferred(install, [](const PlanRequest& request) { DropBackup(request.directory); });
}
