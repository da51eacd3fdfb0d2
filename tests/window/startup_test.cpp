// Started without a directory, the program says so and ends; started where
// nobody could answer its window, it makes none.
#include <gtest/gtest.h>

#include <vector>

#include "driver/unseen_desktop.h"
#include "driver/window_query.h"
#include "window_fixture.h"

namespace planchoice::testing {
namespace {

struct MissingDirectory {
  const char* name;
  const wchar_t* command_tail;  // after the program's quoted name
};

void PrintTo(const MissingDirectory& missing, std::ostream* out) {
  *out << missing.name;
}

class StartedWithoutDirectory : public WindowTest,
                                public ::testing::WithParamInterface<MissingDirectory> {};

TEST_P(StartedWithoutDirectory, SaysSoAndEndsWithoutShowingTheDialog) {
  StartedProgram run(program_, GetParam().command_tail);

  const auto box = driver::FindMessageBox(run.process_id());
  ASSERT_TRUE(box) << "no message box was shown";
  ExpectStopBox(*box, L"Fatal error", nullptr);
  EXPECT_EQ(box->Text(), L"No directory specified");
  EXPECT_EQ(driver::VisibleTopWindows(run.process_id()), std::vector<HWND>{box->window()})
      << "another window of the program is visible";

  box->Dismiss();
  EXPECT_EQ(run.WaitForExit(), ExitCode::kUsage);
}

INSTANTIATE_TEST_SUITE_P(Spellings, StartedWithoutDirectory,
                         ::testing::Values(MissingDirectory{"NoArgument", L""},
                                           MissingDirectory{"OneBlank", L" "},
                                           MissingDirectory{"BlanksAndTabs", L"  \t  "},
                                           MissingDirectory{"EmptyQuotes", L" \"\""}),
                         [](const auto& info) { return std::string(info.param.name); });

// A service, or a deployment tool running as SYSTEM: a window would wait
// for ever for an answer nobody can give.
class StartedWhereNoUserCanSee : public WindowTest {};

TEST_F(StartedWhereNoUserCanSee, EndsAtOnceWithoutAWindowAndChangesNothing) {
  WriteProfile();
  const driver::UnseenDesktop unseen;
  StartedProgram run(program_, L" " + Directory(), unseen.name());
  ExpectEnded(run, ExitCode::kNoUserCanSee);
}

}  // namespace
}  // namespace planchoice::testing
