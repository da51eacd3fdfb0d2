#include "platform/error.h"

#include <utility>

namespace planchoice {
// System texts come with or without a final full stop and often with a line break.
std::string AsSentenceEnd(std::string reason) {
  while (!reason.empty() &&
         (reason.back() == '\n' || reason.back() == '\r' || reason.back() == ' ')) {
    reason.pop_back();
  }
  if (reason.empty()) {
    return "Unknown error.";
  }
  if (reason.back() != '.') {
    reason += '.';
  }
  return reason;
}

FileError::FileError(const std::string& operation, const std::string& path, std::string reason)
    : Error("Could not " + operation + " " + path + ": " + AsSentenceEnd(reason)),
      reason_(AsSentenceEnd(std::move(reason))) {}

ProfileRefusal::ProfileRefusal(const std::string& path, std::string what)
    : Error("The profile " + path + " " + what + "; it was left unchanged."),
      what_it_is_(std::move(what)) {}

ProfileRefusal ProfileLeftUnchanged(const std::string& path, const std::string& what) {
  return ProfileRefusal(path, what);
}

RewriteRunningError AnotherRewriteRunning(const std::string& profile_path) {
  return RewriteRunningError("Another rewrite of the profile " + profile_path +
                             " is running; it was left unchanged.");
}

Error ProfileReplacedMeanwhile(const std::string& profile_path) {
  return Error("The profile " + profile_path +
               " was replaced by another program during the rewrite; that program's profile was "
               "left as it is.");
}

Error WorkFileLeftBehind(const Error& failure, const std::string& work_path,
                         const FileError& cleanup) {
  return Error(std::string(failure.what()) + " The profile was left unchanged, but the work file " +
               work_path + " could not be removed: " + cleanup.reason());
}

DurabilityError ProfileNotYetOnDisk(const std::string& profile_path, const FileError& cause) {
  return DurabilityError("The profile " + profile_path +
                         " holds the new number, but it may not be on disk yet. " + cause.what());
}

}  // namespace planchoice
