// One run of a program, started as a setup program would start it.
#pragma once

#include <windows.h>

#include <chrono>
#include <optional>
#include <string>

#include "driver/wait.h"
#include "platform/owner.h"
#include "support/exit_code_printer.h"

namespace planchoice::driver {

// The PlanChoice.exe of this build.
std::wstring PlanChoicePath();

class ProgramRun {
 public:
  // Starts `program` with the command line `"program"` followed by
  // `command_tail` exactly as given, e.g. L" C:\\Setup"; on `desktop`
  // ("station\\desktop", see UnseenDesktop) when one is named.
  ProgramRun(const std::wstring& program, const std::wstring& command_tail,
             const std::wstring& desktop = L"");
  // Ends the program and what it started if it still runs, so that a failed
  // test leaves nothing.
  ~ProgramRun();
  ProgramRun(const ProgramRun&) = delete;
  ProgramRun& operator=(const ProgramRun&) = delete;

  DWORD process_id() const { return process_id_; }
  bool IsRunning() const;
  // The exit code, once the program has ended within `patience`.
  std::optional<ExitCode> WaitForExit(std::chrono::milliseconds patience = kPatience) const;
  // The same for a program that is not one of ours, such as an installer.
  std::optional<DWORD> WaitForExitNumber(std::chrono::milliseconds patience = kPatience) const;

 private:
  KernelObjectOwner process_;
  DWORD process_id_ = 0;
};

}  // namespace planchoice::driver
