// Who may use the new profile on Windows: what it takes over from the old one's
// security descriptor.
#pragma once

#include <string>

#include "platform/file.h"

namespace planchoice {

// Gives the file open as `to` the DACL of the file open as `from`, and its
// owner where the system permits. Entries that `from` inherited from its
// directory are taken from `to`'s directory anew, as they were for `from`.
// Throws FileError naming `path`, the path of `to`.
void CopySecurity(const FileHandle& from, const FileHandle& to, const std::string& path);

}  // namespace planchoice
