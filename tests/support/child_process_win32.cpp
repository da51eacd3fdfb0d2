#include <windows.h>
#include <psapi.h>

#include <stdexcept>
#include <utility>

#include "platform/file.h"
#include "platform/win32_text.h"
#include "support/child_process.h"

namespace planchoice::testing {
namespace {

// One argument as the C runtime's command-line parser will read it back:
// quoted when it is empty or holds blanks or quotes, with the backslashes
// before a quote (or before the closing quote) doubled.
std::wstring Quoted(const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
    return argument;
  }
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    quoted += c;
    backslashes = 0;
  }
  quoted.append(backslashes * 2, L'\\');
  return quoted + L"\"";
}

FileHandle CreateInheritableFile(const std::filesystem::path& path) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  FileHandle file(::CreateFileW(path.wstring().c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    throw std::runtime_error("cannot create " + path.u8string());
  }
  return file;
}

}  // namespace

StartedProgram::StartedProgram(const std::string& program,
                               const std::vector<std::string>& arguments)
    : program_(program) {
  // The child holds its own copies; these close once it has started.
  const FileHandle out = CreateInheritableFile(outputs_ / "out");
  const FileHandle error = CreateInheritableFile(outputs_ / "error");

  const std::wstring program_path = Widen(program);
  std::wstring command_line = Quoted(program_path);
  for (const std::string& argument : arguments) {
    command_line += L" " + Quoted(Widen(argument));
  }

  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = nullptr;
  startup.hStdOutput = out.get();
  startup.hStdError = error.get();
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(program_path.c_str(), command_line.data(), nullptr, nullptr, TRUE, 0,
                        nullptr, nullptr, &startup, &process)) {
    throw std::runtime_error("cannot start " + program + ": " + SystemMessage(::GetLastError()));
  }
  const KernelObjectOwner thread(process.hThread);
  process_ = KernelObjectOwner(process.hProcess);
}

StartedProgram::~StartedProgram() {
  if (process_) {
    ::WaitForSingleObject(process_.get(), INFINITE);
  }
}

ProcessResult StartedProgram::Wait() {
  const KernelObjectOwner process = std::move(process_);
  ::WaitForSingleObject(process.get(), INFINITE);
  ProcessResult result;
  DWORD exit_code = 0;
  if (::GetExitCodeProcess(process.get(), &exit_code)) {
    result.exit_code = static_cast<ExitCode>(exit_code);
  }
  PROCESS_MEMORY_COUNTERS memory{};
  if (::GetProcessMemoryInfo(process.get(), &memory, sizeof(memory))) {
    result.peak_memory_kb = static_cast<long>(memory.PeakWorkingSetSize / 1024);
  }
  result.out = outputs_.Read("out").value_or("");
  result.error = outputs_.Read("error").value_or("");
  return result;
}

}  // namespace planchoice::testing
