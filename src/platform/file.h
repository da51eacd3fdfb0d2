// Files as the profile rewrite needs them: a reader, a writer, and the two
// directory operations that publish or discard a work file.
//
// Paths are UTF-8 strings, converted to the system's form only at the system
// call. Every failure throws FileError naming the operation and the path.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace planchoice {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// Sole owner of an open file; closes it quietly when dropped.
class FileHandle {
 public:
#ifdef _WIN32
  using Native = void*;
#else
  using Native = int;
#endif
  static const Native kNone;

  FileHandle() = default;
  explicit FileHandle(Native native) : native_(native) {}
  FileHandle(FileHandle&& other) noexcept : native_(other.Release()) {}
  FileHandle& operator=(FileHandle&& other) noexcept;
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  ~FileHandle() {
    Reset();
  }

  Native get() const {
    return native_;
  }
  bool is_open() const {
    return native_ != kNone;
  }
  Native Release();
  // Closes the file; returns false when the system reports an error.
  bool Reset();

 private:
  Native native_ = kNone;
};

// An existing regular file, opened for reading with writers shut out.
class InputFile {
 public:
  explicit InputFile(std::string path);

  const std::string& path() const { return path_; }
  // Reads up to `size` bytes; returns 0 only at the end of the file.
  std::size_t Read(char* buffer, std::size_t size);
  // Moves the read position to `offset` bytes from the start.
  void Seek(std::uint64_t offset);
  void Close();
  void CloseIgnoringErrors() { handle_.Reset(); }

 private:
  std::string path_;
  FileHandle handle_;
};

// A file created empty, or emptied if it exists, opened for writing only.
class OutputFile {
 public:
  explicit OutputFile(std::string path);

  const std::string& path() const { return path_; }
  // Writes all `size` bytes or throws.
  void Write(const char* data, std::size_t size);
  // Waits until everything written is on stable storage.
  void Flush();
  void Close();
  void CloseIgnoringErrors() { handle_.Reset(); }

 private:
  std::string path_;
  FileHandle handle_;
};

// Keeps a second rewrite in the directory that holds `path` out while it
// lives; the one that comes second fails at once. On POSIX this is an advisory lock on the
// directory, as two writers of one work file would mix their lines. On Windows
// the work file is opened for one writer only, which keeps them apart already.
class DirectoryLock {
 public:
  explicit DirectoryLock(const std::string& path);

 private:
  FileHandle handle_;
};

// Puts `source` in the place of `target` in one step: afterwards `target` is
// either the old file or the whole new one, also after a power cut.
void ReplaceAtomically(const std::string& source, const std::string& target);

void RemoveFile(const std::string& path);

}  // namespace planchoice
