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
  const std::string not_a_run = ", which no run of the setup makes.";
  const KernelObjectOwner mutex(::OpenMutexW(READ_CONTROL, FALSE, Widen(kSetupMutex).c_str()));
  if (!mutex) {
    const DWORD error = ::GetLastError();
    switch (error) {
      case ERROR_FILE_NOT_FOUND:
        return std::string("No run of the setup holds ") + kSetupMutex + ".";
      case ERROR_INVALID_HANDLE:
        return taken + "an object that is not a mutex" + not_a_run;
      case ERROR_ACCESS_DENIED:
        return taken + "a mutex that does not let administrators read who made it" + not_a_run;
      default:
        return "Whether a run of the setup holds " + std::string(kSetupMutex) +
               " cannot be told: " + AsSentenceEnd(SystemMessage(error));
    }
  }
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const DWORD error = ::GetSecurityInfo(mutex.get(), SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION,
                                        &owner, nullptr, nullptr, nullptr, &descriptor);
  if (error != ERROR_SUCCESS) {
    return taken +
           "a mutex whose maker cannot be read, so no run of the setup is taken to hold it: " +
           AsSentenceEnd(SystemMessage(error));
  }
  const LocalMemoryOwner owned(descriptor);
  // Windows gives every named object its maker as owner; where none is
  // named (Wine keeps none), nothing tells it from a run's lock.
  if (owner == nullptr || TrustedAccounts().Include(owner)) {
    return "";
  }
  return taken + "a mutex that " + NameOf(owner) + ", who is not an administrator, made" +
         not_a_run;
}

}  // namespace planchoice
