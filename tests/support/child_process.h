// Runs a program as a child process and collects what it printed.
#pragma once

#include <string>
#include <vector>

#include "support/exit_code_printer.h"
#include "support/scratch_dir.h"

#ifdef _WIN32
#include "platform/owner.h"
#endif

namespace planchoice::testing {

struct ProcessResult {
  ExitCode exit_code{-1};  // -1 when the child did not end by itself
  std::string out;
  std::string error;
  long peak_memory_kb = 0;  // the child's peak resident memory; 0 when unknown
};

// A program started in the background, with arguments in UTF-8, each passed
// as one argument.
class StartedProgram {
 public:
  StartedProgram(const std::string& program, const std::vector<std::string>& arguments);
  // Waits for the program if Wait was not called.
  ~StartedProgram();
  StartedProgram(const StartedProgram&) = delete;
  StartedProgram& operator=(const StartedProgram&) = delete;

  // Waits for the program to end and returns its exit code, and its standard
  // output and standard error as the bytes it wrote.
  ProcessResult Wait();
#ifndef _WIN32
  // Ends the program with SIGKILL, whatever it is doing, and reaps it.
  // Returns true when it was still running.
  bool Kill();
#endif

 private:
  ScratchDir outputs_{"planset-output"};
  std::string program_;
#ifdef _WIN32
  KernelObjectOwner process_;
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
