#include "platform/file_operation.h"

namespace planchoice {
namespace {

constexpr struct {
  FileOperation operation;
  const char* verb;
} kVerbs[] = {
    {FileOperation::kOpen, "open"},
    {FileOperation::kCreate, "create"},
    {FileOperation::kRead, "read"},
    {FileOperation::kSeek, "read"},
    {FileOperation::kWrite, "write"},
    {FileOperation::kFlush, "flush"},
    {FileOperation::kClose, "close"},
    {FileOperation::kReplace, "replace"},
    {FileOperation::kRemove, "remove"},
    {FileOperation::kExamine, "examine"},
    {FileOperation::kLock, "lock"},
    {FileOperation::kClear, "remove"},
    {FileOperation::kSetOwner, "set the owner of"},
    {FileOperation::kSetPermissions, "set the permissions of"},
#ifdef _WIN32
    {FileOperation::kSetAttributes, "set the attributes of"},
    {FileOperation::kSyncReplace, "flush"},  // the moved file, which writes its new name
#else
    {FileOperation::kSetAttributes, "copy the extended attributes to"},
    {FileOperation::kSyncReplace, "sync"},  // the profile's directory
#endif
};

}  // namespace

const char* VerbOf(FileOperation operation) {
  for (const auto& entry : kVerbs) {
    if (entry.operation == operation) {
      return entry.verb;
    }
  }
  return "use";
}

}  // namespace planchoice
