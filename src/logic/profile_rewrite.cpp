#include "logic/profile_rewrite.h"

#include "logic/line_rewrite.h"
#include "platform/error.h"
#include "platform/file.h"

namespace planchoice {
namespace {

// The profile as read for a rewrite (ProfileFile) or for a check (ProfileReader).
template <typename File>
class FileSource : public ByteSource {
 public:
  explicit FileSource(File& file) : file_(file) {}
  std::size_t Read(char* buffer, std::size_t size) override { return file_.Read(buffer, size); }
  void Seek(std::uint64_t offset) override { file_.Seek(offset); }

 private:
  File& file_;
};

class FileSink : public ByteSink {
 public:
  explicit FileSink(WorkFile& file) : file_(file) {}
  void Write(const char* data, std::size_t size) override { file_.Write(data, size); }

 private:
  WorkFile& file_;
};

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
    FileSource<ProfileFile> source(profile);
    FileSink sink(work);
    const LineCounts counts = RewriteLines(source, sink, access_number);
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
  FileSource<ProfileReader> source(profile);
  NoSink nowhere;
  return RewriteLines(source, nowhere, access_number);
}

}  // namespace planchoice
