#include <utility>

#include "platform/file.h"

namespace planchoice {
namespace {

// The name of the file at `path`, which ends in a separator and the name.
std::string NameOf(const std::string& path) {
  return path.substr(path.find_last_of(kPathSeparator) + 1);
}

}  // namespace

Folder::Folder(std::string profile_path, std::string work_path)
    : profile_name_(NameOf(profile_path)),
      work_name_(NameOf(work_path)),
      profile_path_(std::move(profile_path)),
      work_path_(std::move(work_path)) {
  Open();
}

}  // namespace planchoice
