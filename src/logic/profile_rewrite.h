// Sets the dial-in number of the connection profile in a directory.
#pragma once

#include <string>
#include <string_view>

#include "identity.h"
#include "logic/line_rewrite.h"

namespace planchoice {

// The profile's path: `directory` followed directly by a separator and the
// file name; nothing is trimmed, so a trailing separator is doubled.
std::string ProfilePath(const std::string& directory);
std::string WorkPath(const std::string& directory);

// Rewrites the profile in `directory` so that every "Phone0=" line carries
// `access_number` (see RewriteLines), through a work file that then takes the
// profile's place in one step.
//
// Returns only when the new profile is in place and on stable storage, with
// the old one's owner, permissions and attributes (see WorkFile). On any
// failure it throws Error and leaves the profile as it was, with no work file
// left behind unless removing it failed too, which the message then says. An
// empty profile, one without a "Phone0=" line, a profile that is not a
// regular file with one name (see ProfileFile) and a second rewrite of the
// same profile are failures, and so is a directory that is itself a link
// (see Folder). DurabilityError means that the new profile is in place but
// may not yet be on stable storage.
void RewriteProfile(const std::string& directory, std::string_view access_number);

// Replaces the profile in `directory` as RewriteProfile does, and with the
// same guarantees, but with the lines of the file `source` (a new version's
// profile, say): every "Phone0=" line carrying `access_number`, or, when that
// is empty, every line as it is. The profile must exist; `source` is only
// read, and must have lines and a "Phone0=" entry. A `source` that changed
// while it was read (see InstallSource) is refused, and so is one that cannot
// be read; each failure names it as the profile to install.
void InstallProfile(const std::string& source, const std::string& directory,
                    std::string_view access_number);

// Reads the profile in `directory` by the rewrite's own line rules (see
// RewriteLines) and counts its lines, its "Phone0=" lines, and those that
// carry exactly `access_number`. Only reads: it takes no lock and writes
// nothing, so it may run beside a rewrite, and sees the profile before or
// after it. Throws Error when the profile cannot be read.
LineCounts CheckProfile(const std::string& directory, std::string_view access_number);

}  // namespace planchoice
