// A rewrite of the profile run to its end in the test itself, and what came
// of it: rewritten, refused, or rewritten but perhaps not yet on disk.
#pragma once

#include <string>
#include <string_view>

#include "logic/profile_rewrite.h"
#include "platform/error.h"

namespace planchoice::testing {

// The number the rewrites write unless a test chooses a plan's.
inline constexpr std::string_view kNumber = "24682468";

enum class Rewrite { kDone, kRefused, kNotYetOnDisk };

struct RewriteResult {
  Rewrite outcome = Rewrite::kDone;
  std::string message;  // of a rewrite that failed
};

// What came of `rewrite`, a call of RewriteProfile or InstallProfile.
template <typename Call>
RewriteResult ResultOf(Call rewrite) {
  try {
    rewrite();
    return {};
  } catch (const DurabilityError& error) {
    return {Rewrite::kNotYetOnDisk, error.what()};
  } catch (const Error& error) {
    return {Rewrite::kRefused, error.what()};
  }
}

inline RewriteResult RewriteIn(const std::string& directory, std::string_view number = kNumber) {
  return ResultOf([&] { RewriteProfile(directory, number); });
}

}  // namespace planchoice::testing
