#include "driver/system_dpi.h"

#include <stdexcept>

#include "platform/owner.h"

namespace planchoice::driver {
namespace {

constexpr wchar_t kDesktopKey[] = L"Control Panel\\Desktop";
constexpr wchar_t kDpiValue[] = L"LogPixels";

RegistryKeyOwner OpenDesktopKey() {
  HKEY key = nullptr;
  if (::RegCreateKeyExW(HKEY_CURRENT_USER, kDesktopKey, 0, nullptr, 0,
                        KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
    throw std::runtime_error("cannot open the desktop settings");
  }
  return RegistryKeyOwner(key);
}

}  // namespace

SystemDpiSetting::SystemDpiSetting(DWORD dpi) {
  const RegistryKeyOwner key = OpenDesktopKey();
  DWORD value = 0;
  DWORD size = sizeof(value);
  DWORD type = 0;
  if (::RegQueryValueExW(key.get(), kDpiValue, nullptr, &type, reinterpret_cast<BYTE*>(&value),
                         &size) == ERROR_SUCCESS &&
      type == REG_DWORD) {
    previous_ = value;
  }
  if (::RegSetValueExW(key.get(), kDpiValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi),
                       sizeof(dpi)) != ERROR_SUCCESS) {
    throw std::runtime_error("cannot set the system DPI");
  }
}

SystemDpiSetting::~SystemDpiSetting() {
  const RegistryKeyOwner key = OpenDesktopKey();
  if (previous_) {
    ::RegSetValueExW(key.get(), kDpiValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&*previous_),
                     sizeof(*previous_));
  } else {
    ::RegDeleteValueW(key.get(), kDpiValue);
  }
}

}  // namespace planchoice::driver
