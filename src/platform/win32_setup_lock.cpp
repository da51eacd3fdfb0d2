#include "platform/win32_setup_lock.h"

#include <windows.h>
#include <aclapi.h>

#include "identity.h"
#include "platform/error.h"
#include "platform/owner.h"
#include "platform/win32_text.h"
#include "platform/win32_trusted_accounts.h"

namespace planchoice {

std::string WhyNoSetupHoldsTheLock() {
  const std::string taken = std::string("The name ") + kSetupMutex + " is taken by ";
  const std::string not_a_run =
      ", and only the system or the administrators make the setup's lock; no run holds it.";
  const std::wstring name = Widen(kSetupMutex);
  const KernelObjectOwner mutex(::OpenMutexW(READ_CONTROL, FALSE, name.c_str()));
  const DWORD open_error = mutex ? ERROR_SUCCESS : ::GetLastError();
  switch (open_error) {
    case ERROR_SUCCESS:
      break;
    case ERROR_FILE_NOT_FOUND:
      return std::string("No run of the setup holds ") + kSetupMutex + ".";
    case ERROR_INVALID_HANDLE:
      return taken + "an object that is not a mutex" + not_a_run;
    case ERROR_ACCESS_DENIED:
      return taken + "a mutex that does not let the administrators read who made it" + not_a_run;
    default:
      return "Whether a run of the setup holds " + std::string(kSetupMutex) +
             " cannot be told: " + AsSentenceEnd(SystemMessage(open_error));
  }
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const DWORD error = ::GetSecurityInfo(mutex.get(), SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION,
                                        &owner, nullptr, nullptr, nullptr, &descriptor);
  if (error != ERROR_SUCCESS) {
    return "Whether a run of the setup holds " + std::string(kSetupMutex) +
           " cannot be told: " + AsSentenceEnd(SystemMessage(error));
  }
  const LocalMemoryOwner owned(descriptor);
  // Windows gives every object an owner (the administrators, for the
  // setup's lock); where none is named (Wine keeps none), nothing tells it
  // from a run's lock.
  if (owner == nullptr || TrustedAccounts().Include(owner)) {
    return "";
  }
  return taken + "a mutex that " + NameOf(owner) + " owns" + not_a_run;
}

}  // namespace planchoice
