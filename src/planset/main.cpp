// planset DIRECTORY PLAN: what the plan-choice dialog's OK does, with no window.

#include <csignal>
#include <string>
#include <vector>

#include "planset/command_line.h"
#include "planset/console.h"
#include "planset/execute.h"
#include "platform/error.h"

#ifdef _WIN32
#include "platform/win32_text.h"
#endif

namespace planchoice::planset {
namespace {

int Run(const std::vector<std::string>& arguments) {
  try {
    const Reply reply = Execute(ParseCommandLine(arguments));
    WriteToStandardOutput(reply.out);
    WriteToStandardError(reply.error);
    return reply.exit_code;
  } catch (const DurabilityError& error) {
    WriteToStandardError(std::string(error.what()) + "\n");
    return kExitNotYetOnDisk;
  } catch (const Error& error) {
    WriteToStandardError(std::string(error.what()) + "\n");
    return kExitRewriteFailed;
  }
}

}  // namespace
}  // namespace planchoice::planset

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) {
    arguments.push_back(planchoice::Narrow(argv[i]));
  }
  return planchoice::planset::Run(arguments);
}
#else
int main(int argc, char** argv) {
  // Beyond a file-size limit a write then fails like any other, and the
  // rewrite cleans up, rather than the process being ended on the spot.
  std::signal(SIGXFSZ, SIG_IGN);
  return planchoice::planset::Run(std::vector<std::string>(argv + 1, argv + argc));
}
#endif
