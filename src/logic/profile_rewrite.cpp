#include "logic/profile_rewrite.h"

#include "logic/line_rewrite.h"
#include "platform/error.h"
#include "platform/file.h"

namespace planchoice {
namespace {

// A check's new lines go nowhere.
class NoSink : public ByteSink {
 public:
  void Write(const char*, std::size_t) override {}
};

std::string PathIn(const std::string& directory, std::string_view name) {
  std::string path = directory;
  path += kPathSeparator;
  path += name;
  return path;
}

// Removes the work file of a failed rewrite. Should that fail too, the user
// learns of both, and that the profile itself is intact.
void DiscardWorkFile(WorkFile& work, const Error& failure) {
  try {
    work.Discard();
  } catch (const FileError& cleanup) {
    throw Error(std::string(failure.what()) +
                " The profile was left unchanged, but the work file " + work.path() +
                " could not be removed: " + cleanup.reason());
  }
}

}  // namespace

std::string ProfilePath(const std::string& directory) {
  return PathIn(directory, kProfileName);
}

std::string WorkPath(const std::string& directory) {
  return PathIn(directory, kWorkName);
}

void RewriteProfile(const std::string& directory, std::string_view access_number) {
  const std::string profile_path = ProfilePath(directory);
  const std::string work_path = WorkPath(directory);
  if (access_number.empty()) {
    throw Error("No access number was given for " + profile_path + "; it was left unchanged.");
  }

  ProfileFile profile(profile_path);
  WorkFile work(work_path);
  try {
    const LineCounts counts = RewriteLines(profile, work, access_number);
    if (counts.lines == 0) {
      throw ProfileLeftUnchanged(profile_path, "is empty");
    }
    if (counts.replaced == 0) {
      throw ProfileLeftUnchanged(profile_path, "has no \"Phone0=\" entry");
    }
    work.Flush();
    work.TakeIdentityOf(profile);
    work.Replace(profile);
  } catch (const DurabilityError&) {
    throw;  // The work file is the profile now.
  } catch (const Error& failure) {
    DiscardWorkFile(work, failure);
    throw;
  } catch (...) {
    // Not a failure of the files (no memory left, say): the work file goes
    // all the same, and what went wrong is what the user learns.
    try {
      work.Discard();
    } catch (const Error&) {
    }
    throw;
  }
}

LineCounts CheckProfile(const std::string& directory, std::string_view access_number) {
  ProfileReader profile(ProfilePath(directory));
  NoSink nowhere;
  return RewriteLines(profile, nowhere, access_number);
}

}  // namespace planchoice
