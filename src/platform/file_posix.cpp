#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <utility>

#include "platform/error.h"
#include "platform/fault_injection.h"
#include "platform/file.h"
#include "platform/file_operation.h"

namespace planchoice {
namespace {

[[noreturn]] void ThrowFileError(FileOperation operation, const std::string& path, long error) {
  throw FileError(VerbOf(operation), path, std::strerror(static_cast<int>(error)));
}

void CheckInjectedFault(FileOperation operation, const std::string& path) {
  if (const long error = InjectedFault(operation)) {
    ThrowFileError(operation, path, error);
  }
}

// The folder that holds the file at `path`, as it is to be opened: without a
// trailing separator, which would make the system follow a link at its name.
std::string FolderOf(const std::string& path) {
  std::size_t end = path.find_last_of('/');
  while (end != std::string::npos && end > 0 && path[end - 1] == '/') {
    --end;
  }
  if (end == std::string::npos) {
    return ".";
  }
  return end == 0 ? "/" : path.substr(0, end);
}

Error NotARegularFile(const std::string& path, mode_t mode) {
  if (S_ISLNK(mode)) {
    return ProfileLeftUnchanged(path, "is a symbolic link");
  }
  if (S_ISDIR(mode)) {
    return ProfileLeftUnchanged(path, "is a directory");
  }
  if (S_ISFIFO(mode)) {
    return ProfileLeftUnchanged(path, "is a FIFO");
  }
  if (S_ISCHR(mode) || S_ISBLK(mode)) {
    return ProfileLeftUnchanged(path, "is a device");
  }
  return ProfileLeftUnchanged(path, "is not a regular file");
}

struct stat Examine(const FileHandle& handle, const std::string& path) {
  CheckInjectedFault(FileOperation::kExamine, path);
  struct stat status {};
  if (::fstat(handle.get(), &status) != 0) {
    ThrowFileError(FileOperation::kExamine, path, errno);
  }
  return status;
}

std::size_t ReadSome(const FileHandle& handle, const std::string& path, char* buffer,
                     std::size_t size) {
  CheckInjectedFault(FileOperation::kRead, path);
  for (;;) {
    const ssize_t count = ::read(handle.get(), buffer, size);
    if (count >= 0) {
      return static_cast<std::size_t>(count);
    }
    if (errno != EINTR) {
      ThrowFileError(FileOperation::kRead, path, errno);
    }
  }
}

void SeekTo(const FileHandle& handle, const std::string& path, std::uint64_t offset) {
  CheckInjectedFault(FileOperation::kSeek, path);
  if (::lseek(handle.get(), static_cast<off_t>(offset), SEEK_SET) == static_cast<off_t>(-1)) {
    ThrowFileError(FileOperation::kSeek, path, errno);
  }
}

void WriteAll(const FileHandle& handle, const std::string& path, const char* data,
              std::size_t size) {
  while (size > 0) {
    const ssize_t count = ::write(handle.get(), data, size);
    if (count < 0) {
      if (errno == EINTR) {
        continue;
      }
      ThrowFileError(FileOperation::kWrite, path, errno);
    }
    if (count == 0) {
      ThrowFileError(FileOperation::kWrite, path, ENOSPC);
    }
    data += count;
    size -= static_cast<std::size_t>(count);
  }
}

struct Ownership {
  bool owner_kept;
  bool group_kept;
};

Ownership GiveOwner(const FileHandle& handle, const std::string& path, uid_t owner, gid_t group) {
  CheckInjectedFault(FileOperation::kSetOwner, path);
  if (::fchown(handle.get(), owner, group) == 0) {
    return {true, true};
  }
  if (errno != EPERM && errno != EINVAL) {
    ThrowFileError(FileOperation::kSetOwner, path, errno);
  }
  // Not allowed to give the file away; a group of the process's own may still be set.
  if (::fchown(handle.get(), static_cast<uid_t>(-1), group) != 0 && errno != EPERM &&
      errno != EINVAL) {
    ThrowFileError(FileOperation::kSetOwner, path, errno);
  }
  const struct stat status = Examine(handle, path);
  return {status.st_uid == owner, status.st_gid == group};
}

std::string ExtendedAttribute(int descriptor, const char* name, const std::string& path) {
  CheckInjectedFault(FileOperation::kSetAttributes, path);
  const ssize_t size = ::fgetxattr(descriptor, name, nullptr, 0);
  std::string value(size > 0 ? static_cast<std::size_t>(size) : 0, '\0');
  if (size < 0 || ::fgetxattr(descriptor, name, value.data(), value.size()) != size) {
    ThrowFileError(FileOperation::kSetAttributes, path, errno);
  }
  return value;
}

// POSIX ACLs live in extended attributes too, so leaving one out could widen
// or narrow who may read the profile: every one is copied or the rewrite fails.
void CopyExtendedAttributes(const FileHandle& from, const FileHandle& to, const std::string& path) {
  CheckInjectedFault(FileOperation::kSetAttributes, path);
  const ssize_t size = ::flistxattr(from.get(), nullptr, 0);
  if (size < 0 && (errno == ENOTSUP || errno == EOPNOTSUPP)) {
    return;
  }
  std::string names(size > 0 ? static_cast<std::size_t>(size) : 0, '\0');
  if (size < 0 || ::flistxattr(from.get(), names.data(), names.size()) != size) {
    ThrowFileError(FileOperation::kSetAttributes, path, errno);
  }
  for (std::size_t at = 0; at < names.size(); at += std::strlen(names.c_str() + at) + 1) {
    const char* name = names.c_str() + at;
    const std::string value = ExtendedAttribute(from.get(), name, path);
    CheckInjectedFault(FileOperation::kSetAttributes, path);
    if (::fsetxattr(to.get(), name, value.data(), value.size(), 0) != 0) {
      ThrowFileError(FileOperation::kSetAttributes, path, errno);
    }
  }
}

// A rename is durable only once the directory that holds both names is. A
// file system that offers no sync of a directory says so (EINVAL, ENOTSUP),
// and is taken at its word; a directory the process may write but not read
// cannot be opened for a sync, so its whole file system is synced instead.
void SyncFolder(const FileHandle& folder, const std::string& profile_path,
                const FileHandle& profile) {
  const auto not_yet_on_disk = [&](long error) {
    return ProfileNotYetOnDisk(
        profile_path, FileError(VerbOf(FileOperation::kSyncReplace), FolderOf(profile_path),
                                std::strerror(static_cast<int>(error))));
  };
  if (const long error = InjectedFault(FileOperation::kSyncReplace)) {
    throw not_yet_on_disk(error);
  }
  const FileHandle readable(::openat(folder.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  int result = -1;
  if (readable) {
    result = ::fsync(readable.get());
  } else if (errno == EACCES) {
    result = ::syncfs(profile.get());
  }
  if (result != 0 && errno != EINVAL && errno != ENOTSUP && errno != EOPNOTSUPP) {
    throw not_yet_on_disk(errno);
  }
}

}  // namespace

bool OpenFile::Close(Handle descriptor) {
  // The descriptor is gone after close() whatever it returns; never retry.
  return ::close(descriptor) == 0;
}

// A descriptor of the folder serves only as the place the other calls start
// from (O_PATH), which needs no right to read the folder.
void Folder::Open() {
  CheckInjectedFault(FileOperation::kOpen, profile_path_);
  const std::string folder = FolderOf(profile_path_);
  handle_ = FileHandle(::open(folder.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (!handle_) {
    const int error = errno;
    struct stat status {};
    if (error == ENOTDIR && ::lstat(folder.c_str(), &status) == 0 && S_ISLNK(status.st_mode)) {
      throw ProfileLeftUnchanged(profile_path_, "is in a folder that is a symbolic link");
    }
    ThrowFileError(FileOperation::kOpen, profile_path_, error);
  }
}

// The lock is the profile's own descriptor, which needs no right beyond
// reading the profile. A rewrite that finished between this one's open and
// its lock has put a new file under the name; that one is opened instead.
ProfileFile::ProfileFile(const Folder& folder) : folder_(folder) {
  for (int attempt = 1;; ++attempt) {
    Open();
    CheckInjectedFault(FileOperation::kLock, path());
    if (::flock(handle_.get(), LOCK_EX | LOCK_NB) != 0) {
      if (errno != EWOULDBLOCK) {
        ThrowFileError(FileOperation::kLock, path(), errno);
      }
      break;
    }
    if (StillInPlace()) {
      return;
    }
    if (attempt == 2) {
      break;
    }
    handle_.Reset();
  }
  throw AnotherRewriteRunning(path());
}

void ProfileFile::Open() {
  CheckInjectedFault(FileOperation::kOpen, path());
  const int folder = folder_.handle_.get();
  const char* const name = folder_.profile_name_.c_str();
  handle_ = FileHandle(::openat(folder, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (!handle_) {
    const int error = errno;
    struct stat status {};
    // A symbolic link (ELOOP) or a socket (ENXIO) is not opened at all.
    if ((error == ELOOP || error == ENXIO) &&
        ::fstatat(folder, name, &status, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISREG(status.st_mode)) {
      throw NotARegularFile(path(), status.st_mode);
    }
    ThrowFileError(FileOperation::kOpen, path(), error);
  }
  const struct stat status = Examine(handle_, path());
  if (!S_ISREG(status.st_mode)) {
    throw NotARegularFile(path(), status.st_mode);
  }
  if (status.st_nlink > 1) {
    throw ProfileLeftUnchanged(path(), "has " + std::to_string(status.st_nlink) +
                                           " names (hard links), which replacing it would split");
  }
  volume_ = status.st_dev;
  index_ = status.st_ino;
  mode_ = status.st_mode & 07777;
  owner_ = status.st_uid;
  group_ = status.st_gid;
}

bool ProfileFile::StillInPlace() const {
  CheckInjectedFault(FileOperation::kExamine, path());
  struct stat status {};
  if (::fstatat(folder_.handle_.get(), folder_.profile_name_.c_str(), &status,
                AT_SYMLINK_NOFOLLOW) != 0) {
    if (errno == ENOENT) {
      return false;
    }
    ThrowFileError(FileOperation::kExamine, path(), errno);
  }
  return status.st_dev == volume_ && status.st_ino == index_;
}

std::size_t ProfileFile::Read(char* buffer, std::size_t size) {
  return ReadSome(handle_, path(), buffer, size);
}

void ProfileFile::Seek(std::uint64_t offset) {
  SeekTo(handle_, path(), offset);
}

ProfileReader::ProfileReader(std::string path) : path_(std::move(path)) {
  CheckInjectedFault(FileOperation::kOpen, path_);
  handle_ = FileHandle(::open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (!handle_) {
    ThrowFileError(FileOperation::kOpen, path_, errno);
  }
  const struct stat status = Examine(handle_, path_);
  if (!S_ISREG(status.st_mode)) {
    throw NotARegularFile(path_, status.st_mode);
  }
}

std::size_t ProfileReader::Read(char* buffer, std::size_t size) {
  return ReadSome(handle_, path_, buffer, size);
}

void ProfileReader::Seek(std::uint64_t offset) {
  SeekTo(handle_, path_, offset);
}

FileVersion ProfileReader::Version() const {
  const struct stat status = Examine(handle_, path_);
  constexpr std::uint64_t kNanoseconds = 1000000000;
  return {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino),
          static_cast<std::uint64_t>(status.st_size),
          static_cast<std::uint64_t>(status.st_mtim.tv_sec) * kNanoseconds +
              static_cast<std::uint64_t>(status.st_mtim.tv_nsec)};
}

WorkFile::WorkFile(ProfileFile& profile) : folder_(profile.folder_) {
  // Safe only under the profile's lock: a name can be removed while another
  // process still writes the file behind it.
  const int folder = folder_.handle_.get();
  const char* const name = folder_.work_name_.c_str();
  CheckInjectedFault(FileOperation::kClear, path());
  if (::unlinkat(folder, name, 0) != 0 && errno != ENOENT) {
    ThrowFileError(FileOperation::kClear, path(), errno);
  }
  CheckInjectedFault(FileOperation::kCreate, path());
  handle_ = FileHandle(
      ::openat(folder, name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (!handle_) {
    if (errno == EEXIST) {
      throw FileError(VerbOf(FileOperation::kCreate), path(),
                      "Another program made a file of that name at the same time");
    }
    ThrowFileError(FileOperation::kCreate, path(), errno);
  }
}

void WorkFile::Write(const char* data, std::size_t size) {
  if (const long error = InjectedFault(FileOperation::kWrite)) {
    if (InjectedShortWrite()) {
      WriteAll(handle_, path(), data, size / 2);
    }
    ThrowFileError(FileOperation::kWrite, path(), error);
  }
  WriteAll(handle_, path(), data, size);
}

void WorkFile::Flush() {
  CheckInjectedFault(FileOperation::kFlush, path());
  if (::fsync(handle_.get()) != 0) {
    ThrowFileError(FileOperation::kFlush, path(), errno);
  }
}

void WorkFile::TakeIdentityOf(const ProfileFile& profile) {
  // The owner first: giving a file away clears its set-user-ID and set-group-ID bits.
  const Ownership ownership = GiveOwner(handle_, path(), profile.owner_, profile.group_);
  CopyExtendedAttributes(profile.handle_, handle_, path());
  mode_t mode = profile.mode_;
  if (!ownership.owner_kept) {
    mode &= ~S_ISUID;
  }
  if (!ownership.group_kept) {
    mode &= ~(S_ISGID | S_IRWXG);
  }
  CheckInjectedFault(FileOperation::kSetPermissions, path());
  if (::fchmod(handle_.get(), mode) != 0) {
    ThrowFileError(FileOperation::kSetPermissions, path(), errno);
  }
}

void WorkFile::Replace(ProfileFile& profile) {
  const bool closed = handle_.Reset();
  const int error = errno;
  CheckInjectedFault(FileOperation::kClose, path());
  if (!closed) {
    ThrowFileError(FileOperation::kClose, path(), error);
  }
  if (!profile.StillInPlace()) {
    throw ProfileReplacedMeanwhile(profile.path());
  }
  CheckInjectedFault(FileOperation::kReplace, profile.path());
  const int folder = folder_.handle_.get();
  if (::renameat(folder, folder_.work_name_.c_str(), folder, folder_.profile_name_.c_str()) != 0) {
    ThrowFileError(FileOperation::kReplace, profile.path(), errno);
  }
  SyncFolder(folder_.handle_, profile.path(), profile.handle_);
}

void WorkFile::Discard() {
  handle_.Reset();
  CheckInjectedFault(FileOperation::kRemove, path());
  if (::unlinkat(folder_.handle_.get(), folder_.work_name_.c_str(), 0) != 0) {
    ThrowFileError(FileOperation::kRemove, path(), errno);
  }
}

}  // namespace planchoice
