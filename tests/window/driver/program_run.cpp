#include "driver/program_run.h"

#include <algorithm>
#include <stdexcept>

#include "driver/child_process.h"
#include "platform/win32_text.h"

namespace planchoice::driver {

std::wstring BuildFile(const std::string& relative_to_tests) {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  path.resize(path.find_last_of(L'\\') + 1);
  std::wstring relative = Widen(relative_to_tests);
  std::replace(relative.begin(), relative.end(), L'/', L'\\');
  return path + relative;
}

std::wstring PlanChoicePath() {
  return BuildFile(PLANCHOICE_FROM_TESTS);
}

ProgramRun::ProgramRun(const std::wstring& program, const std::wstring& command_tail,
                       const std::wstring& desktop) {
  std::wstring command_line = L"\"" + program + L"\"" + command_tail;
  std::wstring desktop_name = desktop;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  if (!desktop_name.empty()) {
    startup.lpDesktop = desktop_name.data();
  }
  PROCESS_INFORMATION started{};
  if (!::CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &started)) {
    throw std::runtime_error("cannot start " + Narrow(program) + ": " +
                             SystemMessage(::GetLastError()));
  }
  const KernelObjectOwner thread(started.hThread);
  process_ = KernelObjectOwner(started.hProcess);
  process_id_ = started.dwProcessId;
}

ProgramRun::~ProgramRun() {
  if (IsRunning()) {
    // What it started would outlive it, holding the test's output open.
    EndChildProcesses(process_id_);
    ::TerminateProcess(process_.get(), 255);
    ::WaitForSingleObject(process_.get(), static_cast<DWORD>(kPatience.count()));
  }
}

bool ProgramRun::IsRunning() const {
  return ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

std::optional<ExitCode> ProgramRun::WaitForExit(std::chrono::milliseconds patience) const {
  const std::optional<DWORD> number = WaitForExitNumber(patience);
  return number ? std::optional<ExitCode>(static_cast<ExitCode>(*number)) : std::nullopt;
}

std::optional<DWORD> ProgramRun::WaitForExitNumber(std::chrono::milliseconds patience) const {
  if (::WaitForSingleObject(process_.get(), static_cast<DWORD>(patience.count())) !=
      WAIT_OBJECT_0) {
    return std::nullopt;
  }
  DWORD exit_code = 0;
  ::GetExitCodeProcess(process_.get(), &exit_code);
  return exit_code;
}

}  // namespace planchoice::driver
