#include "driver/system_dpi.h"

#include <stdexcept>

namespace planchoice::driver {
namespace {

constexpr wchar_t kDesktopKey[] = L"Control Panel\\Desktop";
constexpr wchar_t kDpiValue[] = L"LogPixels";

}  // namespace

SystemDpiSetting::SystemDpiSetting(DWORD dpi) {
  DWORD value = 0;
  DWORD size = sizeof(value);
  if (::RegGetValueW(HKEY_CURRENT_USER, kDesktopKey, kDpiValue, RRF_RT_REG_DWORD, nullptr, &value,
                     &size) == ERROR_SUCCESS) {
    previous_ = value;
  }
  // Creates the key, should the prefix have none yet.
  if (::RegSetKeyValueW(HKEY_CURRENT_USER, kDesktopKey, kDpiValue, REG_DWORD, &dpi, sizeof(dpi)) !=
      ERROR_SUCCESS) {
    throw std::runtime_error("cannot set the system DPI");
  }
}

SystemDpiSetting::~SystemDpiSetting() {
  if (previous_) {
    ::RegSetKeyValueW(HKEY_CURRENT_USER, kDesktopKey, kDpiValue, REG_DWORD, &*previous_,
                      sizeof(*previous_));
  } else {
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kDesktopKey, kDpiValue);
  }
}

}  // namespace planchoice::driver
