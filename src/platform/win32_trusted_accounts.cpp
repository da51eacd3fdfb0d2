#include "platform/win32_trusted_accounts.h"

#include <sddl.h>

#include "platform/owner.h"
#include "platform/win32_text.h"

namespace planchoice {
namespace {

constexpr const wchar_t* kTrusted[] = {
    L"S-1-5-18", L"S-1-5-32-544", L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464",
    L"S-1-3-0"};

std::wstring SidText(PSID sid) {
  wchar_t* text = nullptr;
  if (!::ConvertSidToStringSidW(sid, &text)) {
    return L"";
  }
  const LocalMemoryOwner owned(text);
  return text;
}

// The user this thread acts for, where that user is the system or an
// elevated administrator; else nothing.
std::wstring PrivilegedClient() {
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

TrustedAccounts::TrustedAccounts() : privileged_client_(PrivilegedClient()) {}

bool TrustedAccounts::Include(PSID sid) const {
  const std::wstring text = SidText(sid);
  for (const wchar_t* trusted : kTrusted) {
    if (text == trusted) {
      return true;
    }
  }
  return !privileged_client_.empty() && text == privileged_client_;
}

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

}  // namespace planchoice
