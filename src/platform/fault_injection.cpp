#include "platform/fault_injection.h"

#include <utility>

namespace planchoice {
namespace {

FaultPlan plan;
int counted = 0;
bool short_write_due = false;
FileOperation planned_fault = FileOperation::kOpen;

}  // namespace

void InjectFaults(const FaultPlan& new_plan) {
  plan = new_plan;
  counted = 0;
  short_write_due = false;
}

int CountedFileOperations() {
  return counted;
}

FileOperation PlannedFaultOperation() {
  return planned_fault;
}

long InjectedFault(FileOperation operation) {
  ++counted;
  if (plan.interference && operation == plan.interfere_at) {
    if (const long error = std::exchange(plan.interference, nullptr)()) {
      return error;
    }
  }
  const bool planned = counted == plan.fail_at;
  if (!planned && !(plan.fail_removes && operation == FileOperation::kRemove)) {
    return 0;
  }
  if (planned) {
    planned_fault = operation;
  }
  short_write_due = plan.short_write && operation == FileOperation::kWrite;
  return plan.error;
}

bool InjectedShortWrite() {
  return short_write_due;
}

}  // namespace planchoice
