#include "planset/help.h"

#include "logic/outcome.h"
#include "logic/profile_rewrite.h"

// The forms and options that only planset.exe has are in the help where
// PLANSET_WINDOWS_FORMS is defined: in planset.exe, and in the release's
// README.txt, which a program built for the build machine writes.

namespace planchoice::planset {
namespace {

constexpr char kUsage[] =
    "Usage: planset DIRECTORY PLAN\n"
    "       planset --check DIRECTORY PLAN\n"
    "       planset --which DIRECTORY\n"
    "       planset --install-profile SOURCE DIRECTORY [PLAN]\n"
    "       planset --check-plan PLAN\n"
#ifdef PLANSET_WINDOWS_FORMS
    "       planset --install-folder DIRECTORY\n"
    "       planset --setup-command-line FILE\n"
    "       planset --user-can-see\n"
    "       planset --setup-running\n"
#endif
    "       planset --list | --help | --version\n"
#ifdef PLANSET_WINDOWS_FORMS
    "Any of them may add --output=FILE.\n"
#endif
    ;

}  // namespace

std::string_view Usage() {
  return kUsage;
}

std::string Help() {
  return std::string(kUsage) + "\n" + "Sets the dial-in number in the connection profile " +
         std::string(kProfileName) +
         " in DIRECTORY\n"
         "to the number of PLAN, as the PlanChoice dialog does, with no window.\n"
         "PLAN is a plan's name exactly as --list shows it, in quotes when it holds a blank;\n"
         "one pair of double quotes around it is dropped.\n"
         "The profile is replaced in one step; on any failure it is left as it was.\n"
         "Put -- before DIRECTORY when it may begin with \"-\".\n"
         "\n"
         "  --check    only read the profile, and say whether every \"Phone0=\" entry\n"
         "             carries PLAN's number\n"
         "  --which    print the plan whose number every \"Phone0=\" entry carries;\n"
         "             each of them, one per line, when plans share that number\n"
         "  --install-profile  replace the profile with the lines of the file SOURCE,\n"
         "             in the same one step, keeping the profile's permissions and\n"
         "             attributes; with PLAN's number, or as SOURCE has it\n"
         "  --check-plan  print the plan PLAN names, as the other forms take it\n"
#ifdef PLANSET_WINDOWS_FORMS
         "  --install-folder  make the folder DIRECTORY (a full path) for an\n"
         "             installation, with Program Files' protection, or check the one\n"
         "             there: fails when anyone but the system and the administrators\n"
         "             could change it or take it away\n"
         "  --setup-command-line  read the example installer's command line, written\n"
         "             whole to FILE in UTF-16 with a byte order mark, and print the\n"
         "             plan, the folder (/D=), the log file (/LOG=, where it can be\n"
         "             written) and \"/S\" (silent), a line each, empty where not\n"
         "             given; of a line it refuses, the plan and folder lines are\n"
         "             empty, and why follows on standard error, with exit status 2\n"
         "  --user-can-see  exit with 0 where a user can see a window made here, by\n"
         "             planset or the setup that started it; with 7 where nobody can\n"
         "             (a service, say)\n"
         "  --setup-running  exit with 0 where a run of the example installer or its\n"
         "             uninstaller holds their lock; with 1, and why, where none does:\n"
         "             nothing has the lock's name, or what has it is not a mutex that\n"
         "             the system or the administrators own\n"
         "  --output=FILE  write what planset prints to FILE instead, made anew, in\n"
         "             UTF-16 with a byte order mark\n"
#endif
         "  --list     print the plans and their numbers, one per line\n"
         "  --help     print this help\n"
         "  --version  print the version\n"
         "\n"
         "Exit status:\n" +
         ExitCodeList(Program::kPlanset);
}

}  // namespace planchoice::planset
