// A window station of the test's own, which no user can see, as a service
// or a deployment tool running as SYSTEM has: a program started on its
// desktop makes windows that nobody sees.
#pragma once

#include <windows.h>

#include <string>

#include "platform/owner.h"

namespace planchoice::driver {

class UnseenDesktop {
 public:
  // Throws std::runtime_error when the system refuses to make it.
  UnseenDesktop();

  // For STARTUPINFOW::lpDesktop: "<station>\Default".
  const std::wstring& name() const { return name_; }

 private:
  std::wstring name_;
  WindowStationOwner station_;
  DesktopOwner desktop_;
};

}  // namespace planchoice::driver
