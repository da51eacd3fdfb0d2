// Runs a program as a child process and collects what it printed.
#pragma once

#include <string>
#include <vector>

namespace planchoice::testing {

struct ProcessResult {
  int exit_code = -1;  // -1 when the child did not end by itself
  std::string out;
  std::string error;
  long peak_memory_kb = 0;  // the child's peak resident memory; 0 when unknown
};

// Starts `program` with `arguments` (UTF-8, each passed as one argument),
// waits for it to end and returns its exit code, standard output and standard
// error as the bytes it wrote.
ProcessResult RunProgram(const std::string& program, const std::vector<std::string>& arguments);

}  // namespace planchoice::testing
