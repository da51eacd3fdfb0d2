// planset's usage and help, as planset prints them and as the release's
// README.txt carries them.
#pragma once

#include <string>
#include <string_view>

namespace planchoice::planset {

// The forms planset takes, a line each: after a refusal and atop the help.
std::string_view Usage();

// What --help prints: the usage, what planset does, each option, and the
// exit codes.
std::string Help();

}  // namespace planchoice::planset
