// The rewrite's files on Windows, reached through their folder's handle (see
// Folder): opened and made by a name relative to it, never by a path.
#pragma once

#include <windows.h>

#include <string>

#include "platform/file.h"

namespace planchoice {

// Opens or makes the file `name` in the folder open as `folder`, as
// NtCreateFile does with `disposition` (FILE_OPEN, FILE_CREATE) and
// `options`; a link at the name is opened as itself, and a directory only
// where `options` allow it. On failure the handle is empty and GetLastError
// gives the system's reason.
FileHandle OpenIn(const FileHandle& folder, const std::wstring& name, ACCESS_MASK access,
                  ULONG share, ULONG disposition, ULONG options = 0);

// Where the file or folder open as `handle` really is: its volume's serial
// number and its path on that volume, as the system names the open file.
// Empty, with the system's reason in GetLastError, when the system cannot
// tell.
std::wstring PlaceOf(const FileHandle& handle);

// Whether the file open as `file`, opened by `name` in the folder whose place
// (PlaceOf) is `folder`, lies elsewhere. Windows opens a link itself when
// asked to; Wine cannot, and takes a Unix symbolic link for the file it
// leads to, so where the handle really is is compared with where its name
// is. Throws FileError ("examine" `path`) when the system cannot tell.
bool LeadsElsewhere(const FileHandle& file, const std::wstring& folder, const std::wstring& name,
                    const std::string& path);

// Who has the file `name` in `folder` open so that an open of it was just
// refused for sharing, as a second look finds.
enum class Holder {
  kGone,     // no one: the file is gone
  kNobody,   // no one any more: the file is there, and free
  kRewrite,  // a rewrite (see below)
  kOther,    // a process that keeps others from deleting it: a reader, say
};

// A rewrite holds its work file open with the right to delete it while it
// lets others delete it too, from the moment it makes the file until the
// file has become the profile and is closed. Only a process that may delete
// the file can hold it so; one that keeps others from deleting it (a reader
// that may do no more) is another program, and the open it refuses fails as
// refused, not as a rewrite running.
Holder HolderOf(const FileHandle& folder, const std::wstring& name);

}  // namespace planchoice
