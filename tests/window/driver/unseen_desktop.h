// A window station of the test's own, which no user can see, as a service
// or a deployment tool running as SYSTEM has: a program started on its
// desktop makes windows that nobody sees.
#pragma once

#include <windows.h>

#include <string>

#include "platform/win32_owners.h"

namespace planchoice::driver {

namespace unseen_close {
inline bool WindowStation(HWINSTA station) {
  return ::CloseWindowStation(station) != 0;
}
inline bool Desktop(HDESK desktop) {
  return ::CloseDesktop(desktop) != 0;
}
}  // namespace unseen_close

class UnseenDesktop {
 public:
  // Throws std::runtime_error when the system refuses to make it.
  UnseenDesktop();

  // For STARTUPINFOW::lpDesktop: "<station>\Default".
  const std::wstring& name() const { return name_; }

 private:
  std::wstring name_;
  Owner<NullIsNone<HWINSTA, unseen_close::WindowStation>> station_;
  Owner<NullIsNone<HDESK, unseen_close::Desktop>> desktop_;
};

}  // namespace planchoice::driver
