// How the program ended, as setup scripts see it.
#pragma once

namespace planchoice {

enum class ExitCode : int {
  kRewritten = 0,      // the profile carries the chosen plan's number
  kClosed = 1,         // the window was closed; nothing was changed
  kNoDirectory = 2,    // started without a directory
  kRewriteFailed = 3,  // the rewrite failed; the profile is as it was
  kNotYetOnDisk = 4,   // the profile holds the new number, but may not be on disk yet
};

}  // namespace planchoice
