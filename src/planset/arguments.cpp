#include "planset/arguments.h"

#include <algorithm>

#include "logic/plan_table.h"

namespace planchoice::planset {

Request ParseArguments(const std::vector<std::string>& arguments) {
  std::vector<std::string> options;
  std::vector<std::string> operands;
  bool options_ended = false;
  for (const std::string& argument : arguments) {
    if (!options_ended && argument == "--") {
      options_ended = true;
    } else if (!options_ended &&
               ((argument.size() > 1 && argument[0] == '-') || argument == "/?")) {
      options.push_back(argument);
    } else {
      operands.push_back(argument);
    }
  }
  const auto given = [&options](const char* option) {
    return std::find(options.begin(), options.end(), option) != options.end();
  };
  if (given("--help") || given("-h") || given("/?")) {
    return {Request::Kind::kHelp, "", ""};
  }
  if (given("--version")) {
    return {Request::Kind::kVersion, "", ""};
  }
  for (const std::string& option : options) {
    if (option != "--list") {
      throw UsageError("Unknown option " + option + ".");
    }
  }
  if (!options.empty()) {
    if (!operands.empty()) {
      throw UsageError("--list takes no DIRECTORY or PLAN.");
    }
    return {Request::Kind::kList, "", ""};
  }
  if (operands.size() < 2) {
    throw UsageError(operands.empty() ? "DIRECTORY and PLAN are missing." : "PLAN is missing.");
  }
  if (operands.size() > 2) {
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
