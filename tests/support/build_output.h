// The files the tests work on besides themselves (the programs, the example
// installer, the profile it ships), found by name wherever the test programs
// are: in the build tree or in the unpacked test kit. Each has at its top the
// table files-under-test.txt, which the build writes (cmake/Testing.cmake)
// and which gives each name's path relative to the table.
#pragma once

#include <filesystem>
#include <string>

namespace planchoice::testing {

inline constexpr char kFilesUnderTest[] = "files-under-test.txt";

// The file the table names `name` ("planset", "PlanChoice", ...), read from
// the first table found in the running program's directory or above it.
// Throws std::runtime_error when there is no table or it names no such file.
std::filesystem::path BuildOutput(const std::string& name);

// The planset program of this build, as StartedProgram takes it.
inline std::string PlansetProgram() {
  return BuildOutput("planset").u8string();
}

}  // namespace planchoice::testing
