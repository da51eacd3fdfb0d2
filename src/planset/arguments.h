// What planset was asked, read from its arguments.
#pragma once

#include <string>
#include <vector>

#include "platform/error.h"

namespace planchoice::planset {

struct Request {
  enum class Kind { kRewrite, kCheck, kList, kHelp, kVersion };
  Kind kind = Kind::kRewrite;
  std::string directory;  // for kRewrite and kCheck, as given
  std::string plan;       // for kRewrite and kCheck, as given
};

// Arguments planset cannot take; the sentence says what is wrong with them.
class UsageError : public Error {
 public:
  using Error::Error;
};

// `arguments` are those after the program's name. "--help" (or "-h", "/?")
// and "--version" win over every other option, and "--list" stands alone;
// none of them takes an operand. Otherwise exactly DIRECTORY and PLAN are
// expected, neither empty, for a rewrite or, after "--check", a check. "--"
// ends the options, for a directory that begins with "-". On Windows a
// directory with a quote in it is refused: no folder's name holds one, and
// it is the mark of a quoted folder that ends in a backslash. Throws
// UsageError.
Request ParseArguments(const std::vector<std::string>& arguments);

}  // namespace planchoice::planset
