#include "processes.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/ptrace.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <stdexcept>

#include "statistics.h"

extern char** environ;

namespace planchoice::bench {
namespace {

std::string Describe(const std::vector<std::string>& command) {
  std::string text;
  for (const std::string& word : command) {
    text += (text.empty() ? "" : " ") + word;
  }
  return text;
}

std::vector<char*> Argv(const std::vector<std::string>& command) {
  std::vector<char*> argv;
  for (const std::string& word : command) {
    argv.push_back(const_cast<char*>(word.c_str()));
  }
  argv.push_back(nullptr);
  return argv;
}

int WaitFor(pid_t child) {
  int status = 0;
  while (::waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) {
      throw std::runtime_error(std::string("waitpid: ") + std::strerror(errno));
    }
  }
  return status;
}

void ExpectSuccess(int status, const std::vector<std::string>& command) {
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    throw std::runtime_error("failed: " + Describe(command));
  }
}

class SpawnActions {
 public:
  SpawnActions() {
    posix_spawn_file_actions_init(&actions_);
    posix_spawn_file_actions_addopen(&actions_, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  }
  ~SpawnActions() { posix_spawn_file_actions_destroy(&actions_); }
  SpawnActions(const SpawnActions&) = delete;
  SpawnActions& operator=(const SpawnActions&) = delete;
  const posix_spawn_file_actions_t* get() const { return &actions_; }

 private:
  posix_spawn_file_actions_t actions_;
};

std::uint64_t ReadPeakResidentKib(pid_t process) {
  std::ifstream status("/proc/" + std::to_string(process) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) {
      return std::stoull(line.substr(6));
    }
  }
  throw std::runtime_error("no VmHWM for process " + std::to_string(process));
}

// Lets a stopped child go on, with `signal` if it stopped for one.
void Continue(pid_t process, int signal = 0) {
  void* const data = reinterpret_cast<void*>(static_cast<std::intptr_t>(signal));
  if (::ptrace(PTRACE_CONT, process, nullptr, data) != 0) {
    throw std::runtime_error(std::string("ptrace: ") + std::strerror(errno));
  }
}

}  // namespace

double TimeProgram(const std::vector<std::string>& command) {
  const SpawnActions actions;
  std::vector<char*> argv = Argv(command);
  pid_t child = 0;
  int status = 0;
  const double seconds = Seconds([&] {
    const int failure =
        ::posix_spawnp(&child, argv[0], actions.get(), nullptr, argv.data(), environ);
    if (failure != 0) {
      throw std::runtime_error("cannot start " + command[0] + ": " + std::strerror(failure));
    }
    status = WaitFor(child);
  });
  ExpectSuccess(status, command);
  return seconds;
}

// The child stops at its exec and, once told to, again on its way out while
// its memory is still there to be read.
std::uint64_t PeakResidentKib(const std::vector<std::string>& command) {
  std::vector<char*> argv = Argv(command);
  const pid_t child = ::fork();
  if (child < 0) {
    throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
  }
  if (child == 0) {
    ::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr);
    ::execvp(argv[0], argv.data());
    ::_exit(127);
  }
  void* const stop_on_exit = reinterpret_cast<void*>(std::intptr_t{PTRACE_O_TRACEEXIT});
  if (!WIFSTOPPED(WaitFor(child)) ||
      ::ptrace(PTRACE_SETOPTIONS, child, nullptr, stop_on_exit) != 0) {
    throw std::runtime_error("cannot watch " + Describe(command));
  }
  Continue(child);
  for (;;) {
    const int status = WaitFor(child);
    if (!WIFSTOPPED(status)) {
      throw std::runtime_error("ended unwatched: " + Describe(command));
    }
    if (status >> 8 == (SIGTRAP | (PTRACE_EVENT_EXIT << 8))) {
      break;
    }
    Continue(child, WSTOPSIG(status));
  }
  const std::uint64_t peak = ReadPeakResidentKib(child);
  Continue(child);
  ExpectSuccess(WaitFor(child), command);
  return peak;
}

}  // namespace planchoice::bench
