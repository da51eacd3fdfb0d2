// The processes a program starts itself, such as the programs an installer
// runs: found by their parent, as a test cannot start them.
#pragma once

#include <windows.h>

#include <chrono>
#include <optional>
#include <string>

#include "driver/wait.h"

namespace planchoice::driver {

// The process that `parent_id` started from the file `program_name` (e.g.
// L"PlanChoice.exe"), once it runs within `patience`.
std::optional<DWORD> FindChildProcess(DWORD parent_id, const std::wstring& program_name,
                                      std::chrono::milliseconds patience = kPatience);

// Ends every process that `parent_id` started and that still runs.
void EndChildProcesses(DWORD parent_id);

}  // namespace planchoice::driver
