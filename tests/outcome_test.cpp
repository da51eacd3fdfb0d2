#include "logic/outcome.h"

#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <stdexcept>
#include <string>

#include "platform/error.h"
#include "support/exit_code_printer.h"

#ifdef _WIN32
#include "dialog/window_error.h"
#endif

namespace planchoice {
namespace {

struct FailureCase {
  const char* name;
  std::function<void()> fail;
  ExitCode code;
  std::string message;
};

class WhatAFailureMeans : public ::testing::TestWithParam<FailureCase> {};

TEST_P(WhatAFailureMeans, ForTheExitCodeAndTheUser) {
  try {
    GetParam().fail();
    FAIL() << "nothing was thrown";
  } catch (...) {
#ifdef _WIN32
    // The window's reading, which adds its own code to what every program reads.
    const Failure failure = CurrentWindowFailure();
#else
    const Failure failure = CurrentFailure();
#endif
    EXPECT_EQ(failure.code, GetParam().code);
    EXPECT_EQ(failure.message, GetParam().message);
  }
}

const FileError kCause("flush", "C:\\Setup", "The device is not ready.");

const FailureCase kFailures[] = {
    {"FileError", [] { throw FileError("open", "C:\\Setup\\kelvarin.cmp", "Access is denied."); },
     ExitCode::kFailed, "Could not open C:\\Setup\\kelvarin.cmp: Access is denied."},
    {"ProfileLeftUnchanged", [] { throw ProfileLeftUnchanged("C:\\p", "is empty"); },
     ExitCode::kFailed, "The profile C:\\p is empty; it was left unchanged."},
    // Derived from Error, yet a code of its own: the new number is in place.
    {"NotYetOnDisk", [] { throw ProfileNotYetOnDisk("C:\\p", kCause); }, ExitCode::kNotYetOnDisk,
     ProfileNotYetOnDisk("C:\\p", kCause).what()},
    // Derived from Error too: trying again later may succeed.
    {"AnotherRewrite", [] { throw AnotherRewriteRunning("C:\\p"); }, ExitCode::kAnotherRewrite,
     "Another rewrite of the profile C:\\p is running; it was left unchanged."},
#ifdef _WIN32
    {"NoWindow", [] { throw CannotCreate("the window", "Not enough quota."); }, ExitCode::kNoWindow,
     "Could not create the window: Not enough quota. Nothing was changed."},
#endif
    {"OutOfMemory", [] { throw std::bad_alloc(); }, ExitCode::kFailed,
     "There is not enough memory to go on; nothing was changed."},
    {"OtherException", [] { throw std::length_error("basic_string::append"); }, ExitCode::kFailed,
     "An unexpected error stopped the program (basic_string::append); nothing was changed."},
    {"NotAnException", [] { throw 42; }, ExitCode::kFailed,
     "An unexpected error stopped the program; nothing was changed."},
};

INSTANTIATE_TEST_SUITE_P(Kinds, WhatAFailureMeans, ::testing::ValuesIn(kFailures),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace planchoice
