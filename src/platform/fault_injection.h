// Test builds only (PLANCHOICE_FAULT_INJECTION): a switch that makes a chosen
// file operation fail as the system would, so tests can prove that every
// failure leaves the profile intact. In the shipped program the check below
// is an inline "no fault" that the compiler removes.
#pragma once

#ifdef PLANCHOICE_FAULT_INJECTION
#include <functional>
#endif

#include "platform/file_operation.h"

namespace planchoice {

#ifdef PLANCHOICE_FAULT_INJECTION
struct FaultPlan {
  int fail_at = 0;            // the Nth file operation from now fails (1-based); 0 for none
  long error = 0;             // the system error it fails with (errno, or a Win32 error code)
  bool short_write = false;   // a failing write first writes half of its bytes, as on a full disk
  bool fail_removes = false;  // every removal fails too, with the same error
  // Another program at work, or a system that fails one kind of operation:
  // `interference` runs once, when the first file operation of the kind
  // `interfere_at` is about to act, and returns the error it fails with, or 0.
  FileOperation interfere_at = FileOperation::kOpen;
  std::function<long()> interference;
};

// Starts counting file operations anew under `plan`.
void InjectFaults(const FaultPlan& plan);
// File operations counted since InjectFaults.
int CountedFileOperations();
// The operation that `fail_at` made fail; only valid after it did.
FileOperation PlannedFaultOperation();

// Called by each file operation before it acts: the error to fail with, or 0.
long InjectedFault(FileOperation operation);
bool InjectedShortWrite();
#else
inline long InjectedFault(FileOperation) {
  return 0;
}
inline bool InjectedShortWrite() {
  return false;
}
#endif

}  // namespace planchoice
