// What planset prints. Each text ends with a line end.
#pragma once

#include <string>
#include <string_view>

namespace planchoice::planset {

std::string UsageText();
std::string HelpText();
std::string VersionText();
// One line per plan, in the plan table's order: the label, a tab, the number.
std::string PlanListText();
// Names `plan` and lists the plans there are.
std::string UnknownPlanText(std::string_view plan);

}  // namespace planchoice::planset
