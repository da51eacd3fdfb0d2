#include "driver/child_process.h"

#include <tlhelp32.h>

#include <stdexcept>
#include <vector>

#include "platform/owner.h"

namespace planchoice::driver {
namespace {

// The processes that `parent_id` started and that run now.
std::vector<PROCESSENTRY32W> RunningChildren(DWORD parent_id) {
  const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) {
    throw std::runtime_error("cannot list the running processes");
  }
  const KernelObjectOwner owner(snapshot);
  std::vector<PROCESSENTRY32W> children;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL more = ::Process32FirstW(snapshot, &entry); more;
       more = ::Process32NextW(snapshot, &entry)) {
    if (entry.th32ParentProcessID == parent_id) {
      children.push_back(entry);
    }
  }
  return children;
}

}  // namespace

std::optional<DWORD> FindChildProcess(DWORD parent_id, const std::wstring& program_name,
                                      std::chrono::milliseconds patience) {
  std::optional<DWORD> found;
  WaitUntil(
      [&] {
        for (const PROCESSENTRY32W& child : RunningChildren(parent_id)) {
          if (::lstrcmpiW(child.szExeFile, program_name.c_str()) == 0) {
            found = child.th32ProcessID;
            return true;
          }
        }
        return false;
      },
      patience);
  return found;
}

void EndChildProcesses(DWORD parent_id) {
  for (const PROCESSENTRY32W& child : RunningChildren(parent_id)) {
    const KernelObjectOwner process(::OpenProcess(PROCESS_TERMINATE, FALSE, child.th32ProcessID));
    if (process) {
      ::TerminateProcess(process.get(), 255);
    }
  }
}

}  // namespace planchoice::driver
