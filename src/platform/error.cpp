#include "platform/error.h"

#include <utility>

namespace planchoice {
namespace {

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

}  // namespace

FileError::FileError(std::string operation, std::string path, std::string reason)
    : Error("Could not " + operation + " " + path + ": " + AsSentenceEnd(reason)),
      operation_(std::move(operation)),
      path_(std::move(path)),
      reason_(AsSentenceEnd(std::move(reason))) {}

}  // namespace planchoice
