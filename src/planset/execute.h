// Carries out a command of planset, without touching the console.
#pragma once

#include <string>

#include "planset/command_line.h"

namespace planchoice::planset {

enum ExitCode : int {
  kExitSuccess = 0,     // the profile was rewritten, or what was asked for printed
  kExitUsageError = 2,  // also: the plan matches no row
  kExitRewriteFailed = 3,
  kExitNotYetOnDisk = 4,  // the profile holds the new number, but may not be on disk yet
};

struct Reply {
  ExitCode exit_code = kExitSuccess;
  std::string out;    // for standard output
  std::string error;  // for standard error
};

// Throws Error when the rewrite fails; the profile is then as it was, unless
// it is DurabilityError.
Reply Execute(const Command& command);

}  // namespace planchoice::planset
