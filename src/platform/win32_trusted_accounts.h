// Whose objects code that runs as SYSTEM or for an administrator may trust:
// those whom no standard user can stand for.
#pragma once

#include <windows.h>

#include <string>

namespace planchoice {

// Whether the user this thread acts for (in an installer's action, the user
// who started the installation) is the system, or an administrator with
// the administrators' rights in force (elevated).
bool ClientIsPrivileged();

// The system, the administrators, TrustedInstaller (which owns Program
// Files) and CREATOR OWNER, which stands for whoever makes a file and so
// grants nothing by itself; and the user this thread acts for, where that is
// the system or an elevated administrator.
class TrustedAccounts {
 public:
  TrustedAccounts();

  bool Include(PSID sid) const;

 private:
  std::wstring privileged_client_;  // as a SID's text; empty for none
};

// "DOMAIN\name", or the SID where it has no name.
std::string NameOf(PSID sid);

}  // namespace planchoice
