#include "planset/texts.h"

#include "logic/plan_table.h"
#include "logic/profile_rewrite.h"

namespace planchoice::planset {

std::string UsageText() {
  return "Usage: planset DIRECTORY PLAN\n"
         "       planset --list | --help | --version\n";
}

std::string HelpText() {
  return UsageText() + "\n" + "Sets the dial-in number in the connection profile " +
         std::string(kProfileName) +
         " in\n"
         "DIRECTORY to the number of PLAN, as the PlanChoice dialog does, with no window.\n"
         "PLAN is a plan's name exactly as --list shows it, in quotes when it holds a blank.\n"
         "The profile is replaced in one step; on any failure it is left as it was.\n"
         "\n"
         "  --list     print the plans and their numbers, one per line\n"
         "  --help     print this help\n"
         "  --version  print the version\n"
         "\n"
         "Exit status: 0 the profile was rewritten; 2 a usage error or an unknown plan;\n"
         "3 the rewrite failed and the profile was left as it was; 4 the profile holds\n"
         "the new number, but may not be on disk yet.\n";
}

std::string VersionText() {
  return std::string("planset ") + PLANSET_VERSION + "\n";
}

std::string PlanListText() {
  std::string text;
  for (const Plan& plan : PlanTable) {
    text.append(plan.label).append("\t").append(plan.access_number).append("\n");
  }
  return text;
}

std::string UnknownPlanText(std::string_view plan) {
  std::string text = "There is no plan \"" + std::string(plan) + "\"; the plans are ";
  for (std::size_t row = 0; row < PlanTable.size(); ++row) {
    if (row > 0) {
      text += row + 1 < PlanTable.size() ? ", " : " and ";
    }
    text.append("\"").append(PlanTable[row].label).append("\"");
  }
  return text + ".\n";
}

}  // namespace planchoice::planset
