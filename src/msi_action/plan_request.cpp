#include "msi_action/plan_request.h"

#include <utility>

#include "identity.h"
#include "logic/plan_table.h"
#include "platform/error.h"

namespace planchoice::msi_action {
namespace {

const std::string kPolicyValue = std::string("Group Policy value Plan under HKLM\\") + kPolicyKey;
const std::string kRememberedValue = std::string("value Plan under HKLM\\") + kProductKey;

// The type of a registry value whose raw reading marks it with a prefix, in
// words; nullptr for a string.
const char* MarkedType(std::string_view raw) {
  if (!raw.empty() && raw.front() == '\0') {
    return "REG_MULTI_SZ (a multi-string)";
  }
  if (raw.size() < 2 || raw.front() != '#') {
    return nullptr;
  }
  switch (raw[1]) {
    case '#':  // a string that begins with "#"
      return nullptr;
    case '%':
      return "REG_EXPAND_SZ (an expandable string)";
    case 'x':
    case 'X':
      return "REG_BINARY (binary data)";
    default:
      return "REG_DWORD (a number)";
  }
}

}  // namespace

std::string FormatPlanRequest(const PlanRequest& request) {
  return std::string(request.reporting == Reporting::kError ? "error" : "log") + "|" +
         request.directory + "|" + request.access_number;
}

PlanRequest ParsePlanRequest(std::string_view data) {
  const std::size_t reporting_end = data.find('|');
  const std::string_view reporting = data.substr(0, reporting_end);
  const std::string_view rest =
      reporting_end == std::string_view::npos ? std::string_view() : data.substr(reporting_end + 1);
  const std::size_t separator = rest.find('|');
  if (separator == std::string_view::npos || separator == 0) {
    throw Error("The installer gave the plan action no install folder (\"" + std::string(data) +
                "\"); nothing was changed.");
  }
  return {reporting == "error" ? Reporting::kError : Reporting::kLogOnly,
          WithoutSeparator(rest.substr(0, separator)), std::string(rest.substr(separator + 1))};
}

std::string WithoutSeparator(std::string_view folder) {
  // A drive's root keeps it.
  while (folder.size() > 1 && folder.back() == '\\' && folder[folder.size() - 2] != ':') {
    folder.remove_suffix(1);
  }
  return std::string(folder);
}

std::string PlanOf(const PlanProperties& properties) {
  const std::string_view plan = properties.plan;
  for (const auto& [raw, value] : {std::pair{properties.policy, kPolicyValue},
                                   std::pair{properties.remembered, kRememberedValue}}) {
    // The package copies the reading into PLAN as it is; a copy may lose a
    // multi-string, whose reading begins with a null character.
    if (raw.empty() || (plan != raw && !plan.empty())) {
      continue;
    }
    if (const char* type = MarkedType(raw)) {
      throw Error("The " + value + " is a " + type +
                  "; it must be a REG_SZ (a string) that names a plan, such as \"" +
                  std::string(PlanTable.front().label) + "\".");
    }
    if (plan == raw && raw.substr(0, 2) == "##") {
      return std::string(raw.substr(1));
    }
    break;
  }
  return std::string(plan);
}

std::string_view AccessNumberOf(std::string_view plan) {
  if (plan.empty()) {
    // Whoever reads this deploys the package to many machines.
    throw Error("No plan was given: set PLAN on the command line (PLAN=\"" +
                std::string(PlanTable.front().label) + "\") or as the " + kPolicyValue +
                ". This package never asks for the plan: the NSIS setup, kelvarin-setup.exe, is "
                "the one that asks a person.");
  }
  const std::string_view number = LookUpAccessNumber(plan);
  if (number.empty()) {
    throw Error(NoSuchPlan(plan));
  }
  return number;
}

}  // namespace planchoice::msi_action
