// The step that puts the new profile in the old one's place on Windows.
#pragma once

#include <string>

namespace planchoice {

// Moves the work file `work` (in the extended form) over the profile
// `profile`, in one step. For about two seconds it tries again while the
// profile is only in use: open in another program (a virus scanner, the
// search indexer, a backup or sync agent reading a file that just changed),
// or deleted but still open. Any other failure, and one that outlasts the
// wait, throws FileError("replace", `profile_path`, the system's reason).
void ReplaceWhenFree(const std::wstring& work, const std::wstring& profile,
                     const std::string& profile_path);

}  // namespace planchoice
