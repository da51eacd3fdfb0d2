// How PlanChoice.exe and planset end, as setup scripts see it, and what a
// failure means for the user.
#pragma once

#include <string>
#include <string_view>

namespace planchoice {

// What each code means for each program: logic/outcome.def.
enum class ExitCode : int {
  kSuccess = 0,
  kClosed = 1,      // PlanChoice.exe
  kNotCarried = 1,  // planset --check
  kUsage = 2,
  kFailed = 3,
  kNotYetOnDisk = 4,
  kNoWindow = 5,
  kAnotherRewrite = 6,
  kNoUserCanSee = 7,
};

// The programs that end with these codes.
enum class Program { kWindow, kPlanset };

// What ending with `code` means for `program`, in lower case and with no
// final full stop; empty when `program` never ends with `code`.
std::string_view MeaningOf(int code, Program program);

// Every code that `program` ends with and what it means, a code a line as
// "  3  the rewrite failed ...", wrapped with an indent within 79 columns.
std::string ExitCodeList(Program program);

struct Failure {
  ExitCode code;
  std::string message;  // one or more sentences a user can read as they stand
};

// What the exception being handled means: the code to end with and what to
// tell the user. Exceptions that are not the program's own (no memory left,
// say) get a plain sentence too. Call it only inside a catch block.
Failure CurrentFailure();

}  // namespace planchoice
