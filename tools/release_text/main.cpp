// release_text TEXT: prints one of the programs' own texts that the
// release's README.txt carries, made by the same code as in the programs.
//   planset-help       what planset.exe --help prints
//   window-exit-codes  PlanChoice.exe's exit codes and what each means
// It runs on the machine that builds the release, so it is built for that
// machine, with planset.exe's own forms and options in planset's help.

#include <cstdio>
#include <string>
#include <string_view>

#include "logic/outcome.h"
#include "planset/help.h"

namespace {

bool Print(const std::string& text) {
  return std::fwrite(text.data(), 1, text.size(), stdout) == text.size() &&
         std::fflush(stdout) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string_view text = argc == 2 ? argv[1] : "";
  if (text == "planset-help") {
    return Print(planchoice::planset::Help()) ? 0 : 1;
  }
  if (text == "window-exit-codes") {
    return Print(planchoice::ExitCodeList(planchoice::Program::kWindow)) ? 0 : 1;
  }
  std::fputs("Usage: release_text planset-help | window-exit-codes\n", stderr);
  return 2;
}
