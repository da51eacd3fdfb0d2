// Paths at the Win32 boundary: the extended form that the system calls are
// given, and where a file that was opened by a path really is.
#pragma once

#include <windows.h>

#include <string>

#include "platform/file.h"

namespace planchoice {

inline constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// `path` (UTF-8, as the user gave it) as the system is to be given it: the
// extended form "\\?\C:\..." lifts the 260-character limit, but the system takes
// it literally, so it is made from the full path with each run of separators
// cut to one ("C:\Setup\\kelvarin.cmp" means C:\Setup\kelvarin.cmp). The device
// form "\\.\C:\..." names the same file as the extended one.
std::wstring SystemPath(const std::string& path);

// The directory of a path in the extended form, with its final separator,
// so that a drive's root stays a directory ("\\?\C:\", not the volume "\\?\C:").
std::wstring DirectoryOf(const std::wstring& system_path);

// Opens a file or a directory to read its attributes only; a link is opened
// as itself.
FileHandle OpenForAttributes(const std::wstring& system_path);

// Whether the file `handle` was opened as, by `system_path`, lies elsewhere.
// Windows opens a link itself when asked to (FILE_FLAG_OPEN_REPARSE_POINT);
// Wine cannot, and takes a Unix symbolic link for the file it leads to, so
// where the handle really is is compared with where its name is. When the
// system cannot tell, the link flag is trusted.
bool LeadsElsewhere(const FileHandle& handle, const std::wstring& system_path);

}  // namespace planchoice
