#include "platform/win32_security.h"

#include <windows.h>
#include <aclapi.h>

#include "platform/error.h"
#include "platform/file_operation.h"
#include "platform/owner.h"
#include "platform/win32_path.h"
#include "platform/win32_text.h"

namespace planchoice {
namespace {

// The owner is set only where it differs and the system permits it: giving a
// file away takes a privilege that a setup seldom holds.
void GiveOwner(const FileHandle& handle, PSID owner) {
  PSID current = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (::GetSecurityInfo(handle.get(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &current, nullptr,
                        nullptr, nullptr, &descriptor) != ERROR_SUCCESS) {
    return;
  }
  const LocalMemoryOwner owned(descriptor);
  if (owner == nullptr || ::EqualSid(current, owner)) {
    return;
  }
  const FileHandle for_owner(::ReOpenFile(handle.get(), WRITE_OWNER, kShareAll, 0));
  if (for_owner) {
    ::SetSecurityInfo(for_owner.get(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, owner, nullptr,
                      nullptr, nullptr);
  }
}

}  // namespace

void CopySecurity(const FileHandle& from, const FileHandle& to, const std::string& path) {
  PSID owner = nullptr;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  DWORD error = ::GetSecurityInfo(from.get(), SE_FILE_OBJECT,
                                  OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
                                  nullptr, &dacl, nullptr, &descriptor);
  if (error != ERROR_SUCCESS) {
    throw FileError(VerbOf(FileOperation::kSetPermissions), path, SystemMessage(error));
  }
  const LocalMemoryOwner owned(descriptor);
  GiveOwner(to, owner);
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  ::GetSecurityDescriptorControl(descriptor, &control, &revision);
  const SECURITY_INFORMATION inheritance = (control & SE_DACL_PROTECTED)
                                               ? PROTECTED_DACL_SECURITY_INFORMATION
                                               : UNPROTECTED_DACL_SECURITY_INFORMATION;
  error = ::SetSecurityInfo(to.get(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION | inheritance,
                            nullptr, nullptr, dacl, nullptr);
  if (error != ERROR_SUCCESS) {
    throw FileError(VerbOf(FileOperation::kSetPermissions), path, SystemMessage(error));
  }
}

}  // namespace planchoice
