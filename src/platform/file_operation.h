// The kinds of file operation the profile rewrite makes, each with what its
// failure says the program could not do: "Could not <verb> <path>: <reason>".
#pragma once

namespace planchoice {

enum class FileOperation {
  kOpen,
  kCreate,
  kRead,
  kSeek,
  kWrite,
  kFlush,
  kClose,
  kReplace,
  kRemove,
  kExamine,         // the type, links or identity of a file or of its name
  kLock,            // keeping a second rewrite out
  kClear,           // removing what stands at the work file's name
  kSetOwner,        // POSIX: the owner and group
  kSetPermissions,  // POSIX: the mode; Windows: the security descriptor
  kSetAttributes,   // POSIX: the extended attributes; Windows: attributes and creation time
  kSyncReplace,     // making the replace durable
};
inline constexpr int kFileOperationKinds = static_cast<int>(FileOperation::kSyncReplace) + 1;

// The operation's verb on this system.
const char* VerbOf(FileOperation operation);

}  // namespace planchoice
