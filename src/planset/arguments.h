// What planset was asked, read from its arguments.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/error.h"

namespace planchoice::planset {

struct Request {
  enum class Kind {
    kRewrite,
    kCheck,
    kCheckPlan,
    kWhich,
    kInstall,
    kInstallFolder,
    kSetupCommandLine,
    kUserCanSee,
    kSetupRunning,
    kList,
    kHelp,
    kVersion
  };
  Kind kind = Kind::kRewrite;
  std::string directory;  // as given, for the kinds that take one
  std::string plan;       // as given; for kInstall empty when none was
  std::string source;     // the file read by kInstall and kSetupCommandLine, as given
  std::string output;     // the file of --output=, or empty for standard output and error
};

// Arguments planset cannot take; the sentence says what is wrong with them.
class UsageError : public Error {
 public:
  using Error::Error;
};

// `arguments` are those after the program's name. "--help" (or "-h", "/?")
// and "--version" win over every other option and take no operand. Of the
// other options one at most is given: "--list" takes no operand,
// "--check-plan" PLAN, "--which" DIRECTORY, "--install-profile" SOURCE
// DIRECTORY and perhaps PLAN, on Windows "--install-folder" DIRECTORY,
// "--setup-command-line" FILE and "--user-can-see" none; "--check", like a
// rewrite with no option, DIRECTORY and PLAN. On Windows "--output=FILE" may
// go with any of them. No operand may be empty; a PLAN is taken without one
// pair of double quotes that encloses it, whichever form it is given to. "--"
// ends the options, for a directory that begins with "-". On Windows a
// directory with a quote in it is refused: no folder's name holds one, and it
// is the mark of a quoted folder that ends in a backslash. Throws UsageError.
Request ParseArguments(const std::vector<std::string>& arguments);

}  // namespace planchoice::planset
