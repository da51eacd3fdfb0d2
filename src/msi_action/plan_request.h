// What the package's plan action is asked to do, and the checks it makes
// before anything is installed.
#pragma once

#include <string>
#include <string_view>

namespace planchoice::msi_action {

struct PlanRequest {
  std::string directory;  // without the separator the installer ends folders with
  std::string plan;
};

// The deferred action's one data text, "FOLDER|PLAN", as the package writes
// it. A Windows path cannot hold "|", so the first one ends the folder and
// the plan may hold any text. Throws Error when it names no folder.
PlanRequest ParsePlanRequest(std::string_view data);

// The access number of the plan PLAN names. Throws Error, with a sentence
// for the installer's log, when PLAN is empty or names no plan.
std::string_view AccessNumberOf(std::string_view plan);

}  // namespace planchoice::msi_action
