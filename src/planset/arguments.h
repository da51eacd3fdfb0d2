// What planset was asked, read from its arguments.
#pragma once

#include <string>
#include <vector>

#include "platform/error.h"

namespace planchoice::planset {

struct Request {
  enum class Kind { kRewrite, kList, kHelp, kVersion };
  Kind kind = Kind::kRewrite;
  std::string directory;  // for kRewrite, as given
  std::string plan;       // for kRewrite, as given
};

// Arguments planset cannot take; the sentence says what is wrong with them.
class UsageError : public Error {
 public:
  using Error::Error;
};

// `arguments` are those after the program's name. "--help" (or "-h", "/?")
// and "--version" win over everything else; "--list" stands alone; otherwise
// exactly DIRECTORY and PLAN are expected, neither empty. "--" ends the
// options, for a directory that begins with "-". Throws UsageError.
Request ParseArguments(const std::vector<std::string>& arguments);

}  // namespace planchoice::planset
