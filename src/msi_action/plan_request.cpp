#include "msi_action/plan_request.h"

#include "logic/plan_table.h"
#include "platform/error.h"

namespace planchoice::msi_action {

PlanRequest ParsePlanRequest(std::string_view data) {
  const std::size_t separator = data.find('|');
  if (separator == std::string_view::npos || separator == 0) {
    throw Error("The installer gave the plan action no install folder (\"" + std::string(data) +
                "\"); nothing was changed.");
  }
  std::string directory(data.substr(0, separator));
  // The installer ends every folder with a separator; a drive's root keeps it.
  while (directory.size() > 1 && directory.back() == '\\' &&
         directory[directory.size() - 2] != ':') {
    directory.pop_back();
  }
  return {directory, std::string(data.substr(separator + 1))};
}

std::string_view AccessNumberOf(std::string_view plan) {
  if (plan.empty()) {
    // Whoever reads this deploys the package to many machines.
    throw Error("No plan was given: set PLAN on the command line (PLAN=\"" +
                std::string(PlanTable.front().label) +
                "\") or as the Group Policy value Plan under "
                "HKLM\\SOFTWARE\\Policies\\Kelvarin\\PlanChoice. This package never asks for the "
                "plan: the NSIS setup, kelvarin-setup.exe, is the one that asks a person.");
  }
  const std::string_view number = LookUpAccessNumber(plan);
  if (number.empty()) {
    throw Error("There is no plan \"" + std::string(plan) + "\"; the plans are " +
                PlanLabelsInWords() + ".");
  }
  return number;
}

}  // namespace planchoice::msi_action
