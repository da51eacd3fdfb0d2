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
// "Could not open C:\Setup\profile.cmp: The system cannot find the file specified."
class FileError : public Error {
 public:
  FileError(const std::string& operation, const std::string& path, std::string reason);

  // The system's reason, as a sentence's end.
  const std::string& reason() const { return reason_; }

 private:
  std::string reason_;
};

// The new profile took the old one's place, but the system did not confirm
// that the change is on stable storage: a power cut could still undo it.
class DurabilityError : public Error {
 public:
  using Error::Error;
};

// Another rewrite of the same profile holds it; this one changed nothing and
// may be tried again once that one has ended.
class RewriteRunningError : public Error {
 public:
  using Error::Error;
};

// A file that is not what the rewrite takes (a directory, a link, an empty
// profile), refused with what it is: "The profile PATH <what>; it was left
// unchanged."
class ProfileRefusal : public Error {
 public:
  ProfileRefusal(const std::string& path, std::string what);

  const std::string& what_it_is() const { return what_it_is_; }

 private:
  std::string what_it_is_;
};

// `reason`, a system's text, as the end of a sentence: without trailing
// blanks or line breaks, and with a final full stop.
std::string AsSentenceEnd(std::string reason);

ProfileRefusal ProfileLeftUnchanged(const std::string& path, const std::string& what);
RewriteRunningError AnotherRewriteRunning(const std::string& profile_path);
Error ProfileReplacedMeanwhile(const std::string& profile_path);
// `failure` left the profile as it was, but `cleanup` kept the work file at
// `work_path` from being removed: the user learns of both.
Error WorkFileLeftBehind(const Error& failure, const std::string& work_path,
                         const FileError& cleanup);
// The replace happened, but `cause` kept it from being made durable.
DurabilityError ProfileNotYetOnDisk(const std::string& profile_path, const FileError& cause);

}  // namespace planchoice
