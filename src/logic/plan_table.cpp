#include "logic/plan_table.h"

#include "access_numbers.h"

namespace planchoice {

const std::array<Plan, 4> PlanTable = {{
    {"Sorvel 10", kAccessNumberA},
    {"Sorvel 25", kAccessNumberB},
    {"Sorvel 60", kAccessNumberC},
    {"Sorvel Ever", kAccessNumberB},
}};

std::string_view LookUpAccessNumber(std::string_view label) {
  for (const Plan& plan : PlanTable) {
    if (plan.label == label) {
      return plan.access_number;
    }
  }
  return {};
}

std::string PlanLabelsInWords() {
  std::string text;
  for (std::size_t row = 0; row < PlanTable.size(); ++row) {
    if (row > 0) {
      text += row + 1 < PlanTable.size() ? ", " : " and ";
    }
    text.append("\"").append(PlanTable[row].label).append("\"");
  }
  return text;
}

}  // namespace planchoice
