// Shows a program's exit code as its number in test messages.
#pragma once

#include <ostream>

#include "logic/outcome.h"

namespace planchoice {

inline void PrintTo(ExitCode code, std::ostream* out) {
  *out << static_cast<int>(code);
}

}  // namespace planchoice
