// The DPI of the system, as a program started under Wine reads it.
#pragma once

#include <windows.h>

#include <optional>

namespace planchoice::driver {

// Sets the DPI that programs started from now on see, until dropped. Wine
// reads it from the prefix's registry when a program starts; Windows reads
// it only at sign-in, so there it changes nothing.
class SystemDpiSetting {
 public:
  explicit SystemDpiSetting(DWORD dpi);
  ~SystemDpiSetting();
  SystemDpiSetting(const SystemDpiSetting&) = delete;
  SystemDpiSetting& operator=(const SystemDpiSetting&) = delete;

 private:
  std::optional<DWORD> previous_;
};

}  // namespace planchoice::driver
