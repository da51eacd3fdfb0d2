#include <windows.h>

#include <algorithm>
#include <utility>

#include "platform/error.h"
#include "platform/fault_injection.h"
#include "platform/file.h"
#include "platform/win32_text.h"

namespace planchoice {
namespace {

[[noreturn]] void ThrowFileError(const char* operation, const std::string& path,
                                 DWORD error = ::GetLastError()) {
  throw FileError(operation, path, SystemMessage(error));
}

void CheckInjectedFault(FileOperation operation, const char* name, const std::string& path) {
  if (const long error = InjectedFault(operation)) {
    ThrowFileError(name, path, static_cast<DWORD>(error));
  }
}

void WriteAll(const FileHandle& handle, const std::string& path, const char* data,
              std::size_t size) {
  while (size > 0) {
    DWORD count = 0;
    const DWORD request = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
    if (!::WriteFile(handle.get(), data, request, &count, nullptr)) {
      ThrowFileError("write", path);
    }
    if (count == 0) {
      ThrowFileError("write", path, ERROR_DISK_FULL);
    }
    data += count;
    size -= count;
  }
}

bool IsSeparator(wchar_t c) {
  return c == L'\\' || c == L'/';
}

// The extended form "\\?\C:\..." lifts the 260-character limit, but the
// system takes it literally, so it is made from the full path with each run
// of separators cut to one ("C:\Setup\\kelvarin.cmp" means C:\Setup\kelvarin.cmp).
std::wstring SystemPath(const std::string& path) {
  const std::wstring wide = Widen(path);
  const DWORD needed = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (needed == 0) {
    return wide;  // The call that uses the path reports why it is not valid.
  }
  std::wstring full(needed, L'\0');
  full.resize(::GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr));

  const bool is_unc = full.size() > 2 && IsSeparator(full[0]) && IsSeparator(full[1]);
  if (is_unc && full[2] == L'?') {
    return full;  // Already in the extended form.
  }
  std::wstring system = is_unc ? L"\\\\?\\UNC\\" : L"\\\\?\\";
  bool after_separator = true;
  for (std::size_t i = is_unc ? 2 : 0; i < full.size(); ++i) {
    const bool separator = IsSeparator(full[i]);
    if (!(separator && after_separator)) {
      system += separator ? L'\\' : full[i];
    }
    after_separator = separator;
  }
  return system;
}

}  // namespace

const FileHandle::Native FileHandle::kNone = INVALID_HANDLE_VALUE;

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
  if (this != &other) {
    Reset();
    native_ = other.Release();
  }
  return *this;
}

FileHandle::Native FileHandle::Release() {
  return std::exchange(native_, kNone);
}

bool FileHandle::Reset() {
  return !is_open() || ::CloseHandle(Release()) != 0;
}

InputFile::InputFile(std::string path) : path_(std::move(path)) {
  CheckInjectedFault(FileOperation::kOpen, "open", path_);
  handle_ = FileHandle(::CreateFileW(SystemPath(path_).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                     nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!handle_.is_open()) {
    ThrowFileError("open", path_);
  }
}

std::size_t InputFile::Read(char* buffer, std::size_t size) {
  CheckInjectedFault(FileOperation::kRead, "read", path_);
  DWORD count = 0;
  const DWORD request = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
  if (!::ReadFile(handle_.get(), buffer, request, &count, nullptr)) {
    ThrowFileError("read", path_);
  }
  return count;
}

void InputFile::Seek(std::uint64_t offset) {
  CheckInjectedFault(FileOperation::kSeek, "read", path_);
  LARGE_INTEGER position;
  position.QuadPart = static_cast<LONGLONG>(offset);
  if (!::SetFilePointerEx(handle_.get(), position, nullptr, FILE_BEGIN)) {
    ThrowFileError("read", path_);
  }
}

void InputFile::Close() {
  const bool closed = handle_.Reset();
  const DWORD error = ::GetLastError();
  CheckInjectedFault(FileOperation::kClose, "close", path_);
  if (!closed) {
    ThrowFileError("close", path_, error);
  }
}

OutputFile::OutputFile(std::string path) : path_(std::move(path)) {
  CheckInjectedFault(FileOperation::kCreate, "create", path_);
  handle_ = FileHandle(::CreateFileW(SystemPath(path_).c_str(), GENERIC_WRITE, 0, nullptr,
                                     CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle_.is_open()) {
    ThrowFileError("create", path_);
  }
}

void OutputFile::Write(const char* data, std::size_t size) {
  if (const long error = InjectedFault(FileOperation::kWrite)) {
    if (InjectedShortWrite()) {
      WriteAll(handle_, path_, data, size / 2);
    }
    ThrowFileError("write", path_, static_cast<DWORD>(error));
  }
  WriteAll(handle_, path_, data, size);
}

void OutputFile::Flush() {
  CheckInjectedFault(FileOperation::kFlush, "flush", path_);
  if (!::FlushFileBuffers(handle_.get())) {
    ThrowFileError("flush", path_);
  }
}

void OutputFile::Close() {
  const bool closed = handle_.Reset();
  const DWORD error = ::GetLastError();
  CheckInjectedFault(FileOperation::kClose, "close", path_);
  if (!closed) {
    ThrowFileError("close", path_, error);
  }
}

DirectoryLock::DirectoryLock(const std::string&) {}

void ReplaceAtomically(const std::string& source, const std::string& target) {
  CheckInjectedFault(FileOperation::kReplace, "replace", target);
  if (!::MoveFileExW(SystemPath(source).c_str(), SystemPath(target).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    ThrowFileError("replace", target);
  }
}

void RemoveFile(const std::string& path) {
  CheckInjectedFault(FileOperation::kRemove, "remove", path);
  if (!::DeleteFileW(SystemPath(path).c_str())) {
    ThrowFileError("remove", path);
  }
}

}  // namespace planchoice
