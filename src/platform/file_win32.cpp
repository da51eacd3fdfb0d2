#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <utility>

#include "platform/error.h"
#include "platform/fault_injection.h"
#include "platform/file.h"
#include "platform/file_operation.h"
#include "platform/owner.h"
#include "platform/win32_path.h"
#include "platform/win32_replace.h"
#include "platform/win32_security.h"
#include "platform/win32_text.h"

namespace planchoice {
namespace {

// The attributes of its own that the profile keeps. Read-only is refused, and
// archive is always set, as on any file whose contents changed.
constexpr DWORD kKeptAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// ReadFile and WriteFile count bytes in a DWORD, so a larger request goes in 1 GiB pieces.
constexpr std::size_t kLargestRequest = 1u << 30;

[[noreturn]] void ThrowFileError(FileOperation operation, const std::string& path,
                                 DWORD error = ::GetLastError()) {
  throw FileError(VerbOf(operation), path, SystemMessage(error));
}

void CheckInjectedFault(FileOperation operation, const std::string& path) {
  if (const long error = InjectedFault(operation)) {
    ThrowFileError(operation, path, static_cast<DWORD>(error));
  }
}

void WriteAll(const FileHandle& handle, const std::string& path, const char* data,
              std::size_t size) {
  while (size > 0) {
    DWORD count = 0;
    const DWORD request = static_cast<DWORD>(std::min(size, kLargestRequest));
    if (!::WriteFile(handle.get(), data, request, &count, nullptr)) {
      ThrowFileError(FileOperation::kWrite, path);
    }
    if (count == 0) {
      ThrowFileError(FileOperation::kWrite, path, ERROR_DISK_FULL);
    }
    data += count;
    size -= count;
  }
}

std::size_t ReadSome(const FileHandle& handle, const std::string& path, char* buffer,
                     std::size_t size) {
  CheckInjectedFault(FileOperation::kRead, path);
  DWORD count = 0;
  const DWORD request = static_cast<DWORD>(std::min(size, kLargestRequest));
  if (!::ReadFile(handle.get(), buffer, request, &count, nullptr)) {
    ThrowFileError(FileOperation::kRead, path);
  }
  return count;
}

void SeekTo(const FileHandle& handle, const std::string& path, std::uint64_t offset) {
  CheckInjectedFault(FileOperation::kSeek, path);
  LARGE_INTEGER position;
  position.QuadPart = static_cast<LONGLONG>(offset);
  if (!::SetFilePointerEx(handle.get(), position, nullptr, FILE_BEGIN)) {
    ThrowFileError(FileOperation::kSeek, path);
  }
}

BY_HANDLE_FILE_INFORMATION Examine(const FileHandle& handle, const std::string& path) {
  CheckInjectedFault(FileOperation::kExamine, path);
  BY_HANDLE_FILE_INFORMATION information{};
  if (!::GetFileInformationByHandle(handle.get(), &information)) {
    ThrowFileError(FileOperation::kExamine, path);
  }
  return information;
}

std::uint64_t Join(DWORD high, DWORD low) {
  return (static_cast<std::uint64_t>(high) << 32) | low;
}

// One rewrite of a directory at a time: a named mutex whose name comes from
// the directory's identity, which needs no right on any file. Its name is in
// the global namespace, as setups in different sessions (a service and a
// signed-in user) share the same files. The mutex of a run that was killed is
// abandoned, and simply taken over.
Owner<HeldMutex> LockRewritesOf(const std::string& profile_path, const std::wstring& system_path) {
  CheckInjectedFault(FileOperation::kLock, profile_path);
  const FileHandle directory = OpenForAttributes(DirectoryOf(system_path));
  if (!directory) {
    ThrowFileError(FileOperation::kOpen, profile_path);
  }
  const BY_HANDLE_FILE_INFORMATION information = Examine(directory, profile_path);
  wchar_t name[64];
  std::swprintf(name, 64, L"Global\\PlanChoice.Rewrite.%08lx.%08lx%08lx",
                information.dwVolumeSerialNumber, information.nFileIndexHigh,
                information.nFileIndexLow);
  const HANDLE mutex = ::CreateMutexExW(nullptr, name, 0, SYNCHRONIZE | MUTEX_MODIFY_STATE);
  if (mutex == nullptr) {
    // Held by a rewrite of another user's, who did not share it.
    if (::GetLastError() == ERROR_ACCESS_DENIED) {
      throw AnotherRewriteRunning(profile_path);
    }
    ThrowFileError(FileOperation::kLock, profile_path);
  }
  KernelObjectOwner opened(mutex);
  switch (::WaitForSingleObject(mutex, 0)) {
    case WAIT_OBJECT_0:
    case WAIT_ABANDONED:
      return Owner<HeldMutex>(opened.Release());
    case WAIT_TIMEOUT:
      throw AnotherRewriteRunning(profile_path);
    default:
      ThrowFileError(FileOperation::kLock, profile_path);
  }
}

[[noreturn]] void ThrowNotYetOnDisk(const std::string& profile_path, DWORD error) {
  throw ProfileNotYetOnDisk(profile_path, FileError(VerbOf(FileOperation::kSyncReplace),
                                                    profile_path, SystemMessage(error)));
}

// Marks the file open as `handle` to be removed once the handle closes.
void RemoveOnClose(const FileHandle& handle, const std::string& path) {
  FILE_DISPOSITION_INFO removal{};
  removal.DeleteFile = TRUE;
  if (!::SetFileInformationByHandle(handle.get(), FileDispositionInfo, &removal, sizeof removal)) {
    ThrowFileError(FileOperation::kRemove, path);
  }
}

// Removes what stands at the work file's name, whatever its attributes.
void ClearName(const FileHandle& stale, const std::wstring& system_path, const std::string& path) {
  const DWORD attributes = Examine(stale, path).dwFileAttributes;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    throw FileError(VerbOf(FileOperation::kClear), path, "It is a directory");
  }
  if (LeadsElsewhere(stale, system_path)) {
    throw FileError(VerbOf(FileOperation::kClear), path,
                    "It is a link, and the file it leads to would go instead");
  }
  if (attributes & FILE_ATTRIBUTE_READONLY) {
    FILE_BASIC_INFO writable{};
    writable.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    if (!::SetFileInformationByHandle(stale.get(), FileBasicInfo, &writable, sizeof writable)) {
      ThrowFileError(FileOperation::kClear, path);
    }
  }
  RemoveOnClose(stale, path);
}

}  // namespace

bool OpenFile::Close(Handle handle) {
  return ::CloseHandle(handle) != 0;
}

bool HeldMutex::Close(Handle mutex) {
  const bool released = ::ReleaseMutex(mutex) != 0;
  return ::CloseHandle(mutex) != 0 && released;
}

ProfileFile::ProfileFile(std::string path)
    : path_(std::move(path)),
      system_path_(SystemPath(path_)),
      rewrite_lock_(LockRewritesOf(path_, system_path_)) {
  Open();
}

void ProfileFile::Open() {
  CheckInjectedFault(FileOperation::kOpen, path_);
  handle_ = FileHandle(::CreateFileW(
      system_path_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
      FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS,
      nullptr));
  if (!handle_) {
    ThrowFileError(FileOperation::kOpen, path_);
  }
  const BY_HANDLE_FILE_INFORMATION information = Examine(handle_, path_);
  const DWORD attributes = information.dwFileAttributes;
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    throw ProfileLeftUnchanged(path_, "is a symbolic link, a junction or another reparse point");
  }
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    throw ProfileLeftUnchanged(path_, "is a directory");
  }
  if (::GetFileType(handle_.get()) != FILE_TYPE_DISK) {
    throw ProfileLeftUnchanged(path_, "is a device");
  }
  if (information.nNumberOfLinks > 1) {
    throw ProfileLeftUnchanged(path_, "has " + std::to_string(information.nNumberOfLinks) +
                                          " names (hard links), which replacing it would split");
  }
  if (attributes & FILE_ATTRIBUTE_READONLY) {
    throw ProfileLeftUnchanged(path_, "is read-only");
  }
  if (LeadsElsewhere(handle_, system_path_)) {
    throw ProfileLeftUnchanged(path_, "is a link to another file");
  }
  volume_ = information.dwVolumeSerialNumber;
  index_ = Join(information.nFileIndexHigh, information.nFileIndexLow);
  attributes_ = attributes;
  creation_time_ =
      Join(information.ftCreationTime.dwHighDateTime, information.ftCreationTime.dwLowDateTime);
}

bool ProfileFile::StillInPlace() const {
  CheckInjectedFault(FileOperation::kExamine, path_);
  const FileHandle now = OpenForAttributes(system_path_);
  if (!now) {
    if (::GetLastError() == ERROR_FILE_NOT_FOUND) {
      return false;
    }
    ThrowFileError(FileOperation::kExamine, path_);
  }
  const BY_HANDLE_FILE_INFORMATION information = Examine(now, path_);
  return information.dwVolumeSerialNumber == volume_ &&
         Join(information.nFileIndexHigh, information.nFileIndexLow) == index_;
}

std::size_t ProfileFile::Read(char* buffer, std::size_t size) {
  return ReadSome(handle_, path_, buffer, size);
}

void ProfileFile::Seek(std::uint64_t offset) {
  SeekTo(handle_, path_, offset);
}

// Shared with every other use of the file, so that a rewrite can replace the
// profile while it is being read.
ProfileReader::ProfileReader(std::string path)
    : path_(std::move(path)), system_path_(SystemPath(path_)) {
  CheckInjectedFault(FileOperation::kOpen, path_);
  handle_ = FileHandle(::CreateFileW(system_path_.c_str(), GENERIC_READ, kShareAll, nullptr,
                                     OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!handle_) {
    ThrowFileError(FileOperation::kOpen, path_);
  }
  if (::GetFileType(handle_.get()) != FILE_TYPE_DISK) {
    throw ProfileLeftUnchanged(path_, "is a device");
  }
}

std::size_t ProfileReader::Read(char* buffer, std::size_t size) {
  return ReadSome(handle_, path_, buffer, size);
}

void ProfileReader::Seek(std::uint64_t offset) {
  SeekTo(handle_, path_, offset);
}

WorkFile::WorkFile(std::string path) : path_(std::move(path)), system_path_(SystemPath(path_)) {
  {
    CheckInjectedFault(FileOperation::kClear, path_);
    const FileHandle stale(
        ::CreateFileW(system_path_.c_str(), DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                      kShareAll, nullptr, OPEN_EXISTING,
                      FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (stale) {
      ClearName(stale, system_path_, path_);
    } else if (::GetLastError() != ERROR_FILE_NOT_FOUND) {
      ThrowFileError(FileOperation::kClear, path_);
    }
  }
  CheckInjectedFault(FileOperation::kCreate, path_);
  // Shared for deletion only, so that the file can be moved into place while open.
  handle_ = FileHandle(::CreateFileW(
      system_path_.c_str(), GENERIC_WRITE | DELETE | READ_CONTROL | WRITE_DAC, FILE_SHARE_DELETE,
      nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!handle_) {
    if (::GetLastError() == ERROR_FILE_EXISTS) {
      throw FileError(VerbOf(FileOperation::kCreate), path_,
                      "Another program made a file of that name at the same time");
    }
    ThrowFileError(FileOperation::kCreate, path_);
  }
}

void WorkFile::Write(const char* data, std::size_t size) {
  if (const long error = InjectedFault(FileOperation::kWrite)) {
    if (InjectedShortWrite()) {
      WriteAll(handle_, path_, data, size / 2);
    }
    ThrowFileError(FileOperation::kWrite, path_, static_cast<DWORD>(error));
  }
  WriteAll(handle_, path_, data, size);
}

void WorkFile::Flush() {
  CheckInjectedFault(FileOperation::kFlush, path_);
  if (!::FlushFileBuffers(handle_.get())) {
    ThrowFileError(FileOperation::kFlush, path_);
  }
}

void WorkFile::TakeIdentityOf(const ProfileFile& profile) {
  CheckInjectedFault(FileOperation::kSetPermissions, path_);
  DWORD volume_flags = 0;
  const bool volume_known = ::GetVolumeInformationByHandleW(
      profile.handle_.get(), nullptr, 0, nullptr, nullptr, &volume_flags, nullptr, 0);
  // A FAT volume, say, keeps no security descriptors at all.
  if (!volume_known || (volume_flags & FILE_PERSISTENT_ACLS)) {
    CopySecurity(profile.handle_, handle_, path_);
  }

  CheckInjectedFault(FileOperation::kSetAttributes, path_);
  FILE_BASIC_INFO basic{};
  basic.CreationTime.QuadPart = static_cast<LONGLONG>(profile.creation_time_);
  basic.FileAttributes = (profile.attributes_ & kKeptAttributes) | FILE_ATTRIBUTE_ARCHIVE;
  if (!::SetFileInformationByHandle(handle_.get(), FileBasicInfo, &basic, sizeof basic)) {
    ThrowFileError(FileOperation::kSetAttributes, path_);
  }
}

void WorkFile::Replace(ProfileFile& profile) {
  // Windows replaces no file that is open, so the profile is closed first.
  const bool closed = profile.handle_.Reset();
  const DWORD error = ::GetLastError();
  CheckInjectedFault(FileOperation::kClose, profile.path());
  if (!closed) {
    ThrowFileError(FileOperation::kClose, profile.path(), error);
  }
  if (!profile.StillInPlace()) {
    throw ProfileReplacedMeanwhile(profile.path());
  }
  ReplaceWhenFree(system_path_, profile.system_path_, profile.path());
  // Within a volume the move is a rename, which MOVEFILE_WRITE_THROUGH does
  // not flush (it speaks of moves made by copying). Flushing the moved file
  // writes its metadata, its new name with it, and the disk's cache.
  if (const long injected = InjectedFault(FileOperation::kSyncReplace)) {
    ThrowNotYetOnDisk(profile.path(), static_cast<DWORD>(injected));
  }
  if (!::FlushFileBuffers(handle_.get())) {
    ThrowNotYetOnDisk(profile.path(), ::GetLastError());
  }
  handle_.Reset();
}

void WorkFile::Discard() {
  CheckInjectedFault(FileOperation::kRemove, path_);
  RemoveOnClose(handle_, path_);
  handle_.Reset();
}

}  // namespace planchoice
