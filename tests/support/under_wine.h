// Where a Windows test program runs: under Wine or on Windows itself, for the
// tests that only one of them can run.
#pragma once

namespace planchoice::testing {

// Whether the program runs under Wine, whose ntdll exports wine_get_version.
// Always false on POSIX.
bool UnderWine();

}  // namespace planchoice::testing
