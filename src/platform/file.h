// Files as the profile rewrite needs them: the profile, read and held while
// its successor is written, and the work file that then takes its place.
//
// Paths are UTF-8 strings, as messages name the files; the rewrite's own
// files are reached through their folder (see Folder). Every failure of
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

// The folder a rewrite works in, open for as long as the rewrite runs. The
// profile and its work file are opened, made, replaced and removed relative
// to it, never by their paths, so that a link switched anywhere on the path
// meanwhile changes nothing: the rewrite stays in the folder it opened. A
// folder that is itself a link (a symbolic link, or on Windows a junction or
// another reparse point) is refused; on Windows so is one of which the system
// cannot say where it really is.
class Folder {
 public:
  // The folder that holds the profile at `profile_path` and its work file
  // at `work_path`: the same folder, each path ending in a separator and
  // the file's name.
  Folder(std::string profile_path, std::string work_path);
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;

  // The files' paths, as messages name them.
  const std::string& profile_path() const { return profile_path_; }
  const std::string& work_path() const { return work_path_; }

 private:
  friend class ProfileFile;
  friend class WorkFile;

  void Open();

  std::string profile_name_;
  std::string work_name_;
  std::string profile_path_;
  std::string work_path_;
  FileHandle handle_;
#ifdef _WIN32
  std::wstring place_;  // where the folder really is, to tell a link in it
#endif
};

// The profile being rewritten, open for reading. Anything but a regular file
// with one name is refused: a link, a FIFO, a device, a directory, a file with
// more than one hard link, and on Windows a read-only file. Opening never
// blocks.
//
// While it lives, a second rewrite of the same profile is refused at once:
// on POSIX it holds a lock on the profile's descriptor. On Windows, where a
// file that another process holds open cannot be replaced, the lock is taken
// before the profile is opened: it is the work file, made new and held open
// with the right to delete it, which WorkFile then takes over.
class ProfileFile : public ByteSource {
 public:
  explicit ProfileFile(const Folder& folder);
  ProfileFile(const ProfileFile&) = delete;
  ProfileFile& operator=(const ProfileFile&) = delete;

  const std::string& path() const { return folder_.profile_path(); }
  std::size_t Read(char* buffer, std::size_t size) override;
  void Seek(std::uint64_t offset) override;

 private:
  friend class WorkFile;

  void Open();
  // Whether the profile's name still leads to the file that was opened.
  bool StillInPlace() const;

  const Folder& folder_;
#ifdef _WIN32
  // Before handle_, so that it is taken before the profile is opened.
  Owner<NewWorkFile> work_;
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

// One version of a file: its identity, its size and when it last changed. A
// file that changed in any of them since it was opened is another version.
struct FileVersion {
  std::uint64_t volume = 0;
  std::uint64_t index = 0;
  std::uint64_t size = 0;
  std::uint64_t modified = 0;  // in the system's own units

  bool operator==(const FileVersion& other) const {
    return volume == other.volume && index == other.index && size == other.size &&
           modified == other.modified;
  }
  bool operator!=(const FileVersion& other) const { return !(*this == other); }
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
  // The file's version now, as the open file tells it.
  FileVersion Version() const;

 private:
  std::string path_;
#ifdef _WIN32
  std::wstring system_path_;
#endif
  FileHandle handle_;
};

// The new profile, written under the work file's name in the profile's
// folder, under the profile's lock. Whatever stood at that name is removed
// first (a link itself, never what it leads to), and the file is then made
// new and exclusively, so nothing of an earlier file is reached or inherited.
// On Windows that happened when the profile's lock was taken, and the file is
// taken over from it.
class WorkFile : public ByteSink {
 public:
  explicit WorkFile(ProfileFile& profile);

  const std::string& path() const { return folder_.work_path(); }
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
  const Folder& folder_;
  FileHandle handle_;
};

}  // namespace planchoice
