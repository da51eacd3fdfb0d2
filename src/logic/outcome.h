// How PlanChoice.exe and planset end, as setup scripts see it, and what a
// failure means for the user.
#pragma once

#include <string>
#include <string_view>

namespace planchoice {

// Each code by its name; what it means for each program: logic/outcome.def.
enum class ExitCode : int {
#define PLANCHOICE_EXIT_CODE(code, name, window, planset) k##name = code,
#include "logic/outcome.def"
#undef PLANCHOICE_EXIT_CODE
  kNotCarried = kClosed,  // planset --check and --which
};

// The programs that end with these codes.
enum class Program { kWindow, kPlanset };

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
