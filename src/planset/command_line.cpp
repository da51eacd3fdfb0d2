#include "planset/command_line.h"

#include "logic/plan_table.h"

namespace planchoice::planset {
namespace {

Command UsageError(std::string problem) {
  Command command;
  command.problem = std::move(problem);
  return command;
}

bool IsOption(const std::string& argument) {
  return (argument.size() > 1 && argument[0] == '-') || argument == "/?";
}

}  // namespace

Command ParseCommandLine(const std::vector<std::string>& arguments) {
  bool help = false;
  bool version = false;
  bool list = false;
  bool options_ended = false;
  std::string unknown_option;
  std::vector<std::string> operands;
  for (const std::string& argument : arguments) {
    if (options_ended || !IsOption(argument)) {
      operands.push_back(argument);
    } else if (argument == "--") {
      options_ended = true;
    } else if (argument == "--help" || argument == "-h" || argument == "/?") {
      help = true;
    } else if (argument == "--version") {
      version = true;
    } else if (argument == "--list") {
      list = true;
    } else if (unknown_option.empty()) {
      unknown_option = argument;
    }
  }

  Command command;
  if (help) {
    command.action = Action::kShowHelp;
  } else if (version) {
    command.action = Action::kShowVersion;
  } else if (!unknown_option.empty()) {
    return UsageError("Unknown option " + unknown_option + ".");
  } else if (list) {
    if (!operands.empty()) {
      return UsageError("--list takes no DIRECTORY or PLAN.");
    }
    command.action = Action::kListPlans;
  } else if (operands.empty()) {
    return UsageError("DIRECTORY and PLAN are missing.");
  } else if (operands.size() == 1) {
    return UsageError("PLAN is missing.");
  } else if (operands.size() > 2) {
    return UsageError("Too many arguments; put a plan name with a blank in quotes, as in \"" +
                      std::string(PlanTable.front().label) + "\".");
  } else if (operands[0].empty()) {
    return UsageError("No directory specified");
  } else {
    command.action = Action::kRewriteProfile;
    command.directory = operands[0];
    command.plan = operands[1];
  }
  return command;
}

}  // namespace planchoice::planset
