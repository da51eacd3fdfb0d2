#include <windows.h>
#include <winternl.h>

#include <algorithm>
#include <utility>

#include "platform/error.h"
#include "platform/fault_injection.h"
#include "platform/file.h"
#include "platform/file_operation.h"
#include "platform/owner.h"
#include "platform/win32_folder.h"
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

[[noreturn]] void ThrowNotYetOnDisk(const std::string& profile_path, DWORD error) {
  throw ProfileNotYetOnDisk(profile_path, FileError(VerbOf(FileOperation::kSyncReplace),
                                                    profile_path, SystemMessage(error)));
}

// Marks the file open as `handle` to be removed once the handle closes;
// false when the system refuses.
bool MarkForRemoval(HANDLE handle) {
  FILE_DISPOSITION_INFO removal{};
  removal.DeleteFile = TRUE;
  return ::SetFileInformationByHandle(handle, FileDispositionInfo, &removal, sizeof removal) != 0;
}

void RemoveOnClose(HANDLE handle, const std::string& path) {
  if (!MarkForRemoval(handle)) {
    ThrowFileError(FileOperation::kRemove, path);
  }
}

// Removes what stands at the work file's name, whatever its attributes.
void ClearName(const FileHandle& stale, const std::wstring& folder, const std::wstring& name,
               const std::string& path) {
  const DWORD attributes = Examine(stale, path).dwFileAttributes;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    throw FileError(VerbOf(FileOperation::kClear), path, "It is a directory");
  }
  if (LeadsElsewhere(stale, folder, name, path)) {
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
  RemoveOnClose(stale.get(), path);
}

// How often a step is tried whose refusal was gone at a second look: another
// rewrite that held the file has just finished, say.
constexpr int kLooks = 3;

// A rewrite's lock: its work file, made new. Whatever stood at the name is
// removed first, unless another rewrite holds it (see HolderOf), and a file
// that another program puts there meanwhile is left to it.
Owner<NewWorkFile> TakeRewriteLock(const FileHandle& folder, const std::wstring& folder_path,
                                   const std::wstring& name, const std::string& path,
                                   const std::string& profile_path) {
  CheckInjectedFault(FileOperation::kLock, profile_path);
  for (int look = 1;; ++look) {
    CheckInjectedFault(FileOperation::kClear, path);
    {
      // Not shared for deletion, so that it fails while a rewrite holds the file.
      const FileHandle stale =
          OpenIn(folder, name, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                 FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_OPEN);
      const DWORD error = ::GetLastError();
      if (stale) {
        ClearName(stale, folder_path, name, path);
      } else if (error == ERROR_SHARING_VIOLATION) {
        const Holder holder = HolderOf(folder, name);
        if (holder == Holder::kRewrite) {
          throw AnotherRewriteRunning(profile_path);
        }
        if (holder == Holder::kOther || look == kLooks) {
          ThrowFileError(FileOperation::kClear, path, error);
        }
        continue;
      } else if (error != ERROR_FILE_NOT_FOUND) {
        ThrowFileError(FileOperation::kClear, path, error);
      }
    }
    CheckInjectedFault(FileOperation::kCreate, path);
    // Shared for deletion only: no other program reads, writes or locks it,
    // and another rewrite can tell who holds it (HolderOf).
    FileHandle created = OpenIn(folder, name, GENERIC_WRITE | DELETE | READ_CONTROL | WRITE_DAC,
                                FILE_SHARE_DELETE, FILE_CREATE, FILE_NON_DIRECTORY_FILE);
    if (created) {
      return Owner<NewWorkFile>(created.Release());
    }
    const DWORD error = ::GetLastError();
    if (error != ERROR_ALREADY_EXISTS) {
      ThrowFileError(FileOperation::kCreate, path, error);
    }
    const Holder holder = HolderOf(folder, name);
    if (holder == Holder::kRewrite) {
      throw AnotherRewriteRunning(profile_path);
    }
    if (holder != Holder::kGone || look == kLooks) {
      throw FileError(VerbOf(FileOperation::kCreate), path,
                      "Another program made a file of that name at the same time");
    }
  }
}

}  // namespace

bool OpenFile::Close(Handle handle) {
  return ::CloseHandle(handle) != 0;
}

bool NewWorkFile::Close(Handle handle) {
  const bool removed = MarkForRemoval(handle);
  return ::CloseHandle(handle) != 0 && removed;
}

// Opened for its attributes and as the place the other calls start from; the
// folder stays shared with every other use.
void Folder::Open() {
  CheckInjectedFault(FileOperation::kOpen, profile_path_);
  handle_ = FileHandle(
      ::CreateFileW(DirectoryOf(SystemPath(profile_path_)).c_str(),
                    FILE_READ_ATTRIBUTES | FILE_TRAVERSE, kShareAll, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!handle_) {
    ThrowFileError(FileOperation::kOpen, profile_path_);
  }
  const DWORD attributes = Examine(handle_, profile_path_).dwFileAttributes;
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    throw ProfileLeftUnchanged(
        profile_path_,
        "is in a folder that is a junction, a symbolic link or another reparse point");
  }
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    ThrowFileError(FileOperation::kOpen, profile_path_, ERROR_DIRECTORY);
  }
  place_ = PlaceOf(handle_);
  if (place_.empty()) {
    ThrowFileError(FileOperation::kExamine, profile_path_);
  }
}

// Should the profile be refused once the lock is held, its work file goes,
// or the user learns that it stayed.
ProfileFile::ProfileFile(const Folder& folder)
    : folder_(folder),
      work_(TakeRewriteLock(folder.handle_, folder.place_, Widen(folder.work_name_),
                            folder.work_path(), folder.profile_path())) {
  try {
    Open();
  } catch (const Error& failure) {
    try {
      CheckInjectedFault(FileOperation::kRemove, folder_.work_path());
      RemoveOnClose(work_.get(), folder_.work_path());
    } catch (const FileError& cleanup) {
      ::CloseHandle(work_.Release());
      throw WorkFileLeftBehind(failure, folder_.work_path(), cleanup);
    }
    throw;
  }
}

void ProfileFile::Open() {
  CheckInjectedFault(FileOperation::kOpen, path());
  const std::wstring name = Widen(folder_.profile_name_);
  for (int look = 1;; ++look) {
    handle_ = OpenIn(folder_.handle_, name, GENERIC_READ, FILE_SHARE_READ, FILE_OPEN,
                     FILE_SEQUENTIAL_ONLY);
    if (handle_) {
      break;
    }
    const DWORD error = ::GetLastError();
    if (error == ERROR_SHARING_VIOLATION) {
      // A rewrite that has just put its profile in place holds it until it closes it.
      const Holder holder = HolderOf(folder_.handle_, name);
      if (holder == Holder::kRewrite) {
        throw AnotherRewriteRunning(path());
      }
      if (holder != Holder::kOther && look < kLooks) {
        continue;
      }
    }
    ThrowFileError(FileOperation::kOpen, path(), error);
  }
  const BY_HANDLE_FILE_INFORMATION information = Examine(handle_, path());
  const DWORD attributes = information.dwFileAttributes;
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    throw ProfileLeftUnchanged(path(), "is a symbolic link, a junction or another reparse point");
  }
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    throw ProfileLeftUnchanged(path(), "is a directory");
  }
  if (::GetFileType(handle_.get()) != FILE_TYPE_DISK) {
    throw ProfileLeftUnchanged(path(), "is a device");
  }
  if (information.nNumberOfLinks > 1) {
    throw ProfileLeftUnchanged(path(), "has " + std::to_string(information.nNumberOfLinks) +
                                           " names (hard links), which replacing it would split");
  }
  if (attributes & FILE_ATTRIBUTE_READONLY) {
    throw ProfileLeftUnchanged(path(), "is read-only");
  }
  if (LeadsElsewhere(handle_, folder_.place_, name, path())) {
    throw ProfileLeftUnchanged(path(), "is a link to another file");
  }
  volume_ = information.dwVolumeSerialNumber;
  index_ = Join(information.nFileIndexHigh, information.nFileIndexLow);
  attributes_ = attributes;
  creation_time_ =
      Join(information.ftCreationTime.dwHighDateTime, information.ftCreationTime.dwLowDateTime);
}

bool ProfileFile::StillInPlace() const {
  CheckInjectedFault(FileOperation::kExamine, path());
  const FileHandle now = OpenIn(folder_.handle_, Widen(folder_.profile_name_), FILE_READ_ATTRIBUTES,
                                kShareAll, FILE_OPEN);
  if (!now) {
    if (::GetLastError() == ERROR_FILE_NOT_FOUND) {
      return false;
    }
    ThrowFileError(FileOperation::kExamine, path());
  }
  const BY_HANDLE_FILE_INFORMATION information = Examine(now, path());
  return information.dwVolumeSerialNumber == volume_ &&
         Join(information.nFileIndexHigh, information.nFileIndexLow) == index_;
}

std::size_t ProfileFile::Read(char* buffer, std::size_t size) {
  return ReadSome(handle_, path(), buffer, size);
}

void ProfileFile::Seek(std::uint64_t offset) {
  SeekTo(handle_, path(), offset);
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

FileVersion ProfileReader::Version() const {
  const BY_HANDLE_FILE_INFORMATION information = Examine(handle_, path_);
  return {
      information.dwVolumeSerialNumber, Join(information.nFileIndexHigh, information.nFileIndexLow),
      Join(information.nFileSizeHigh, information.nFileSizeLow),
      Join(information.ftLastWriteTime.dwHighDateTime, information.ftLastWriteTime.dwLowDateTime)};
}

WorkFile::WorkFile(ProfileFile& profile)
    : folder_(profile.folder_), handle_(profile.work_.Release()) {}

void WorkFile::Write(const char* data, std::size_t size) {
  if (const long error = InjectedFault(FileOperation::kWrite)) {
    if (InjectedShortWrite()) {
      WriteAll(handle_, path(), data, size / 2);
    }
    ThrowFileError(FileOperation::kWrite, path(), static_cast<DWORD>(error));
  }
  WriteAll(handle_, path(), data, size);
}

void WorkFile::Flush() {
  CheckInjectedFault(FileOperation::kFlush, path());
  if (!::FlushFileBuffers(handle_.get())) {
    ThrowFileError(FileOperation::kFlush, path());
  }
}

void WorkFile::TakeIdentityOf(const ProfileFile& profile) {
  CheckInjectedFault(FileOperation::kSetPermissions, path());
  DWORD volume_flags = 0;
  const bool volume_known = ::GetVolumeInformationByHandleW(
      profile.handle_.get(), nullptr, 0, nullptr, nullptr, &volume_flags, nullptr, 0);
  // A FAT volume, say, keeps no security descriptors at all.
  if (!volume_known || (volume_flags & FILE_PERSISTENT_ACLS)) {
    CopySecurity(profile.handle_, handle_, path());
  }

  CheckInjectedFault(FileOperation::kSetAttributes, path());
  FILE_BASIC_INFO basic{};
  basic.CreationTime.QuadPart = static_cast<LONGLONG>(profile.creation_time_);
  basic.FileAttributes = (profile.attributes_ & kKeptAttributes) | FILE_ATTRIBUTE_ARCHIVE;
  if (!::SetFileInformationByHandle(handle_.get(), FileBasicInfo, &basic, sizeof basic)) {
    ThrowFileError(FileOperation::kSetAttributes, path());
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
  ReplaceWhenFree(handle_, folder_.handle_, Widen(folder_.profile_name_), profile.path());
  // Flushing the renamed file writes its metadata, its new name with it, and
  // the disk's cache.
  if (const long injected = InjectedFault(FileOperation::kSyncReplace)) {
    ThrowNotYetOnDisk(profile.path(), static_cast<DWORD>(injected));
  }
  if (!::FlushFileBuffers(handle_.get())) {
    ThrowNotYetOnDisk(profile.path(), ::GetLastError());
  }
  handle_.Reset();
}

void WorkFile::Discard() {
  CheckInjectedFault(FileOperation::kRemove, path());
  RemoveOnClose(handle_.get(), path());
  handle_.Reset();
}

}  // namespace planchoice
