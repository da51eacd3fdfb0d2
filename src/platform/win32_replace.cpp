#include "platform/win32_replace.h"

#include <windows.h>
#include <winternl.h>

#include <algorithm>
#include <vector>

#include "platform/error.h"
#include "platform/fault_injection.h"
#include "platform/file.h"
#include "platform/file_operation.h"
#include "platform/win32_folder.h"
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
bool OnlyInUse(const FileHandle& folder, const std::wstring& profile) {
  const FileHandle probe =
      OpenIn(folder, profile, DELETE | FILE_READ_ATTRIBUTES, kShareAll, FILE_OPEN);
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
  const FileHandle attributes = OpenIn(folder, profile, FILE_READ_ATTRIBUTES, kShareAll, FILE_OPEN);
  return !attributes && ::GetLastError() == ERROR_ACCESS_DENIED;
}

bool OnlyForNow(DWORD error, const FileHandle& folder, const std::wstring& profile) {
  return error == ERROR_SHARING_VIOLATION ||
         (error == ERROR_ACCESS_DENIED && OnlyInUse(folder, profile));
}

// Renames the file open as `work` to `name` in the folder open as `folder`,
// replacing what stands there: the system's error, or 0. FileRenameInformation
// takes the folder's handle as the root of the new name, which the Win32
// FILE_RENAME_INFO of SetFileInformationByHandle is documented to leave NULL.
DWORD RenameInto(const FileHandle& work, const FileHandle& folder, const std::wstring& name) {
  const ULONG name_bytes = static_cast<ULONG>(name.size() * sizeof(wchar_t));
  std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFORMATION) + name_bytes);
  auto* const rename = reinterpret_cast<FILE_RENAME_INFORMATION*>(buffer.data());
  rename->ReplaceIfExists = TRUE;
  rename->RootDirectory = folder.get();
  rename->FileNameLength = name_bytes;
  std::copy(name.begin(), name.end(), rename->FileName);
  IO_STATUS_BLOCK io{};
  const NTSTATUS status = ::NtSetInformationFile(
      work.get(), &io, rename, static_cast<ULONG>(buffer.size()), FileRenameInformation);
  return status < 0 ? ::RtlNtStatusToDosError(status) : 0;
}

}  // namespace

void ReplaceWhenFree(const FileHandle& work, const FileHandle& folder,
                     const std::wstring& profile_name, const std::string& profile_path) {
  const ULONGLONG started = ::GetTickCount64();
  DWORD pause = kFirstPauseMs;
  for (;;) {
    DWORD error = static_cast<DWORD>(InjectedFault(FileOperation::kReplace));
    if (error == 0) {
      error = RenameInto(work, folder, profile_name);
      if (error == 0) {
        return;
      }
    }
    const ULONGLONG waited = ::GetTickCount64() - started;
    if (waited >= kPatienceMs || !OnlyForNow(error, folder, profile_name)) {
      throw FileError(VerbOf(FileOperation::kReplace), profile_path, SystemMessage(error));
    }
    ::Sleep(static_cast<DWORD>(std::min<ULONGLONG>(pause, kPatienceMs - waited)));
    pause = std::min(pause * 2, kLongestPauseMs);
  }
}

}  // namespace planchoice
