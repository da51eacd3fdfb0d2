#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "support/child_process.h"

extern char** environ;

namespace planchoice::testing {
namespace {

class FileActions {
 public:
  FileActions() { posix_spawn_file_actions_init(&actions_); }
  ~FileActions() { posix_spawn_file_actions_destroy(&actions_); }
  FileActions(const FileActions&) = delete;
  FileActions& operator=(const FileActions&) = delete;

  void OpenForWriting(int descriptor, const std::string& path) {
    posix_spawn_file_actions_addopen(&actions_, descriptor, path.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
  }
  const posix_spawn_file_actions_t* get() const { return &actions_; }

 private:
  posix_spawn_file_actions_t actions_;
};

}  // namespace

StartedProgram::StartedProgram(const std::string& program,
                               const std::vector<std::string>& arguments)
    : outputs_(std::in_place, "planset-output"), program_(program) {
  FileActions actions;
  actions.OpenForWriting(STDOUT_FILENO, (*outputs_ / "out").string());
  actions.OpenForWriting(STDERR_FILENO, (*outputs_ / "error").string());

  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& argument : arguments) {
    argv.push_back(const_cast<char*>(argument.c_str()));
  }
  argv.push_back(nullptr);

  pid_t child = 0;
  const int failure =
      posix_spawn(&child, program.c_str(), actions.get(), nullptr, argv.data(), environ);
  if (failure != 0) {
    throw std::runtime_error("cannot start " + program + ": " + std::strerror(failure));
  }
  process_ = child;
}

StartedProgram::~StartedProgram() {
  if (process_ > 0) {
    ::waitpid(process_, nullptr, 0);
  }
}

ProcessResult StartedProgram::Wait() {
  int status = 0;
  rusage usage{};
  while (wait4(process_, &status, 0, &usage) < 0) {
    if (errno != EINTR) {
      throw std::runtime_error("cannot wait for " + program_ + ": " + std::strerror(errno));
    }
  }
  process_ = -1;

  ProcessResult result;
  result.exit_code = ExitCode{WIFEXITED(status) ? WEXITSTATUS(status) : -1};
  result.peak_memory_kb = usage.ru_maxrss;
  result.out = outputs_->Read("out").value_or("");
  result.error = outputs_->Read("error").value_or("");
  return result;
}

bool StartedProgram::Kill() {
  ::kill(process_, SIGKILL);
  return Wait().exit_code == ExitCode{-1};
}

}  // namespace planchoice::testing
