#include "dialog/window_error.h"

namespace planchoice {

WindowError CannotCreate(const std::string& what, const std::string& reason) {
  return WindowError("Could not create " + what + ": " + AsSentenceEnd(reason) +
                     " Nothing was changed.");
}

Failure CurrentWindowFailure() {
  try {
    throw;
  } catch (const WindowError& error) {
    return {ExitCode::kNoWindow, error.what()};
  } catch (...) {
    return CurrentFailure();
  }
}

}  // namespace planchoice
