// The example setup's lock: a mutex in the global namespace that each run of
// the setup or its uninstaller holds, so that one runs at a time. Any user
// may make an object of that name first; only a mutex that the system or an
// administrator made is a run of the setup.
#pragma once

#include <string>

namespace planchoice {

// "" when a run of the setup holds the lock; otherwise a sentence that says
// why none does: no object has its name, or the one that has it is not a
// mutex, or was made by a user who is not an administrator, or keeps who
// made it from being read.
std::string WhyNoSetupHoldsTheLock();

}  // namespace planchoice
