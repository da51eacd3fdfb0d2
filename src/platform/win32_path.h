// Paths at the Win32 boundary: the extended form that the system calls are
// given.
#pragma once

#include <windows.h>

#include <string>

namespace planchoice {

inline constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// `path` (UTF-8, as the user gave it) as the system is to be given it: the
// extended form "\\?\C:\..." lifts the 260-character limit, but the system takes
// it literally, so it is made from the full path with each run of separators
// cut to one ("C:\Setup\\profile.cmp" means C:\Setup\profile.cmp). The device
// form "\\.\C:\..." names the same file as the extended one.
std::wstring SystemPath(const std::string& path);

// The directory of a path in the extended form, with its final separator,
// so that a drive's root stays a directory ("\\?\C:\", not the volume "\\?\C:").
std::wstring DirectoryOf(const std::wstring& system_path);

}  // namespace planchoice
