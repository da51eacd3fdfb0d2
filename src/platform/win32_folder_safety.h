// Whether a folder is as safe as Program Files for programs that run as
// SYSTEM or for administrators: no one else can change what is in it, nor
// take it away by renaming it or a folder above it and putting another in
// its place.
#pragma once

#include <string>

namespace planchoice {

// Throws Error, with a sentence that says why and what to do, when the parent
// of `folder` (an absolute path) does not exist, or when `folder`, where it
// exists, or a folder above it is a link or junction, is owned by someone
// other than the system or the administrators (among them the elevated
// administrator it runs for), or lets anyone else write
// into the folder or change its permissions (the folder itself), or remove
// or rename it or what is in it (every folder above it).
void RefuseUnsafeInstallFolder(const std::string& folder);

// Makes `folder`, whose parent exists, with Program Files' protection and
// nothing inherited from its parent: full control for the system and the
// administrators, read and run for users. Leaves an existing folder as it
// is. Throws FileError.
void MakeProtectedFolder(const std::string& folder);

}  // namespace planchoice
