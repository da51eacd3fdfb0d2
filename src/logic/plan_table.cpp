#include "logic/plan_table.h"

#include "access_numbers.h"

namespace planchoice {
namespace {

constexpr bool IsEightDigits(std::string_view number) {
  if (number.size() != 8) {
    return false;
  }
  for (const char digit : number) {
    if (digit < '0' || digit > '9') {
      return false;
    }
  }
  return true;
}

// The numbers come from the build's configuration (ACCESS_NUMBER_A, _B, _C).
static_assert(IsEightDigits(kAccessNumberA) && IsEightDigits(kAccessNumberB) &&
                  IsEightDigits(kAccessNumberC),
              "Each of ACCESS_NUMBER_A, ACCESS_NUMBER_B and ACCESS_NUMBER_C must be exactly "
              "eight decimal digits.");
static_assert(kAccessNumberA != kAccessNumberB && kAccessNumberA != kAccessNumberC &&
                  kAccessNumberB != kAccessNumberC,
              "Only Sorvel 25 and Sorvel Ever share a number: ACCESS_NUMBER_A, ACCESS_NUMBER_B "
              "and ACCESS_NUMBER_C must differ.");

}  // namespace

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

std::string NoSuchPlan(std::string_view label) {
  return "There is no plan \"" + std::string(label) + "\"; the plans are " + PlanLabelsInWords() +
         ".";
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
