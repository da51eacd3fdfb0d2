// The file whose lines a reinstall puts in the profile's place: read as it
// is, and refused when it changed while it was read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/byte_stream.h"
#include "platform/error.h"
#include "platform/file.h"

namespace planchoice {

// "The profile to install SOURCE <what>; PROFILE was left unchanged."
Error SourceRefused(const std::string& source, const std::string& profile_path,
                    const std::string& what);

// The lines of the profile to install at `source`, for the profile at
// `profile_path`. Every failure to open or read it is told as one of the
// profile to install, and says that the profile was left unchanged.
class InstallSource : public ByteSource {
 public:
  InstallSource(const std::string& source, const std::string& profile_path);

  std::size_t Read(char* buffer, std::size_t size) override;
  void Seek(std::uint64_t offset) override;
  // Throws Error unless the last read reached the end exactly at the size
  // the file had when it was opened, and the file is still that version:
  // the same file, size and time of its last change. A source cut short,
  // grown or rewritten while it was read would put part of one version in
  // the profile's place.
  void ConfirmReadWhole() const;

 private:
  [[noreturn]] void Refuse(const Error& failure) const;
  ProfileReader Open() const;

  std::string source_;
  std::string profile_path_;
  ProfileReader reader_;
  FileVersion opened_;
  std::uint64_t position_ = 0;
  bool at_end_ = false;
};

}  // namespace planchoice
