#include "planset/arguments.h"

#include "logic/plan_table.h"

namespace planchoice::planset {
namespace {

bool IsOption(const std::string& argument) {
  return (argument.size() > 1 && argument[0] == '-') || argument == "/?";
}

}  // namespace

Request ParseArguments(const std::vector<std::string>& arguments) {
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

  if (help || version) {
    return {help ? Request::Kind::kHelp : Request::Kind::kVersion, "", ""};
  }
  if (!unknown_option.empty()) {
    throw UsageError("Unknown option " + unknown_option + ".");
  }
  if (list) {
    if (!operands.empty()) {
      throw UsageError("--list takes no DIRECTORY or PLAN.");
    }
    return {Request::Kind::kList, "", ""};
  }
  switch (operands.size()) {
    case 0:
      throw UsageError("DIRECTORY and PLAN are missing.");
    case 1:
      throw UsageError("PLAN is missing.");
    case 2:
      break;
    default:
      throw UsageError("Too many arguments; put a plan name with a blank in quotes, as in \"" +
                       std::string(PlanTable.front().label) + "\".");
  }
  if (operands[0].empty()) {
    throw UsageError("No directory specified.");
  }
  if (operands[1].empty()) {
    throw UsageError("You must choose a plan.");
  }
  return {Request::Kind::kRewrite, operands[0], operands[1]};
}

}  // namespace planchoice::planset
