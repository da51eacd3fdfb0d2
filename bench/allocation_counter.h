// Counts the calls of the global operator new in this program, to show that
// the rewrite allocates per file and not per line.
#pragma once

#include <cstdint>

namespace planchoice::bench {

std::uint64_t AllocationCount();

}  // namespace planchoice::bench
