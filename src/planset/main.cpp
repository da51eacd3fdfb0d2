// planset DIRECTORY PLAN: what the plan-choice dialog's OK does, with no window.

#include <csignal>
#include <string>
#include <string_view>
#include <vector>

#include "logic/carried_plans.h"
#include "logic/outcome.h"
#include "logic/plan_table.h"
#include "logic/profile_rewrite.h"
#include "planset/arguments.h"
#include "planset/console.h"
#include "planset/help.h"

#ifdef _WIN32
#include "planset/setup_command_line.h"
#include "platform/dll_search.h"
#include "platform/win32_folder_safety.h"
#include "platform/win32_setup_lock.h"
#include "platform/win32_text.h"
#include "platform/window_station.h"
#endif

namespace planchoice::planset {
namespace {

std::string PlanList() {
  std::string text;
  for (const Plan& plan : PlanTable) {
    text.append(plan.label).append("\t").append(plan.access_number).append("\n");
  }
  return text;
}

int Answer(std::string_view text) {
  Write(stdout, text);
  return static_cast<int>(ExitCode::kSuccess);
}

int Refuse(std::string_view text) {
  Write(stderr, text);
  return static_cast<int>(ExitCode::kUsage);
}

#ifdef _WIN32
// The setup's options a line each: the plan, the folder, the log file and
// "/S". Of a command line it refuses, only the lines the setup needs to
// report the refusal, the log file and "/S", and then why.
int AnswerSetup(const SetupOptions& options) {
  const bool refused = !options.refusal.empty();
  Write(stdout, (refused ? "" : options.plan) + "\n" + (refused ? "" : options.folder) + "\n" +
                    options.log + "\n" + (options.silent ? "/S" : "") + "\n");
  return refused ? Refuse(options.refusal + "\n") : static_cast<int>(ExitCode::kSuccess);
}

int SetupRunning() {
  const std::string why = WhyNoSetupHoldsTheLock();
  if (why.empty()) {
    return static_cast<int>(ExitCode::kSuccess);
  }
  Write(stdout, why + "\n");
  return static_cast<int>(ExitCode::kNotCarried);
}
#endif

// Exit status 0 when every "Phone0=" entry carries `number`, otherwise 1,
// with a sentence that says what the profile holds.
int Check(const std::string& directory, std::string_view plan, std::string_view number) {
  const LineCounts counts = CheckProfile(directory, number);
  if (counts.replaced > 0 && counts.carrying == counts.replaced) {
    return static_cast<int>(ExitCode::kSuccess);
  }
  const std::string profile = ProfilePath(directory);
  Write(stdout, counts.replaced == 0
                    ? "The profile " + profile + " has no \"Phone0=\" entry.\n"
                    : "The profile " + profile + " does not carry the number of \"" +
                          std::string(plan) + "\" in every \"Phone0=\" entry.\n");
  return static_cast<int>(ExitCode::kNotCarried);
}

// Prints the plans whose number every "Phone0=" entry carries, one a line:
// exit status 0 for one plan, 8 for plans that share the number, and 1, with
// a sentence, for none.
int Which(const std::string& directory) {
  const std::vector<Plan> carried = CarriedPlans(directory);
  if (carried.empty()) {
    Write(stderr, "No plan's number is in every \"Phone0=\" entry of the profile " +
                      ProfilePath(directory) + ".\n");
    return static_cast<int>(ExitCode::kNotCarried);
  }
  std::string labels;
  for (const Plan& plan : carried) {
    labels.append(plan.label).append("\n");
  }
  Write(stdout, labels);
  return static_cast<int>(carried.size() > 1 ? ExitCode::kSharedNumber : ExitCode::kSuccess);
}

int Run(const std::vector<std::string>& arguments) {
  try {
    const Request request = ParseArguments(arguments);
#ifdef _WIN32
    if (!request.output.empty()) {
      SendOutputTo(request.output);
    }
#endif
    switch (request.kind) {
      case Request::Kind::kList:
        return Answer(PlanList());
      case Request::Kind::kHelp:
        return Answer(Help());
      case Request::Kind::kVersion:
        return Answer("planset " PLANSET_VERSION "\n");
      case Request::Kind::kWhich:
        return Which(request.directory);
      case Request::Kind::kInstall:
        if (request.plan.empty()) {
          InstallProfile(request.source, request.directory, "");
          return static_cast<int>(ExitCode::kSuccess);
        }
        break;
#ifdef _WIN32
      case Request::Kind::kInstallFolder:
        RefuseUnsafeInstallFolder(request.directory);
        MakeProtectedFolder(request.directory);
        return static_cast<int>(ExitCode::kSuccess);
      case Request::Kind::kSetupCommandLine: {
        SetupOptions options = ReadSetupCommandLine(ReadSetupText(request.source));
        RefuseUnwritableLog(options);
        return AnswerSetup(options);
      }
      case Request::Kind::kUserCanSee:
        return static_cast<int>(UserCanSeeWindows() ? ExitCode::kSuccess : ExitCode::kNoUserCanSee);
      case Request::Kind::kSetupRunning:
        return SetupRunning();
#else
      case Request::Kind::kInstallFolder:
      case Request::Kind::kSetupCommandLine:
      case Request::Kind::kUserCanSee:
      case Request::Kind::kSetupRunning:
#endif
      case Request::Kind::kRewrite:
      case Request::Kind::kCheck:
      case Request::Kind::kCheckPlan:
        break;
    }
    const std::string_view number = LookUpAccessNumber(request.plan);
    if (number.empty()) {
      return Refuse(NoSuchPlan(request.plan) + "\n");
    }
    switch (request.kind) {
      case Request::Kind::kCheck:
        return Check(request.directory, request.plan, number);
      case Request::Kind::kCheckPlan:
        return Answer(request.plan + "\n");
      case Request::Kind::kInstall:
        InstallProfile(request.source, request.directory, number);
        break;
      default:
        RewriteProfile(request.directory, number);
    }
    return static_cast<int>(ExitCode::kSuccess);
  } catch (const UsageError& error) {
    return Refuse(std::string(error.what()) + "\n" + std::string(Usage()));
  } catch (...) {
    const Failure failure = CurrentFailure();
    Write(stderr, failure.message + "\n");
    return static_cast<int>(failure.code);
  }
}

}  // namespace
}  // namespace planchoice::planset

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
  planchoice::LoadLibrariesFromSystemDirectoryOnly();
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
