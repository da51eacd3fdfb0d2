// Files as the profile rewrite needs them: the profile, read and held while
// its successor is written, and the work file that then takes its place.
//
// Paths are UTF-8 strings; on Windows each file also keeps its path in the
// form the system calls take, made once when it is opened. Every failure of
// the system throws FileError naming the operation and the path; a profile
// that must not be rewritten throws Error with a sentence that says why.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/byte_stream.h"
#include "platform/owner.h"

namespace planchoice {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// The profile being rewritten, open for reading. Anything but a regular file
// with one name is refused: a link, a FIFO, a device, a directory, a file with
// more than one hard link, and on Windows a read-only file. Opening never
// blocks.
//
// While it lives, a second rewrite of the same profile is refused at once.
// On Windows that is settled before the profile is opened, as a file that
// another process holds open cannot be replaced there.
class ProfileFile : public ByteSource {
 public:
  explicit ProfileFile(std::string path);
  ProfileFile(const ProfileFile&) = delete;
  ProfileFile& operator=(const ProfileFile&) = delete;

  const std::string& path() const { return path_; }
  std::size_t Read(char* buffer, std::size_t size) override;
  void Seek(std::uint64_t offset) override;

 private:
  friend class WorkFile;

  void Open();
  // Whether the profile's name still leads to the file that was opened.
  bool StillInPlace() const;

  std::string path_;
#ifdef _WIN32
  std::wstring system_path_;
  // Before handle_, so that it is taken before the profile is opened and
  // released only once the profile is closed.
  Owner<HeldMutex> rewrite_lock_;
#endif
  FileHandle handle_;
  std::uint64_t volume_ = 0;  // with index_, the file's identity
  std::uint64_t index_ = 0;
#ifdef _WIN32
  std::uint32_t attributes_ = 0;
  std::uint64_t creation_time_ = 0;
#else
  std::uint32_t mode_ = 0;
  std::uint32_t owner_ = 0;
  std::uint32_t group_ = 0;
#endif
};

// The profile opened to be read and nothing more, as a check of its entries
// reads it: no lock is taken, and other programs may read, rewrite, replace
// or remove it meanwhile. Anything but a regular file is refused; opening
// never blocks.
class ProfileReader : public ByteSource {
 public:
  explicit ProfileReader(std::string path);

  std::size_t Read(char* buffer, std::size_t size) override;
  void Seek(std::uint64_t offset) override;

 private:
  std::string path_;
#ifdef _WIN32
  std::wstring system_path_;
#endif
  FileHandle handle_;
};

// The new profile, written under the work file's name. Whatever stood at that
// name is removed first (a link itself, never what it leads to), and the file
// is then made new and exclusively, so nothing of an earlier file is reached
// or inherited.
class WorkFile : public ByteSink {
 public:
  explicit WorkFile(std::string path);

  const std::string& path() const { return path_; }
  void Write(const char* data, std::size_t size) override;
  // Waits until everything written is on stable storage.
  void Flush();
  // Gives the file what belongs to the profile rather than to its contents.
  // POSIX: the owner and group where the process may set them (where it may
  // not, the mode keeps no permission for a group other than the profile's),
  // the extended attributes (POSIX ACLs among them), and the mode. Windows:
  // the hidden, system and not-indexed attributes, the security descriptor
  // (the DACL, and the owner where permitted) and the creation time.
  void TakeIdentityOf(const ProfileFile& profile);
  // Puts the file in the profile's place in one step, once sure that the
  // profile is still the file that was read; afterwards the profile's name
  // holds the old file or the whole new one, also after a power cut. On
  // Windows it waits up to about two seconds while another program has the
  // profile open. Throws DurabilityError when the replace happened but could
  // not be made durable.
  void Replace(ProfileFile& profile);
  // Closes and removes the file, after a failure.
  void Discard();

 private:
  std::string path_;
#ifdef _WIN32
  std::wstring system_path_;
#endif
  FileHandle handle_;
};

}  // namespace planchoice
