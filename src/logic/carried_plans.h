// Which plan a folder's profile carries, as planset --which says it and the
// package reads it from an installation it takes over.
#pragma once

#include <string>
#include <vector>

#include "logic/plan_table.h"

namespace planchoice {

// The plans whose number every "Phone0=" entry of the profile in `directory`
// carries, in the table's order: one plan, or the plans that share that
// number; none when no plan's number is in every entry, or the profile has
// none. Throws Error when the profile cannot be read.
std::vector<Plan> CarriedPlans(const std::string& directory);

}  // namespace planchoice
