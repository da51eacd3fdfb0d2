#include "logic/outcome.h"

#include <exception>
#include <new>

#include "platform/error.h"

namespace planchoice {

Failure CurrentFailure() {
  try {
    throw;
  } catch (const DurabilityError& error) {
    return {ExitCode::kNotYetOnDisk, error.what()};
  } catch (const RewriteRunningError& error) {
    return {ExitCode::kAnotherRewrite, error.what()};
  } catch (const Error& error) {
    return {ExitCode::kFailed, error.what()};
  } catch (const std::bad_alloc&) {
    return {ExitCode::kFailed, "There is not enough memory to go on; nothing was changed."};
  } catch (const std::exception& error) {
    return {ExitCode::kFailed, std::string("An unexpected error stopped the program (") +
                                   error.what() + "); nothing was changed."};
  } catch (...) {
    return {ExitCode::kFailed, "An unexpected error stopped the program; nothing was changed."};
  }
}

}  // namespace planchoice
