// The step that puts the new profile in the old one's place on Windows.
#pragma once

#include <string>

#include "platform/file.h"

namespace planchoice {

// Renames the work file open as `work` to `profile_name` in the folder open
// as `folder`, over the profile, in one step; the new name is taken relative
// to the folder's handle, never by a path. For about two seconds it tries
// again while the profile is only in use: open in another program (a virus
// scanner, the search indexer, a backup or sync agent reading a file that
// just changed), or deleted but still open. Any other failure, and one that
// outlasts the wait, throws FileError("replace", `profile_path`, the
// system's reason).
void ReplaceWhenFree(const FileHandle& work, const FileHandle& folder,
                     const std::wstring& profile_name, const std::string& profile_path);

}  // namespace planchoice
