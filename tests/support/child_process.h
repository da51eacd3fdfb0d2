// Runs a program as a child process: a console program with its arguments,
// collecting what it printed, or (on Windows) a window program with its
// command line exactly as a setup program would write it.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "support/exit_code_printer.h"
#include "support/scratch_dir.h"
#include "support/wait.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/owner.h"
#endif

namespace planchoice::testing {

struct ProcessResult {
  ExitCode exit_code{-1};  // -1 when the child did not end by itself
  std::string out;
  std::string error;
  long peak_memory_kb = 0;  // the child's peak resident memory; 0 when unknown
};

class StartedProgram {
 public:
  // Starts `program` in the background with `arguments` in UTF-8, each passed
  // as one argument; Wait returns what it printed.
  StartedProgram(const std::string& program, const std::vector<std::string>& arguments);
#ifdef _WIN32
  // Starts `program` with the command line `"program"` followed by
  // `command_tail` exactly as given, e.g. L" C:\\Setup"; on `desktop`
  // ("station\\desktop", see driver::UnseenDesktop) when one is named. What
  // it prints is not collected.
  StartedProgram(const std::wstring& program, const std::wstring& command_tail,
                 const std::wstring& desktop = L"");
#endif
  // On Windows, ends the program and what it started if it still runs, so
  // that a failed test leaves nothing; elsewhere waits for it.
  ~StartedProgram();
  StartedProgram(const StartedProgram&) = delete;
  StartedProgram& operator=(const StartedProgram&) = delete;

  // Waits for the program to end and returns its exit code, its peak
  // memory, and its standard output and standard error as the bytes it wrote.
  ProcessResult Wait();
#ifdef _WIN32
  DWORD process_id() const {
    return process_id_;
  }
  bool IsRunning() const;
  // The exit code, once the program has ended within `patience`.
  std::optional<ExitCode> WaitForExit(std::chrono::milliseconds patience = kPatience) const;
  // The same for a program that is not one of ours, such as an installer.
  std::optional<DWORD> WaitForExitNumber(std::chrono::milliseconds patience = kPatience) const;
  // The process that this one started from the file `program_name` (e.g.
  // L"PlanChoice.exe"), once it runs within `patience`.
  std::optional<DWORD> FindStarted(const std::wstring& program_name,
                                   std::chrono::milliseconds patience = kPatience) const;
  // Ends every process that this one started and that still runs, with
  // `exit_code`, as if it had ended so itself.
  void EndStarted(UINT exit_code = 255) const;
#else
  // Ends the program with SIGKILL, whatever it is doing, and reaps it.
  // Returns true when it was still running.
  bool Kill();
#endif

 private:
  std::optional<ScratchDir> outputs_;
  std::string program_;
#ifdef _WIN32
  void Start(const std::wstring& program, std::wstring command_line, STARTUPINFOW& startup);

  KernelObjectOwner process_;
  DWORD process_id_ = 0;
#else
  int process_ = -1;
#endif
};

// Starts `program` and waits for it.
inline ProcessResult RunProgram(const std::string& program,
                                const std::vector<std::string>& arguments) {
  return StartedProgram(program, arguments).Wait();
}

}  // namespace planchoice::testing
