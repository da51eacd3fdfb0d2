#include "logic/install_source.h"

#include "platform/error.h"

namespace planchoice {

Error SourceRefused(const std::string& source, const std::string& profile_path,
                    const std::string& what) {
  return Error("The profile to install " + source + " " + what + "; " + profile_path +
               " was left unchanged.");
}

InstallSource::InstallSource(const std::string& source, const std::string& profile_path)
    : source_(source), profile_path_(profile_path), reader_(Open()) {
  try {
    opened_ = reader_.Version();
  } catch (const Error& failure) {
    Refuse(failure);
  }
}

ProfileReader InstallSource::Open() const {
  try {
    return ProfileReader(source_);
  } catch (const Error& failure) {
    Refuse(failure);
  }
}

// The system's reason, or what the file is, as of the profile to install.
// Called only while `failure` is being handled.
void InstallSource::Refuse(const Error& failure) const {
  if (const auto* refusal = dynamic_cast<const ProfileRefusal*>(&failure)) {
    throw SourceRefused(source_, profile_path_, refusal->what_it_is());
  }
  if (const auto* file_error = dynamic_cast<const FileError*>(&failure)) {
    std::string reason = file_error->reason();
    reason.pop_back();  // its full stop, as the sentence goes on
    throw SourceRefused(source_, profile_path_, "could not be read: " + reason);
  }
  throw;
}

std::size_t InstallSource::Read(char* buffer, std::size_t size) {
  std::size_t count = 0;
  try {
    count = reader_.Read(buffer, size);
  } catch (const Error& failure) {
    Refuse(failure);
  }
  at_end_ = count == 0;
  position_ += count;
  return count;
}

void InstallSource::Seek(std::uint64_t offset) {
  try {
    reader_.Seek(offset);
  } catch (const Error& failure) {
    Refuse(failure);
  }
  position_ = offset;
  at_end_ = false;
}

void InstallSource::ConfirmReadWhole() const {
  FileVersion now;
  try {
    now = reader_.Version();
  } catch (const Error& failure) {
    Refuse(failure);
  }
  if (!at_end_ || position_ != opened_.size || now != opened_) {
    throw SourceRefused(source_, profile_path_, "changed while it was read");
  }
}

}  // namespace planchoice
