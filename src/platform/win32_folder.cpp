#include "platform/win32_folder.h"

#include <windows.h>
#include <winternl.h>

#include <vector>

#include "platform/error.h"
#include "platform/file_operation.h"
#include "platform/win32_path.h"
#include "platform/win32_text.h"

namespace planchoice {

FileHandle OpenIn(const FileHandle& folder, const std::wstring& name, ACCESS_MASK access,
                  ULONG share, ULONG disposition, ULONG options) {
  UNICODE_STRING object_name;
  object_name.Buffer = const_cast<wchar_t*>(name.c_str());
  object_name.Length = static_cast<USHORT>(name.size() * sizeof(wchar_t));
  object_name.MaximumLength = object_name.Length;
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, &object_name, OBJ_CASE_INSENSITIVE, folder.get(),
                             nullptr);
  IO_STATUS_BLOCK io{};
  HANDLE handle = INVALID_HANDLE_VALUE;
  const NTSTATUS status = ::NtCreateFile(
      &handle, access | SYNCHRONIZE, &attributes, &io, nullptr, FILE_ATTRIBUTE_NORMAL, share,
      disposition, options | FILE_OPEN_REPARSE_POINT | FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0);
  if (status < 0) {
    ::SetLastError(::RtlNtStatusToDosError(status));
    return FileHandle();
  }
  return FileHandle(handle);
}

// The path comes from the open file itself, as GetFinalPathNameByHandleW's
// does, but without the 260-character limit that Wine puts on that call.
std::wstring PlaceOf(const FileHandle& handle) {
  BY_HANDLE_FILE_INFORMATION information{};
  if (!::GetFileInformationByHandle(handle.get(), &information)) {
    return L"";
  }
  // A path holds at most 32,767 characters.
  std::vector<unsigned char> buffer(sizeof(FILE_NAME_INFO) + 32768 * sizeof(wchar_t));
  auto* const name = reinterpret_cast<FILE_NAME_INFO*>(buffer.data());
  if (!::GetFileInformationByHandleEx(handle.get(), FileNameInfo, name,
                                      static_cast<DWORD>(buffer.size()))) {
    return L"";
  }
  return std::to_wstring(information.dwVolumeSerialNumber) + L":" +
         std::wstring(name->FileName, name->FileNameLength / sizeof(wchar_t));
}

bool LeadsElsewhere(const FileHandle& file, const std::wstring& folder, const std::wstring& name,
                    const std::string& path) {
  const std::wstring found = PlaceOf(file);
  if (found.empty()) {
    throw FileError(VerbOf(FileOperation::kExamine), path, SystemMessage(::GetLastError()));
  }
  std::wstring expected = folder;
  if (expected.back() != L'\\') {
    expected += L'\\';
  }
  expected += name;
  return ::CompareStringOrdinal(found.c_str(), static_cast<int>(found.size()), expected.c_str(),
                                static_cast<int>(expected.size()), TRUE) != CSTR_EQUAL;
}

// An open with the right to delete that does not let others delete fails
// while anyone holds the file with that right or keeps others from deleting
// it; one that lets others delete too fails only for the latter.
Holder HolderOf(const FileHandle& folder, const std::wstring& name) {
  if (OpenIn(folder, name, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_OPEN)) {
    return Holder::kNobody;
  }
  if (::GetLastError() == ERROR_SHARING_VIOLATION &&
      OpenIn(folder, name, DELETE, kShareAll, FILE_OPEN)) {
    return Holder::kRewrite;
  }
  // Gone between the two looks too: a rewrite that held it has renamed it.
  return ::GetLastError() == ERROR_FILE_NOT_FOUND ? Holder::kGone : Holder::kOther;
}

}  // namespace planchoice
