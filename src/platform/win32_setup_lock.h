// The example setup's lock: a mutex in the global namespace that each run of
// the setup or its uninstaller holds, so that one runs at a time, and that it
// makes with the administrators as its owner. Any user may make an object of
// that name first, but no other user can give it such an owner.
#pragma once

#include <string>

namespace planchoice {

// "" when a run of the setup holds the lock: a mutex of its name is owned by
// the system, the administrators, or the elevated administrator asking.
// Otherwise a sentence that says why no run does: nothing has the name, or
// what has it is not a mutex, is owned by someone else, or keeps its owner
// from being read.
std::string WhyNoSetupHoldsTheLock();

}  // namespace planchoice
