// Failures of the window itself, which end the program with their own code.
#pragma once

#include <string>

#include "logic/outcome.h"
#include "platform/error.h"

namespace planchoice {

// The window could not be made; nothing was changed.
class WindowError : public Error {
 public:
  using Error::Error;
};

// "Could not create <what>: <reason>. Nothing was changed."
WindowError CannotCreate(const std::string& what, const std::string& reason);

// CurrentFailure, and for a WindowError the code that says the window could
// not be made. Call it only inside a catch block.
Failure CurrentWindowFailure();

}  // namespace planchoice
