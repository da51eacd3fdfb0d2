#include "platform/win32_folder_safety.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include "identity.h"
#include "platform/error.h"
#include "platform/owner.h"
#include "platform/win32_path.h"
#include "platform/win32_text.h"

namespace planchoice {
namespace {

// The system, the administrators, TrustedInstaller (which owns Program
// Files), and CREATOR OWNER, which stands for whoever makes a file and so
// grants nothing by itself; and the user the check runs for, where that is
// an elevated administrator.
constexpr const wchar_t* kTrusted[] = {
    L"S-1-5-18", L"S-1-5-32-544", L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464",
    L"S-1-3-0"};

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

std::wstring SidText(PSID sid) {
  wchar_t* text = nullptr;
  if (!::ConvertSidToStringSidW(sid, &text)) {
    return L"";
  }
  const LocalMemoryOwner owned(text);
  return text;
}

// The user this thread acts for (the client, in an installer's action),
// where that user is the system or an elevated administrator; else nothing.
std::wstring PrivilegedUser() {
  if (!ClientIsPrivileged()) {
    return L"";
  }
  HANDLE token = nullptr;
  if (!::OpenThreadToken(::GetCurrentThread(), TOKEN_QUERY, TRUE, &token) &&
      !::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) {
    return L"";
  }
  const KernelObjectOwner owned(token);
  alignas(TOKEN_USER) unsigned char buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
  DWORD size = sizeof buffer;
  if (!::GetTokenInformation(token, TokenUser, buffer, size, &size)) {
    return L"";
  }
  return SidText(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid);
}

bool Trusted(PSID sid, const std::wstring& privileged_user) {
  const std::wstring text = SidText(sid);
  for (const wchar_t* trusted : kTrusted) {
    if (text == trusted) {
      return true;
    }
  }
  return !privileged_user.empty() && text == privileged_user;
}

// "DOMAIN\name", or the SID where it has no name.
std::string NameOf(PSID sid) {
  wchar_t name[256];
  wchar_t domain[256];
  DWORD name_size = 256;
  DWORD domain_size = 256;
  SID_NAME_USE use;
  if (!::LookupAccountSidW(nullptr, sid, name, &name_size, domain, &domain_size, &use)) {
    return Narrow(SidText(sid));
  }
  return domain_size > 0 ? Narrow(std::wstring(domain) + L"\\" + name) : Narrow(name);
}

// Why `path` is unsafe, or "" when it is not: its owner is not trusted, or
// an entry of its DACL gives someone else one of `rights`.
std::string Unsafe(const std::string& path, ACCESS_MASK rights,
                   const std::wstring& privileged_user) {
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
  if (!Trusted(owner, privileged_user)) {
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
    if ((allowed->Mask & rights) != 0 && !Trusted(who, privileged_user)) {
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

bool ClientIsPrivileged() {
  for (const WELL_KNOWN_SID_TYPE type : {WinLocalSystemSid, WinBuiltinAdministratorsSid}) {
    alignas(SID) unsigned char sid[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof sid;
    BOOL member = FALSE;
    // Without a token: the thread's impersonation token where it has one.
    if (::CreateWellKnownSid(type, nullptr, sid, &size) &&
        ::CheckTokenMembership(nullptr, sid, &member) && member) {
      return true;
    }
  }
  return false;
}

void RefuseUnsafeInstallFolder(const std::string& folder) {
  const std::string advice =
      " Programs that run as SYSTEM and for administrators would run from it. Install into a "
      "folder under Program Files, or into one in a folder that only administrators can change.";
  if (folder.size() < 3 || folder[1] != ':' || folder[2] != '\\') {
    throw Error("The install folder " + folder +
                " is not a full path on a drive, such as C:\\Program Files\\" + kProductName + ".");
  }
  const std::wstring privileged_user = PrivilegedUser();
  const std::string parent = ParentOf(folder);
  if (parent.empty() || !Exists(parent)) {
    throw Error("The folder above the install folder " + folder +
                " does not exist, so no one can "
                "tell who could change it; make it first, as an administrator." +
                advice);
  }
  if (Exists(folder)) {
    const std::string why = Unsafe(folder, kChangesContents, privileged_user);
    if (!why.empty()) {
      throw Error("The install folder " + folder + " is not safe: " + why + "." + advice);
    }
  }
  for (std::string above = parent; !above.empty(); above = ParentOf(above)) {
    const std::string why = Unsafe(above, kTakesAway, privileged_user);
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
