#include "platform/win32_folder_safety.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include "identity.h"
#include "platform/error.h"
#include "platform/owner.h"
#include "platform/win32_path.h"
#include "platform/win32_text.h"
#include "platform/win32_trusted_accounts.h"

namespace planchoice {
namespace {

// Rights that let their holder change what the folder holds, or its
// permissions.
constexpr ACCESS_MASK kChangesContents = FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY | FILE_DELETE_CHILD |
                                         DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE |
                                         GENERIC_ALL;
// Rights on a folder above that let their holder take the folder away: by
// removing or renaming the folder above, or what it holds, or by changing
// its permissions to do so.
constexpr ACCESS_MASK kTakesAway =
    FILE_DELETE_CHILD | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_ALL;

// Why `path` is unsafe, or "" when it is not: its owner is not trusted, or
// an entry of its DACL gives someone else one of `rights`.
std::string Unsafe(const std::string& path, ACCESS_MASK rights, const TrustedAccounts& trusted) {
  const FileHandle folder(::CreateFileW(
      SystemPath(path).c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES, kShareAll, nullptr,
      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!folder) {
    return "it could not be opened to read its permissions: " + SystemMessage(::GetLastError());
  }
  FILE_BASIC_INFO basic{};
  if (!::GetFileInformationByHandleEx(folder.get(), FileBasicInfo, &basic, sizeof basic)) {
    return "its attributes could not be read: " + SystemMessage(::GetLastError());
  }
  if (basic.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    return "it is a link or junction, which may lead elsewhere";
  }
  PSID owner = nullptr;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const DWORD error = ::GetSecurityInfo(folder.get(), SE_FILE_OBJECT,
                                        OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                        &owner, nullptr, &dacl, nullptr, &descriptor);
  if (error != ERROR_SUCCESS) {
    return "its permissions could not be read: " + SystemMessage(error);
  }
  const LocalMemoryOwner owned(descriptor);
  if (!trusted.Include(owner)) {
    return NameOf(owner) + " owns it";
  }
  if (dacl == nullptr) {
    return "it has no permissions at all, so everyone may change it";
  }
  for (DWORD index = 0; index < dacl->AceCount; ++index) {
    ACE_HEADER* header = nullptr;
    if (!::GetAce(dacl, index, reinterpret_cast<void**>(&header)) ||
        header->AceType != ACCESS_ALLOWED_ACE_TYPE || (header->AceFlags & INHERIT_ONLY_ACE)) {
      continue;
    }
    auto* allowed = reinterpret_cast<ACCESS_ALLOWED_ACE*>(header);
    PSID who = &allowed->SidStart;
    if ((allowed->Mask & rights) != 0 && !trusted.Include(who)) {
      return NameOf(who) + " may change it";
    }
  }
  return "";
}

std::string ParentOf(const std::string& path) {
  const std::size_t separator = path.find_last_of('\\');
  if (separator == std::string::npos || separator + 1 == path.size()) {
    return "";
  }
  // A drive's root keeps its separator.
  return path.substr(0, separator == 2 && path[1] == ':' ? separator + 1 : separator);
}

bool Exists(const std::string& path) {
  return ::GetFileAttributesW(SystemPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

void RefuseUnsafeInstallFolder(const std::string& folder) {
  const std::string advice =
      " Programs that run as SYSTEM and for administrators would run from it. Install into a "
      "folder under Program Files, or into one in a folder that only administrators can change.";
  if (folder.size() < 3 || folder[1] != ':' || folder[2] != '\\') {
    throw Error("The install folder " + folder +
                " is not a full path on a drive, such as C:\\Program Files\\" + kProductName + ".");
  }
  const TrustedAccounts trusted;
  const std::string parent = ParentOf(folder);
  if (parent.empty() || !Exists(parent)) {
    throw Error("The folder above the install folder " + folder +
                " does not exist, so no one can "
                "tell who could change it; make it first, as an administrator." +
                advice);
  }
  if (Exists(folder)) {
    const std::string why = Unsafe(folder, kChangesContents, trusted);
    if (!why.empty()) {
      throw Error("The install folder " + folder + " is not safe: " + why + "." + advice);
    }
  }
  for (std::string above = parent; !above.empty(); above = ParentOf(above)) {
    const std::string why = Unsafe(above, kTakesAway, trusted);
    if (!why.empty()) {
      throw Error("The install folder " + folder + " is not safe: the folder " + above +
                  " above it is not, as " + why + "." + advice);
    }
  }
}

void MakeProtectedFolder(const std::string& folder) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(kFolderProtection, SDDL_REVISION_1,
                                                              &descriptor, nullptr)) {
    throw FileError("make", folder, SystemMessage(::GetLastError()));
  }
  const LocalMemoryOwner owned(descriptor);
  SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
  if (!::CreateDirectoryW(SystemPath(folder).c_str(), &attributes) &&
      ::GetLastError() != ERROR_ALREADY_EXISTS) {
    throw FileError("make", folder, SystemMessage(::GetLastError()));
  }
}

}  // namespace planchoice
