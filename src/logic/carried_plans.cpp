#include "logic/carried_plans.h"

#include "logic/profile_rewrite.h"

namespace planchoice {

std::vector<Plan> CarriedPlans(const std::string& directory) {
  std::vector<Plan> carried;
  for (const Plan& plan : PlanTable) {
    const LineCounts counts = CheckProfile(directory, plan.access_number);
    if (counts.replaced == 0 || counts.carrying < counts.replaced) {
      continue;
    }
    for (const Plan& other : PlanTable) {
      if (other.access_number == plan.access_number) {
        carried.push_back(other);
      }
    }
    break;
  }
  return carried;
}

}  // namespace planchoice
