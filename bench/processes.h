// Other programs run by the benchmark: timed as a whole, or watched for the
// most memory they held.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace planchoice::bench {

// Runs `command` (found on PATH) with its output discarded and returns the
// seconds from its start to its end. Throws when it does not end with 0.
double TimeProgram(const std::vector<std::string>& command);

// Runs `command` and returns the most memory it held resident (VmHWM), in
// KiB, read just before it ends. Its own address space only: unlike the
// rusage of a child, nothing of the benchmark's memory is counted.
std::uint64_t PeakResidentKib(const std::vector<std::string>& command);

}  // namespace planchoice::bench
