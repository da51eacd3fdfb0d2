#include "logic/profile_rewrite.h"

#include <vector>

#include "logic/install_source.h"
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
    throw WorkFileLeftBehind(failure, work.path(), cleanup);
  }
}

// The profile's lines, read from `source` (empty: from the profile itself),
// had no line or no "Phone0=" entry, as `what` says.
Error NothingToSet(const std::string& source, const std::string& profile_path,
                   const std::string& what) {
  if (source.empty()) {
    return ProfileLeftUnchanged(profile_path, what);
  }
  return SourceRefused(source, profile_path, what);
}

// Puts the lines that `write` writes to the work file in the place of the
// profile in `directory`, keeping the profile's identity: `write` returns
// their counts, which must show lines and a "Phone0=" entry among them, or the
// profile is left as it was. The lines come from `source`, or from the
// profile itself when it is empty.
template <typename WriteLines>
void ReplaceProfile(const std::string& directory, const std::string& source, WriteLines write) {
  const std::string profile_path = ProfilePath(directory);
  const Folder folder(profile_path, WorkPath(directory));
  ProfileFile profile(folder);
  WorkFile work(profile);
  try {
    const LineCounts counts = write(profile, work);
    if (counts.lines == 0) {
      throw NothingToSet(source, profile_path, "is empty");
    }
    if (counts.replaced == 0) {
      throw NothingToSet(source, profile_path, "has no \"Phone0=\" entry");
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

// The bytes of `in`, as they are, to `out`; counted as a rewrite counts them.
LineCounts CopyLines(ByteSource& in, ByteSink& out) {
  NoSink nowhere;
  const LineCounts counts = RewriteLines(in, nowhere, kPhoneKey);
  in.Seek(0);
  std::vector<char> buffer(kDefaultBufferSize);
  while (const std::size_t read = in.Read(buffer.data(), buffer.size())) {
    out.Write(buffer.data(), read);
  }
  return counts;
}

}  // namespace

std::string ProfilePath(const std::string& directory) {
  return PathIn(directory, kProfileName);
}

std::string WorkPath(const std::string& directory) {
  return PathIn(directory, kWorkName);
}

void RewriteProfile(const std::string& directory, std::string_view access_number) {
  if (access_number.empty()) {
    throw Error("No access number was given for " + ProfilePath(directory) +
                "; it was left unchanged.");
  }
  ReplaceProfile(directory, "", [&](ProfileFile& profile, WorkFile& work) {
    return RewriteLines(profile, work, access_number);
  });
}

void InstallProfile(const std::string& source, const std::string& directory,
                    std::string_view access_number) {
  InstallSource lines(source, ProfilePath(directory));
  ReplaceProfile(directory, source, [&](ProfileFile&, WorkFile& work) {
    const LineCounts counts =
        access_number.empty() ? CopyLines(lines, work) : RewriteLines(lines, work, access_number);
    lines.ConfirmReadWhole();
    return counts;
  });
}

LineCounts CheckProfile(const std::string& directory, std::string_view access_number) {
  ProfileReader profile(ProfilePath(directory));
  NoSink nowhere;
  return RewriteLines(profile, nowhere, access_number);
}

}  // namespace planchoice
