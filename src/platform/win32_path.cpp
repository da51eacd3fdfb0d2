#include "platform/win32_path.h"

#include <windows.h>

#include "platform/win32_text.h"

namespace planchoice {
namespace {

bool IsSeparator(wchar_t c) {
  return c == L'\\' || c == L'/';
}

}  // namespace

std::wstring SystemPath(const std::string& path) {
  const std::wstring wide = Widen(path);
  const DWORD needed = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (needed == 0) {
    return wide;  // The call that uses the path reports why it is not valid.
  }
  std::wstring full(needed, L'\0');
  full.resize(::GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr));

  const bool is_unc = full.size() > 2 && IsSeparator(full[0]) && IsSeparator(full[1]);
  const bool is_device = is_unc && full.size() > 3 && IsSeparator(full[3]);
  if (is_device && full[2] == L'?') {
    return full;  // Already in the extended form.
  }
  std::size_t start = 0;
  std::wstring system = L"\\\\?\\";
  if (is_device && full[2] == L'.') {
    start = 4;
  } else if (is_unc) {
    start = 2;
    system += L"UNC\\";
  }
  bool after_separator = true;
  for (std::size_t i = start; i < full.size(); ++i) {
    const bool separator = IsSeparator(full[i]);
    if (!(separator && after_separator)) {
      system += separator ? L'\\' : full[i];
    }
    after_separator = separator;
  }
  return system;
}

std::wstring DirectoryOf(const std::wstring& system_path) {
  return system_path.substr(0, system_path.find_last_of(L'\\') + 1);
}

}  // namespace planchoice
