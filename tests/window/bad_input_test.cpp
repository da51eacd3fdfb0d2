// The profile cases through the real window: each ends in a correct rewrite,
// or in one report over the dialog, with the profile as it was and no work
// file left behind; and a plan too long for any list.
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "driver/window_query.h"
#include "platform/win32_text.h"
#include "support/profile_cases.h"
#include "window_fixture.h"

namespace planchoice::testing {
namespace {

// A report too wide for the screen (one naming a path of 32,000 characters)
// shows its icon off it, where no pixel can be read.
bool OnTheScreen(HWND window) {
  RECT area{};
  ::GetWindowRect(window, &area);
  return area.left >= 0 && area.top >= 0 && area.right <= ::GetSystemMetrics(SM_CXSCREEN) &&
         area.bottom <= ::GetSystemMetrics(SM_CYSCREEN);
}

class DialogGiven : public WindowTest, public ::testing::WithParamInterface<ProfileCase> {};

TEST_P(DialogGiven, ARewriteOrOneReportOverItAndLosesNothing) {
  ArrangedCase arranged(GetParam(), dir_);
  if (IsSkipped()) {
    return;
  }
  StartedProgram run(program_, L" " + arranged.argument().wstring());
  const auto dialog = driver::PlanDialog::Find(run.process_id());
  ASSERT_TRUE(dialog) << "the dialog was not shown";
  ASSERT_TRUE(dialog->PickPlan(Widen(kPlan)));
  ASSERT_TRUE(dialog->ClickOk());

  std::optional<driver::MessageBoxView> box;
  ASSERT_TRUE(WaitUntil(
      [&] {
        box = driver::FindMessageBox(run.process_id(), std::chrono::milliseconds(0));
        return box.has_value() || !run.IsRunning();
      },
      std::chrono::seconds(60)));
  EXPECT_EQ(box.has_value(), arranged.ShouldBeRefused())
      << (box ? Narrow(box->Text()) : "rewritten");
  if (box) {
    EXPECT_EQ(box->Title(), L"Kelvarin Plan Choice");
    arranged.ExpectMessage(Narrow(box->Text()));
    if (OnTheScreen(box->window())) {
      EXPECT_TRUE(box->ShowsIcon(IDI_HAND));
    }
    EXPECT_EQ(box->Buttons(), std::vector<std::wstring>{L"OK"});
    EXPECT_EQ(driver::Owner(box->window()), dialog->window())
        << "the report is not the dialog's own";
    EXPECT_TRUE(dialog->IsOpen()) << "the dialog went before the report";
    box->Dismiss();
    EXPECT_EQ(run.WaitForExit(), GetParam().exit_code) << "a second report, or the program hangs";
  } else {
    EXPECT_EQ(run.WaitForExit(), ExitCode::kSuccess);
  }
  arranged.Release();
  arranged.ExpectProfileLeft(box.has_value());
}

INSTANTIATE_TEST_SUITE_P(EveryCase, DialogGiven,
                         ::testing::ValuesIn(ProfileCasesFor(FrontEnd::kWindow)), CaseName);

using DialogGivenATypedPlan = ShownDialogTest;

TEST_F(DialogGivenATypedPlan, Of10000CharactersIsRefusedAndTheDialogStays) {
  const std::wstring typed(10000, L'S');
  ASSERT_TRUE(dialog_->PastePlan(typed));
  ASSERT_TRUE(dialog_->ClickOk());

  const auto box = driver::FindMessageBox(run_->process_id());
  ASSERT_TRUE(box) << "the plan was not refused";
  EXPECT_EQ(box->Title(), L"Unknown Plan");
  EXPECT_TRUE(Contains(box->Text(), typed));
  box->Dismiss();
  EXPECT_TRUE(WaitUntil([&] { return !::IsWindowVisible(box->window()); }));
  EXPECT_TRUE(run_->IsRunning());
  EXPECT_EQ(dialog_->PlanText(), typed);
  EXPECT_EQ(Profile(), ProfileText());
  EXPECT_FALSE(WorkFileExists());
}

}  // namespace
}  // namespace planchoice::testing
