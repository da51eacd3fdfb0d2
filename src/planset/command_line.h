// What planset was asked to do, read from its arguments.
#pragma once

#include <string>
#include <vector>

namespace planchoice::planset {

enum class Action {
  kRewriteProfile,
  kListPlans,
  kShowHelp,
  kShowVersion,
  kReportUsageError,
};

struct Command {
  Action action = Action::kReportUsageError;
  std::string directory;  // kRewriteProfile: taken as given
  std::string plan;       // kRewriteProfile: taken as given
  std::string problem;    // kReportUsageError: what is wrong, as a sentence
};

// `arguments` are those after the program's name. "--help" (or "-h", "/?")
// and "--version" win over everything else; "--list" stands alone; otherwise
// exactly DIRECTORY and PLAN are expected. "--" ends the options, for a
// directory that begins with "-".
Command ParseCommandLine(const std::vector<std::string>& arguments);

}  // namespace planchoice::planset
