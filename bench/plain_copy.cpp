#include "plain_copy.h"

#include <cstdio>
#include <stdexcept>
#include <vector>

#include "logic/line_rewrite.h"
#include "logic/profile_rewrite.h"
#include "platform/file.h"

namespace planchoice::bench {

void CopyThroughWorkFile(const std::string& directory, Durability durability) {
  const std::string profile_path = ProfilePath(directory);
  const std::string work_path = WorkPath(directory);
  ProfileFile profile(profile_path);
  WorkFile work(work_path);
  std::vector<char> buffer(kDefaultBufferSize);
  while (const std::size_t count = profile.Read(buffer.data(), buffer.size())) {
    work.Write(buffer.data(), count);
  }
  if (durability == Durability::kStableStorage) {
    work.Flush();
    work.Replace(profile);
  } else if (std::rename(work_path.c_str(), profile_path.c_str()) != 0) {
    throw std::runtime_error("cannot rename " + work_path);
  }
}

}  // namespace planchoice::bench
