// The subscription plans a user can register for, and the dial-in number
// that each one uses.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace planchoice {

struct Plan {
  std::string_view label;
  std::string_view access_number;  // eight decimal digits
};

// In the order the dialog lists them. Two plans share one number.
extern const std::array<Plan, 4> PlanTable;

// The access number of the plan whose label equals `label` exactly (same
// case, no blanks trimmed); empty when no plan has that label.
std::string_view LookUpAccessNumber(std::string_view label);

// Every plan's label in quotes, in table order, as a sentence lists them:
// "Sorvel 10", "Sorvel 25", "Sorvel 60" and "Sorvel Ever".
std::string PlanLabelsInWords();

// The sentence for a `label` that names no plan: "There is no plan "x"; the
// plans are ...".
std::string NoSuchPlan(std::string_view label);

}  // namespace planchoice
