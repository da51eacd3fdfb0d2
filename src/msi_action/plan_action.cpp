// The package's plan action, two entries of one DLL that Windows Installer
// loads from the package:
//   CheckPlan  immediate, before anything is installed: PLAN names a plan.
//   SetPlan    deferred, without impersonation, once the files are in
//              place: the installed profile is rewritten with the plan's
//              number, as planset does.
// Each says why it failed in the installer's log (and in a message box when
// the installer shows its UI), and its failure fails the installation.

#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include <string>

#include "logic/outcome.h"
#include "logic/profile_rewrite.h"
#include "msi_action/plan_request.h"
#include "platform/error.h"
#include "platform/owner.h"
#include "platform/win32_text.h"

namespace planchoice::msi_action {
namespace {

bool CloseMsiHandle(MSIHANDLE handle) {
  return ::MsiCloseHandle(handle) == ERROR_SUCCESS;
}
using MsiHandleOwner = Owner<NullIsNone<MSIHANDLE, CloseMsiHandle>>;

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

// Puts `sentence` in the installer's log, and before the user when the
// installer shows its UI.
void Report(MSIHANDLE install, const std::string& sentence) {
  const MsiHandleOwner record(::MsiCreateRecord(1));
  if (!record) {
    return;
  }
  // The sentence is a field of its own, so the installer does not read
  // anything in it as a property's name.
  ::MsiRecordSetStringW(record.get(), 0, L"[1]");
  ::MsiRecordSetStringW(record.get(), 1, Widen(sentence).c_str());
  ::MsiProcessMessage(install, INSTALLMESSAGE(INSTALLMESSAGE_ERROR | MB_OK | MB_ICONERROR),
                      record.get());
}

template <typename Action>
UINT Run(MSIHANDLE install, Action action) {
  try {
    action();
    return ERROR_SUCCESS;
  } catch (...) {
    Report(install, CurrentFailure().message);
    return ERROR_INSTALL_FAILURE;
  }
}

}  // namespace
}  // namespace planchoice::msi_action

// The entries the package's CustomAction rows name.
extern "C" UINT __stdcall CheckPlan(MSIHANDLE install) {
  using namespace planchoice::msi_action;
  return Run(install, [install] { AccessNumberOf(Property(install, L"PLAN")); });
}

extern "C" UINT __stdcall SetPlan(MSIHANDLE install) {
  using namespace planchoice::msi_action;
  return Run(install, [install] {
    // A deferred action sees only the data text the package gave it.
    const PlanRequest request = ParsePlanRequest(Property(install, L"CustomActionData"));
    planchoice::RewriteProfile(request.directory, AccessNumberOf(request.plan));
  });
}
