// Shows the dialog with a plan picked, for a screenshot, then presses OK:
//
//   plan_demo.exe PLAN DIRECTORY
//
// Once the plan shows, prints "ready LEFT TOP WIDTH HEIGHT" (the window's
// place on the screen) and waits for a line on its input before pressing OK.
// Ends with PlanChoice.exe's exit code, or 125 when the dialog misbehaved.
#include <windows.h>

#include <cstdio>
#include <string>

#include "driver/dialogs.h"
#include "support/build_output.h"
#include "support/child_process.h"

namespace {

constexpr int kDriverFailed = 125;

int Fail(const char* what) {
  std::fprintf(stderr, "plan_demo: %s\n", what);
  return kDriverFailed;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  using namespace planchoice::driver;
  using planchoice::testing::StartedProgram;
  if (argc != 3) {
    return Fail("usage: plan_demo.exe PLAN DIRECTORY");
  }
  StartedProgram run(planchoice::testing::BuildOutput("PlanChoice").wstring(),
                     std::wstring(L" \"") + argv[2] + L"\"");
  const auto dialog = PlanDialog::Find(run.process_id());
  if (!dialog) {
    return Fail("the dialog was not shown");
  }
  if (!dialog->PickPlan(argv[1])) {
    return Fail("the plan is not in the list");
  }
  RECT frame{};
  ::GetWindowRect(dialog->window(), &frame);
  std::printf("ready %ld %ld %ld %ld\n", frame.left, frame.top, frame.right - frame.left,
              frame.bottom - frame.top);
  std::fflush(stdout);

  char line[16];
  if (std::fgets(line, sizeof(line), stdin) == nullptr) {
    return Fail("no go-ahead on the input");
  }
  if (!dialog->ClickOk()) {
    return Fail("OK cannot be clicked");
  }
  const auto exit_code = run.WaitForExit();
  return exit_code ? static_cast<int>(*exit_code) : Fail("the program did not end");
}
