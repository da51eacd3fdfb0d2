#include "logic/profile_rewrite.h"

#include "logic/line_rewrite.h"
#include "platform/error.h"
#include "platform/file.h"

namespace planchoice {
namespace {

class FileSource : public ByteSource {
 public:
  explicit FileSource(InputFile& file) : file_(file) {}
  std::size_t Read(char* buffer, std::size_t size) override { return file_.Read(buffer, size); }
  void Seek(std::uint64_t offset) override { file_.Seek(offset); }

 private:
  InputFile& file_;
};

class FileSink : public ByteSink {
 public:
  explicit FileSink(OutputFile& file) : file_(file) {}
  void Write(const char* data, std::size_t size) override { file_.Write(data, size); }

 private:
  OutputFile& file_;
};

std::string PathIn(const std::string& directory, std::string_view name) {
  std::string path = directory;
  path += kPathSeparator;
  path += name;
  return path;
}

// Removes the work file of a failed rewrite. Should that fail too, the user
// learns of both, and that the profile itself is intact.
void DiscardWorkFile(const std::string& work_path, const Error& failure) {
  try {
    RemoveFile(work_path);
  } catch (const FileError& cleanup) {
    throw Error(std::string(failure.what()) +
                " The profile was left unchanged, but the work file " + work_path +
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

  InputFile profile(profile_path);
  const DirectoryLock no_other_rewrite(profile_path);
  OutputFile work(work_path);
  try {
    FileSource source(profile);
    FileSink sink(work);
    const LineCounts counts = RewriteLines(source, sink, access_number);
    if (counts.lines == 0) {
      throw Error("The profile " + profile_path + " is empty; it was left unchanged.");
    }
    if (counts.replaced == 0) {
      throw Error("The profile " + profile_path +
                  " has no \"Phone0=\" entry; it was left unchanged.");
    }
    work.Flush();
    profile.Close();
    work.Close();
    ReplaceAtomically(work_path, profile_path);
  } catch (const Error& failure) {
    profile.CloseIgnoringErrors();
    work.CloseIgnoringErrors();
    DiscardWorkFile(work_path, failure);
    throw;
  }
}

}  // namespace planchoice
