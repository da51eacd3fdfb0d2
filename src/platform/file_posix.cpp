#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "platform/error.h"
#include "platform/file.h"

namespace planchoice {
namespace {

[[noreturn]] void ThrowFileError(const char* operation, const std::string& path, int error) {
  throw FileError(operation, path, std::strerror(error));
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
  if (::lseek(handle_.get(), static_cast<off_t>(offset), SEEK_SET) == static_cast<off_t>(-1)) {
    ThrowFileError("read", path_, errno);
  }
}

void InputFile::Close() {
  if (!handle_.Reset()) {
    ThrowFileError("close", path_, errno);
  }
}

OutputFile::OutputFile(std::string path) : path_(std::move(path)) {
  handle_ = FileHandle(::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
  if (!handle_.is_open()) {
    ThrowFileError("create", path_, errno);
  }
}

void OutputFile::Write(const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t count = ::write(handle_.get(), data, size);
    if (count < 0) {
      if (errno == EINTR) {
        continue;
      }
      ThrowFileError("write", path_, errno);
    }
    if (count == 0) {
      ThrowFileError("write", path_, ENOSPC);
    }
    data += count;
    size -= static_cast<std::size_t>(count);
  }
}

void OutputFile::Flush() {
  if (::fsync(handle_.get()) != 0) {
    ThrowFileError("flush", path_, errno);
  }
}

void OutputFile::Close() {
  if (!handle_.Reset()) {
    ThrowFileError("close", path_, errno);
  }
}

void ReplaceAtomically(const std::string& source, const std::string& target) {
  if (std::rename(source.c_str(), target.c_str()) != 0) {
    ThrowFileError("replace", target, errno);
  }
  SyncDirectoryOf(target);
}

void RemoveFile(const std::string& path) {
  if (::unlink(path.c_str()) != 0) {
    ThrowFileError("remove", path, errno);
  }
}

}  // namespace planchoice
