// The one family of errors the program raises. Each carries a sentence a user
// can read as it stands; it is caught and shown at the program's edge.
#pragma once

#include <stdexcept>
#include <string>

namespace planchoice {

class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A file operation that the system refused, e.g.
// "Could not open C:\Setup\kelvarin.cmp: The system cannot find the file specified."
class FileError : public Error {
 public:
  FileError(std::string operation, std::string path, std::string reason);

  const std::string& operation() const { return operation_; }
  const std::string& path() const { return path_; }
  const std::string& reason() const { return reason_; }

 private:
  std::string operation_;
  std::string path_;
  std::string reason_;
};

}  // namespace planchoice
