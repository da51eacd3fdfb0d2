#include "platform/win32_replace.h"

#include <windows.h>

#include <algorithm>

#include "platform/error.h"
#include "platform/fault_injection.h"
#include "platform/file.h"
#include "platform/file_operation.h"
#include "platform/win32_path.h"
#include "platform/win32_text.h"

namespace planchoice {
namespace {

constexpr ULONGLONG kPatienceMs = 2000;
constexpr DWORD kFirstPauseMs = 10;
constexpr DWORD kLongestPauseMs = 250;

// Whether the profile, which Windows would not let be replaced ("Access is
// denied"), is only in use rather than forbidden to this process. Windows
// answers so while another program has it open, even one that shares
// deletion, and while a delete of it is pending; it also answers so for a
// read-only file and for one this process may not delete, which waiting
// does not change.
bool OnlyInUse(const std::wstring& profile) {
  const FileHandle probe(::CreateFileW(
      profile.c_str(), DELETE | FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
      FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (probe) {
    BY_HANDLE_FILE_INFORMATION information{};
    return ::GetFileInformationByHandle(probe.get(), &information) &&
           !(information.dwFileAttributes & FILE_ATTRIBUTE_READONLY);
  }
  const DWORD error = ::GetLastError();
  if (error == ERROR_SHARING_VIOLATION) {
    return true;  // Held open by a program that does not share deletion.
  }
  if (error != ERROR_ACCESS_DENIED) {
    return false;
  }
  // A file whose delete is pending refuses every open, even one to read its
  // attributes, which a file this process may not delete allows.
  const FileHandle attributes = OpenForAttributes(profile);
  return !attributes && ::GetLastError() == ERROR_ACCESS_DENIED;
}

bool OnlyForNow(DWORD error, const std::wstring& profile) {
  return error == ERROR_SHARING_VIOLATION || (error == ERROR_ACCESS_DENIED && OnlyInUse(profile));
}

}  // namespace

void ReplaceWhenFree(const std::wstring& work, const std::wstring& profile,
                     const std::string& profile_path) {
  const ULONGLONG started = ::GetTickCount64();
  DWORD pause = kFirstPauseMs;
  for (;;) {
    DWORD error = static_cast<DWORD>(InjectedFault(FileOperation::kReplace));
    if (error == 0) {
      if (::MoveFileExW(work.c_str(), profile.c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return;
      }
      error = ::GetLastError();
    }
    const ULONGLONG waited = ::GetTickCount64() - started;
    if (waited >= kPatienceMs || !OnlyForNow(error, profile)) {
      throw FileError(VerbOf(FileOperation::kReplace), profile_path, SystemMessage(error));
    }
    ::Sleep(static_cast<DWORD>(std::min<ULONGLONG>(pause, kPatienceMs - waited)));
    pause = std::min(pause * 2, kLongestPauseMs);
  }
}

}  // namespace planchoice
