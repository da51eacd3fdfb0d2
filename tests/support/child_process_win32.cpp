#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <cstdint>
#include <cstdio>
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

std::uint64_t CreationTime(HANDLE process) {
  FILETIME created{}, ended{}, kernel{}, user{};
  if (!::GetProcessTimes(process, &created, &ended, &kernel, &user)) {
    return 0;
  }
  return (std::uint64_t{created.dwHighDateTime} << 32) | created.dwLowDateTime;
}

// Whether `process` runs a program from the Windows folder. The system starts
// some of its own as children of whichever program first needs them (Wine's
// desktop, started by the first program to show a window, is one); ending
// those would end every other program's windows with them.
bool IsTheSystems(HANDLE process) {
  wchar_t windows[MAX_PATH];
  const UINT length = ::GetSystemWindowsDirectoryW(windows, MAX_PATH);
  std::wstring image(32768, L'\0');
  DWORD size = static_cast<DWORD>(image.size());
  if (length == 0 || length >= MAX_PATH ||
      !::QueryFullProcessImageNameW(process, 0, image.data(), &size) || size <= length) {
    return false;
  }
  return image[length] == L'\\' &&
         ::CompareStringOrdinal(image.data(), static_cast<int>(length), windows,
                                static_cast<int>(length), TRUE) == CSTR_EQUAL;
}

struct Child {
  PROCESSENTRY32W entry;
  // Held from the check on, so that its ID cannot pass to another process
  // before it is ended.
  KernelObjectOwner process;
};

// The processes that `parent` started and that run now, the system's own
// aside. A process whose parent ended keeps that parent's ID, which the
// system may since have given to `parent`: only one made after `parent` can
// be its child.
std::vector<Child> RunningChildren(HANDLE parent, DWORD parent_id) {
  const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) {
    throw std::runtime_error("cannot list the running processes");
  }
  const KernelObjectOwner owner(snapshot);
  const std::uint64_t parent_created = CreationTime(parent);
  std::vector<Child> children;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL more = ::Process32FirstW(snapshot, &entry); more;
       more = ::Process32NextW(snapshot, &entry)) {
    if (entry.th32ParentProcessID != parent_id) {
      continue;
    }
    KernelObjectOwner child(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE,
                                          FALSE, entry.th32ProcessID));
    if (child && parent_created != 0 && CreationTime(child.get()) >= parent_created &&
        !IsTheSystems(child.get())) {
      children.push_back({entry, std::move(child)});
    }
  }
  return children;
}

}  // namespace

StartedProgram::StartedProgram(const std::string& program,
                               const std::vector<std::string>& arguments)
    : outputs_(std::in_place, "planset-output"), program_(program) {
  // The child holds its own copies; these close once it has started.
  const FileHandle out = CreateInheritableFile(*outputs_ / "out");
  const FileHandle error = CreateInheritableFile(*outputs_ / "error");

  const std::wstring program_path = Widen(program);
  std::wstring command_line = Quoted(program_path);
  for (const std::string& argument : arguments) {
    command_line += L" " + Quoted(Widen(argument));
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = out.get();
  startup.hStdError = error.get();
  Start(program_path, command_line, startup);
}

StartedProgram::StartedProgram(const std::wstring& program, const std::wstring& command_tail,
                               const std::wstring& desktop)
    : program_(Narrow(program)) {
  std::wstring desktop_name = desktop;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  if (!desktop_name.empty()) {
    startup.lpDesktop = desktop_name.data();
  }
  Start(program, L"\"" + program + L"\"" + command_tail, startup);
}

void StartedProgram::Start(const std::wstring& program, std::wstring command_line,
                           STARTUPINFOW& startup) {
  const BOOL inherit_handles = (startup.dwFlags & STARTF_USESTDHANDLES) != 0;
  PROCESS_INFORMATION started{};
  // Wine now and then fails a start with ERROR_INTERNAL_ERROR before the
  // program runs at all, when an address it maps every process at is taken
  // (the Wine session fixes the layout where the machine allows it); such a
  // start is tried again, and said.
  for (int attempt = 1; !::CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr,
                                          inherit_handles, 0, nullptr, nullptr, &startup, &started);
       ++attempt) {
    const DWORD error = ::GetLastError();
    if (error != ERROR_INTERNAL_ERROR || attempt == 3) {
      throw std::runtime_error("cannot start " + program_ + ": " + SystemMessage(error));
    }
    std::fprintf(stderr, "starting %s again after: %s\n", program_.c_str(),
                 SystemMessage(error).c_str());
    ::Sleep(200);
  }
  const KernelObjectOwner thread(started.hThread);
  process_ = KernelObjectOwner(started.hProcess);
  process_id_ = started.dwProcessId;
}

StartedProgram::~StartedProgram() {
  if (IsRunning()) {
    // What it started would outlive it, holding the test's output open.
    EndStarted();
    ::TerminateProcess(process_.get(), 255);
    ::WaitForSingleObject(process_.get(), static_cast<DWORD>(kPatience.count()));
  }
}

ProcessResult StartedProgram::Wait() {
  ProcessResult result;
  result.exit_code = WaitForExit(std::chrono::milliseconds(INFINITE)).value_or(result.exit_code);
  PROCESS_MEMORY_COUNTERS memory{};
  if (::GetProcessMemoryInfo(process_.get(), &memory, sizeof(memory))) {
    result.peak_memory_kb = static_cast<long>(memory.PeakWorkingSetSize / 1024);
  }
  if (outputs_) {
    result.out = outputs_->Read("out").value_or("");
    result.error = outputs_->Read("error").value_or("");
  }
  return result;
}

bool StartedProgram::IsRunning() const {
  return process_ && ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

std::optional<ExitCode> StartedProgram::WaitForExit(std::chrono::milliseconds patience) const {
  const std::optional<DWORD> number = WaitForExitNumber(patience);
  return number ? std::optional<ExitCode>(static_cast<ExitCode>(*number)) : std::nullopt;
}

std::optional<DWORD> StartedProgram::WaitForExitNumber(std::chrono::milliseconds patience) const {
  if (::WaitForSingleObject(process_.get(), static_cast<DWORD>(patience.count())) !=
      WAIT_OBJECT_0) {
    return std::nullopt;
  }
  DWORD exit_code = 0;
  ::GetExitCodeProcess(process_.get(), &exit_code);
  return exit_code;
}

std::optional<DWORD> StartedProgram::FindStarted(const std::wstring& program_name,
                                                 std::chrono::milliseconds patience) const {
  std::optional<DWORD> found;
  WaitUntil(
      [&] {
        for (const Child& child : RunningChildren(process_.get(), process_id_)) {
          if (::lstrcmpiW(child.entry.szExeFile, program_name.c_str()) == 0) {
            found = child.entry.th32ProcessID;
            return true;
          }
        }
        return false;
      },
      patience);
  return found;
}

void StartedProgram::EndStarted(UINT exit_code) const {
  for (const Child& child : RunningChildren(process_.get(), process_id_)) {
    ::TerminateProcess(child.process.get(), exit_code);
  }
}

}  // namespace planchoice::testing
