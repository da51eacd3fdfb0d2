// The physical limit of a rewrite: the profile copied unchanged through the
// same steps that RewriteProfile takes.
#pragma once

#include <string>

namespace planchoice::bench {

enum class Durability {
  kStableStorage,  // as RewriteProfile: the work file flushed, the rename made durable
  kNone,           // as sed -i: left to the system to write back when it likes
};

// Copies the profile in `directory` to the work file in buffers of the
// rewrite's size, closes both and puts the work file in the profile's place.
void CopyThroughWorkFile(const std::string& directory,
                         Durability durability = Durability::kStableStorage);

}  // namespace planchoice::bench
