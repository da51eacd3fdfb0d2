// A program started in the background that a test can wait for or kill at
// any moment (POSIX).
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace planchoice::testing {

class RunningProgram {
 public:
  // Starts `program` with `arguments`; its output goes to /dev/null.
  RunningProgram(const std::string& program, const std::vector<std::string>& arguments);
  ~RunningProgram();
  RunningProgram(const RunningProgram&) = delete;
  RunningProgram& operator=(const RunningProgram&) = delete;

  // Waits for the end; returns the exit code, or -1 when a signal ended it.
  int Wait();
  // Ends the program with SIGKILL, whatever it is doing, and reaps it.
  // Returns true when it was still running.
  bool Kill();

 private:
  pid_t pid_ = -1;
};

}  // namespace planchoice::testing
