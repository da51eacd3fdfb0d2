// The driver waits for the program's windows as every test waits.
#pragma once

#include "support/wait.h"

namespace planchoice::driver {

using testing::kPatience;
using testing::WaitUntil;

}  // namespace planchoice::driver
