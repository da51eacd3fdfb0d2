#include "planset/arguments.h"

#include <algorithm>
#include <initializer_list>
#include <iterator>

#include "logic/enclosing_quotes.h"
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

// What each option asks for, and the operands it takes: the first row, no
// option, is a rewrite. Two options given together are named in this order.
struct Mode {
  const char* option;
  Request::Kind kind;
  std::size_t least;  // operands
  std::size_t most;
  bool takes_directory;
  const char* missing;  // the sentence for fewer than `least` operands
  // For the kinds that read a file first: the sentence for an empty one.
  const char* no_source = nullptr;
};

constexpr Mode kModes[] = {
    {"", Request::Kind::kRewrite, 2, 2, true, "DIRECTORY and PLAN are missing."},
    {"--list", Request::Kind::kList, 0, 0, false, ""},
    {"--check", Request::Kind::kCheck, 2, 2, true, "DIRECTORY and PLAN are missing."},
    {"--check-plan", Request::Kind::kCheckPlan, 1, 1, false, "--check-plan needs a PLAN."},
    {"--which", Request::Kind::kWhich, 1, 1, true, "--which needs a DIRECTORY."},
    {"--install-profile", Request::Kind::kInstall, 2, 3, true,
     "--install-profile needs a SOURCE profile and a DIRECTORY.",
     "No profile to install was given."},
#ifdef _WIN32
    {"--install-folder", Request::Kind::kInstallFolder, 1, 1, true,
     "--install-folder needs a DIRECTORY."},
    {"--setup-command-line", Request::Kind::kSetupCommandLine, 1, 1, false,
     "--setup-command-line needs a FILE.", "No file with a command line was given."},
    {"--user-can-see", Request::Kind::kUserCanSee, 0, 0, false, ""},
    {"--setup-running", Request::Kind::kSetupRunning, 0, 0, false, ""},
#endif
};

#ifdef _WIN32
constexpr char kOutputOption[] = "--output=";

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
  std::string output;
  bool options_ended = false;
  for (const std::string& argument : arguments) {
    if (!options_ended && argument == "--") {
      options_ended = true;
#ifdef _WIN32
    } else if (!options_ended && argument.rfind(kOutputOption, 0) == 0) {
      output = argument.substr(std::string_view(kOutputOption).size());
      if (output.empty()) {
        throw UsageError("--output= names no FILE.");
      }
#endif
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
    return {help != nullptr ? Request::Kind::kHelp : Request::Kind::kVersion, "", "", "", output};
  }
  const Mode* mode = &kModes[0];
  for (const std::string& option : options) {
    const auto given = std::find_if(std::begin(kModes) + 1, std::end(kModes),
                                    [&](const Mode& m) { return option == m.option; });
    if (given == std::end(kModes)) {
      throw UsageError("Unknown option " + option + ".");
    }
    if (mode != &kModes[0] && mode != given) {
      const bool in_order = mode < given;
      throw UsageError(std::string(in_order ? mode->option : given->option) + " and " +
                       (in_order ? given->option : mode->option) + " cannot be given together.");
    }
    mode = given;
  }
  if (operands.size() < mode->least) {
    throw UsageError(operands.size() == 1 && mode->most == 2 ? "PLAN is missing." : mode->missing);
  }
  if (operands.size() > mode->most) {
    if (mode->most == 0) {
      throw UsageError(std::string(mode->option) + " takes no DIRECTORY or PLAN.");
    }
    throw UsageError("Too many arguments; put a plan name with a blank in quotes, as in \"" +
                     std::string(PlanTable.front().label) + "\".");
  }
  Request request{mode->kind, "", "", "", output};
  auto operand = operands.begin();
  if (mode->no_source != nullptr) {
    request.source = *operand++;
    if (request.source.empty()) {
      throw UsageError(mode->no_source);
    }
  }
  if (mode->takes_directory) {
    request.directory = *operand++;
    if (request.directory.empty()) {
      throw UsageError("No directory specified.");
    }
#ifdef _WIN32
    RefuseQuote(request.directory);
#endif
  }
  if (operand != operands.end()) {
    // A plan given by a command line that quoted it twice, as
    // "/PLAN=\"Sorvel 25\"" is, reaches planset in quotes; no plan holds one.
    request.plan = std::string(WithoutEnclosingQuotes(std::string_view(*operand)));
    if (request.plan.empty()) {
      throw UsageError("You must choose a plan.");
    }
  }
  return request;
}

}  // namespace planchoice::planset
