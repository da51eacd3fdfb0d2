#include "driver/unseen_desktop.h"

#include <stdexcept>

#include "platform/win32_text.h"

namespace planchoice::driver {
namespace {

[[noreturn]] void ThrowSystemError(const char* what) {
  throw std::runtime_error(std::string("cannot make ") + what + ": " +
                           SystemMessage(::GetLastError()));
}

}  // namespace

UnseenDesktop::UnseenDesktop() {
  const std::wstring station = L"planchoice-unseen-" + std::to_wstring(::GetCurrentProcessId());
  station_ =
      decltype(station_)(::CreateWindowStationW(station.c_str(), 0, WINSTA_ALL_ACCESS, nullptr));
  if (!station_) {
    ThrowSystemError("a window station");
  }
  // A desktop is made in the process's own window station, which is
  // therefore this one for the moment. The old one's handle is the process's.
  const HWINSTA own = ::GetProcessWindowStation();
  if (!::SetProcessWindowStation(station_.get())) {
    ThrowSystemError("a window station");
  }
  desktop_ =
      decltype(desktop_)(::CreateDesktopW(L"Default", nullptr, nullptr, 0, GENERIC_ALL, nullptr));
  const DWORD error = ::GetLastError();
  ::SetProcessWindowStation(own);
  if (!desktop_) {
    ::SetLastError(error);
    ThrowSystemError("a desktop");
  }
  name_ = station + L"\\Default";
}

}  // namespace planchoice::driver
