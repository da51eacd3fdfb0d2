#include "planset/execute.h"

#include "logic/plan_table.h"
#include "logic/profile_rewrite.h"
#include "planset/texts.h"

namespace planchoice::planset {
namespace {

Reply Rewrite(const Command& command) {
  const std::string_view number = LookUpAccessNumber(command.plan);
  if (number.empty()) {
    return {kExitUsageError, "", UnknownPlanText(command.plan)};
  }
  RewriteProfile(command.directory, number);
  return {};
}

}  // namespace

Reply Execute(const Command& command) {
  switch (command.action) {
    case Action::kRewriteProfile:
      return Rewrite(command);
    case Action::kListPlans:
      return {kExitSuccess, PlanListText(), ""};
    case Action::kShowHelp:
      return {kExitSuccess, HelpText(), ""};
    case Action::kShowVersion:
      return {kExitSuccess, VersionText(), ""};
    case Action::kReportUsageError:
      break;
  }
  return {kExitUsageError, "", command.problem + "\n" + UsageText()};
}

}  // namespace planchoice::planset
