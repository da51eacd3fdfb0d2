// How PlanChoice.exe and planset end, as setup scripts see it, and what a
// failure means for the user. README lists the same codes.
#pragma once

#include <string>

namespace planchoice {

enum class ExitCode : int {
  kSuccess = 0,         // the profile carries the chosen plan's number (planset: or it printed
                        // what was asked for, or --check found the number in place)
  kClosed = 1,          // PlanChoice: the window was closed; nothing was changed
  kNotCarried = 1,      // planset --check: the profile lacks the number somewhere, or has
                        // no "Phone0=" entry
  kUsage = 2,           // no directory was given; planset: any other misuse, or no such plan
  kFailed = 3,          // the rewrite, or the program, failed; the profile is as it was
                        // (planset --check: the profile could not be read)
  kNotYetOnDisk = 4,    // the profile holds the new number, but may not be on disk yet
  kNoWindow = 5,        // PlanChoice: the window could not be made; nothing was changed
  kAnotherRewrite = 6,  // another rewrite of the profile is running; nothing was changed,
                        // and trying again later may succeed
  kNoUserCanSee = 7,    // PlanChoice: no user can see a window here (a service, say), so none
                        // was made; nothing was changed
};

struct Failure {
  ExitCode code;
  std::string message;  // one or more sentences a user can read as they stand
};

// What the exception being handled means: the code to end with and what to
// tell the user. Exceptions that are not the program's own (no memory left,
// say) get a plain sentence too. Call it only inside a catch block.
Failure CurrentFailure();

}  // namespace planchoice
