#include "driver/program_run.h"

#include <stdexcept>

#include "driver/child_process.h"
#include "platform/win32_text.h"
#include "support/build_output.h"

namespace planchoice::driver {

std::wstring PlanChoicePath() {
  return testing::BuildOutput("PlanChoice").wstring();
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
