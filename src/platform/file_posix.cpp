#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "platform/error.h"
#include "platform/fault_injection.h"
#include "platform/file.h"

namespace planchoice {
namespace {

[[noreturn]] void ThrowFileError(const char* operation, const std::string& path, long error) {
  throw FileError(operation, path, std::strerror(static_cast<int>(error)));
}

void CheckInjectedFault(FileOperation operation, const char* name, const std::string& path) {
  if (const long error = InjectedFault(operation)) {
    ThrowFileError(name, path, error);
  }
}

std::string DirectoryOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) {
    return ".";
  }
  return slash == 0 ? "/" : path.substr(0, slash);
}

// A rename is durable only once the directory that holds both names is. By
// then the rename has happened, and before and after a crash the name holds a
// whole file, old or new; so a directory that cannot be synced (some file
// systems refuse) is no reason to report the rewrite as failed.
void SyncDirectoryOf(const std::string& path) {
  const std::string directory = DirectoryOf(path);
  const FileHandle handle(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (handle.is_open()) {
    ::fsync(handle.get());
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
      ThrowFileError("write", path, errno);
    }
    if (count == 0) {
      ThrowFileError("write", path, ENOSPC);
    }
    data += count;
    size -= static_cast<std::size_t>(count);
  }
}

}  // namespace

const FileHandle::Native FileHandle::kNone = -1;

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
  if (this != &other) {
    Reset();
    native_ = other.Release();
  }
  return *this;
}

FileHandle::Native FileHandle::Release() {
  const Native native = native_;
  native_ = kNone;
  return native;
}

bool FileHandle::Reset() {
  if (!is_open()) {
    return true;
  }
  // The descriptor is gone after close() whatever it returns; never retry.
  return ::close(Release()) == 0;
}

InputFile::InputFile(std::string path) : path_(std::move(path)) {
  CheckInjectedFault(FileOperation::kOpen, "open", path_);
  handle_ = FileHandle(::open(path_.c_str(), O_RDONLY | O_CLOEXEC));
  if (!handle_.is_open()) {
    ThrowFileError("open", path_, errno);
  }
  struct stat status {};
  if (::fstat(handle_.get(), &status) != 0) {
    ThrowFileError("open", path_, errno);
  }
  if (S_ISDIR(status.st_mode)) {
    ThrowFileError("open", path_, EISDIR);
  }
}

std::size_t InputFile::Read(char* buffer, std::size_t size) {
  CheckInjectedFault(FileOperation::kRead, "read", path_);
  for (;;) {
    const ssize_t count = ::read(handle_.get(), buffer, size);
    if (count >= 0) {
      return static_cast<std::size_t>(count);
    }
    if (errno != EINTR) {
      ThrowFileError("read", path_, errno);
    }
  }
}

void InputFile::Seek(std::uint64_t offset) {
  CheckInjectedFault(FileOperation::kSeek, "read", path_);
  if (::lseek(handle_.get(), static_cast<off_t>(offset), SEEK_SET) == static_cast<off_t>(-1)) {
    ThrowFileError("read", path_, errno);
  }
}

void InputFile::Close() {
  const bool closed = handle_.Reset();
  CheckInjectedFault(FileOperation::kClose, "close", path_);
  if (!closed) {
    ThrowFileError("close", path_, errno);
  }
}

OutputFile::OutputFile(std::string path) : path_(std::move(path)) {
  CheckInjectedFault(FileOperation::kCreate, "create", path_);
  handle_ = FileHandle(::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
  if (!handle_.is_open()) {
    ThrowFileError("create", path_, errno);
  }
}

void OutputFile::Write(const char* data, std::size_t size) {
  if (const long error = InjectedFault(FileOperation::kWrite)) {
    if (InjectedShortWrite()) {
      WriteAll(handle_, path_, data, size / 2);
    }
    ThrowFileError("write", path_, error);
  }
  WriteAll(handle_, path_, data, size);
}

void OutputFile::Flush() {
  CheckInjectedFault(FileOperation::kFlush, "flush", path_);
  if (::fsync(handle_.get()) != 0) {
    ThrowFileError("flush", path_, errno);
  }
}

void OutputFile::Close() {
  const bool closed = handle_.Reset();
  CheckInjectedFault(FileOperation::kClose, "close", path_);
  if (!closed) {
    ThrowFileError("close", path_, errno);
  }
}

DirectoryLock::DirectoryLock(const std::string& path) {
  const std::string directory = DirectoryOf(path);
  handle_ = FileHandle(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!handle_.is_open()) {
    ThrowFileError("open the directory", directory, errno);
  }
  if (::flock(handle_.get(), LOCK_EX | LOCK_NB) != 0) {
    if (errno == EWOULDBLOCK) {
      throw FileError("rewrite the profile in", directory, "Another rewrite of it is running");
    }
    ThrowFileError("lock", directory, errno);
  }
}

void ReplaceAtomically(const std::string& source, const std::string& target) {
  CheckInjectedFault(FileOperation::kReplace, "replace", target);
  if (std::rename(source.c_str(), target.c_str()) != 0) {
    ThrowFileError("replace", target, errno);
  }
  SyncDirectoryOf(target);
}

void RemoveFile(const std::string& path) {
  CheckInjectedFault(FileOperation::kRemove, "remove", path);
  if (::unlink(path.c_str()) != 0) {
    ThrowFileError("remove", path, errno);
  }
}

}  // namespace planchoice
