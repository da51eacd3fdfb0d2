#include "planset/arguments.h"

#include <algorithm>
#include <initializer_list>

#include "logic/plan_table.h"

namespace planchoice::planset {
namespace {

// The first option given of those spelt as `spellings`, or null.
const std::string* Given(const std::vector<std::string>& options,
                         std::initializer_list<const char*> spellings) {
  for (const std::string& option : options) {
    if (std::find(spellings.begin(), spellings.end(), option) != spellings.end()) {
      return &option;
    }
  }
  return nullptr;
}

#ifdef _WIN32
// No Windows name holds a quote, but one reaches planset when a directory
// written as "C:\Setup\" ends in \", which reads as a quote, not as the end.
void RefuseQuote(const std::string& directory) {
  if (directory.find('"') != std::string::npos) {
    throw UsageError("The directory " + directory +
                     " holds a quote, which no folder's name can: a folder written as "
                     "\"C:\\Folder\\\" ends in \\\", which Windows reads as a quote and not as "
                     "the closing one. Leave out the last backslash (\"C:\\Folder\") or double "
                     "it (\"C:\\Folder\\\\\").");
  }
}
#endif

}  // namespace

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
  // Help and version answer whatever other option was given, but an operand
  // means that something else was meant.
  const std::string* const help = Given(options, {"--help", "-h", "/?"});
  const std::string* const version = Given(options, {"--version"});
  if (help != nullptr || version != nullptr) {
    if (!operands.empty()) {
      throw UsageError(*(help != nullptr ? help : version) + " takes no DIRECTORY or PLAN.");
    }
    return {help != nullptr ? Request::Kind::kHelp : Request::Kind::kVersion, "", ""};
  }
  for (const std::string& option : options) {
    if (option != "--list" && option != "--check") {
      throw UsageError("Unknown option " + option + ".");
    }
  }
  const bool list = Given(options, {"--list"}) != nullptr;
  const bool check = Given(options, {"--check"}) != nullptr;
  if (list && check) {
    throw UsageError("--list and --check cannot be given together.");
  }
  if (list) {
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
#ifdef _WIN32
  RefuseQuote(operands[0]);
#endif
  if (operands[1].empty()) {
    throw UsageError("You must choose a plan.");
  }
  return {check ? Request::Kind::kCheck : Request::Kind::kRewrite, operands[0], operands[1]};
}

}  // namespace planchoice::planset
