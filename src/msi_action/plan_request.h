// What the package's plan action is asked to do, and the checks it makes
// before anything is installed.
#pragma once

#include <string>
#include <string_view>

namespace planchoice::msi_action {

// How the action hands a failure's sentence to the installer: as an error,
// which the installer shows in a message box at some UI levels, or as
// information for the log only (see plan_action.cpp).
enum class Reporting { kLogOnly, kError };

// What the deferred actions are to do, worked out by the immediate check
// once: where, and which access number the plan PLAN names.
struct PlanRequest {
  Reporting reporting;
  std::string directory;  // without the separator the installer ends folders with
  std::string access_number;
};

// The deferred actions' one data text, "REPORTING|FOLDER|NUMBER": REPORTING
// is "error" for Reporting::kError and "log" otherwise. A Windows path
// cannot hold "|", nor an access number.
std::string FormatPlanRequest(const PlanRequest& request);

// The data text FormatPlanRequest wrote; anything but "error", even nothing,
// means the log only. Throws Error when it names no folder.
PlanRequest ParsePlanRequest(std::string_view data);

// `folder` without the separators the installer ends folders with; a
// drive's root keeps its own.
std::string WithoutSeparator(std::string_view folder);

// The properties by which the package hands PLAN to its check. When PLAN was
// not given, the package sets it from a registry value read as Windows
// Installer reads one raw: a string (REG_SZ) as it is, with a leading "#"
// doubled; a value of another type with a prefix that marks its type.
struct PlanProperties {
  std::string_view plan;        // PLAN
  std::string_view policy;      // POLICYPLAN: Group Policy's value, raw
  std::string_view remembered;  // REMEMBEREDPLAN: the value the last install wrote, raw
};

// The plan PLAN names: where it came from a registry value, that value's
// text. Throws Error, naming the value and its type, when that value is not
// a string (REG_SZ); an expandable string is refused too, as no plan holds
// anything to expand.
std::string PlanOf(const PlanProperties& properties);

// The access number of the plan PLAN names. Throws Error, with a sentence
// for the installer's log, when PLAN is empty or names no plan.
std::string_view AccessNumberOf(std::string_view plan);

}  // namespace planchoice::msi_action
