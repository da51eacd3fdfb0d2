// Choosing a plan: what OK, Enter, Escape and the close box do with it.
#include <gtest/gtest.h>

#include <string_view>
#include <utility>
#include <vector>

#include "access_numbers.h"
#include "driver/window_query.h"
#include "platform/win32_text.h"
#include "window_fixture.h"

namespace planchoice::testing {
namespace {

// Checks that a box asks the user to do something about the plan, stays the
// dialog's own, and offers only OK.
void ExpectPlanMessage(const driver::MessageBoxView& box, const driver::PlanDialog& dialog,
                       const std::wstring& title) {
  EXPECT_EQ(box.Title(), title);
  EXPECT_TRUE(box.ShowsIcon(IDI_HAND));
  EXPECT_EQ(box.Buttons(), std::vector<std::wstring>{L"OK"});
  EXPECT_EQ(driver::Owner(box.window()), dialog.window());
}

// Dismisses a box and checks that the dialog is back as it was, the focus
// again in `focused`, the control that had it, and the plan text selected
// whole, so that typing replaces it.
void DismissAndExpectDialogAsBefore(const driver::MessageBoxView& box,
                                    const driver::PlanDialog& dialog, const driver::ProgramRun& run,
                                    const std::wstring& plan_text, HWND focused) {
  box.Dismiss();
  EXPECT_TRUE(driver::WaitUntil([&] { return !::IsWindowVisible(box.window()); }));
  EXPECT_TRUE(run.IsRunning());
  EXPECT_TRUE(dialog.IsOpen());
  EXPECT_EQ(dialog.PlanText(), plan_text);
  EXPECT_EQ(dialog.TextSelection(), std::make_pair(0, static_cast<int>(plan_text.size())));
  EXPECT_TRUE(driver::WaitUntil([&] {
    return driver::IsSelfOrChild(focused, driver::FocusedWindowOf(dialog.window()));
  })) << "the focus did not come back";
}

struct PlanAndNumber {
  const wchar_t* label;
  std::string_view number;
};

void PrintTo(const PlanAndNumber& plan, std::ostream* out) {
  *out << Narrow(plan.label);
}

class PlanPicked : public ShownDialogTest, public ::testing::WithParamInterface<PlanAndNumber> {};

TEST_P(PlanPicked, SetsItsNumberAndEnds) {
  ASSERT_TRUE(dialog_->PickPlan(GetParam().label));
  ASSERT_TRUE(dialog_->ClickOk());
  EXPECT_EQ(run_->WaitForExit(), ExitCode::kSuccess);
  EXPECT_EQ(Profile(), ProfileText(GetParam().number));
  EXPECT_FALSE(WorkFileExists());
}

INSTANTIATE_TEST_SUITE_P(EachPlan, PlanPicked,
                         ::testing::Values(PlanAndNumber{L"Sorvel 10", kAccessNumberA},
                                           PlanAndNumber{L"Sorvel 25", kAccessNumberB},
                                           PlanAndNumber{L"Sorvel 60", kAccessNumberC},
                                           PlanAndNumber{L"Sorvel Ever", kAccessNumberB}),
                         [](const auto& info) {
                           std::string name = Narrow(info.param.label);
                           name.erase(name.find(' '), 1);
                           return name;
                         });

using PlanChosen = ShownDialogTest;

TEST_F(PlanChosen, TypedExactlyCountsAsPicked) {
  ASSERT_TRUE(dialog_->TypePlan(L"Sorvel 60"));
  ASSERT_TRUE(dialog_->ClickOk());
  EXPECT_EQ(run_->WaitForExit(), ExitCode::kSuccess);
  EXPECT_EQ(Profile(), ProfileText(kAccessNumberC));
  EXPECT_FALSE(WorkFileExists());
}

TEST_F(PlanChosen, EnterPressesOk) {
  ASSERT_TRUE(dialog_->PickPlan(L"Sorvel Ever"));
  ASSERT_TRUE(driver::WaitUntil([&] { return dialog_->FocusIsInPlan(); }));
  ASSERT_TRUE(dialog_->PressKey(VK_RETURN));
  EXPECT_EQ(run_->WaitForExit(), ExitCode::kSuccess);
  EXPECT_EQ(Profile(), ProfileText(kAccessNumberB));
}

// OK pressed with an empty plan, by a click or by Enter.
class OkWithoutPlan : public ShownDialogTest, public ::testing::WithParamInterface<bool> {};

TEST_P(OkWithoutPlan, AsksForAPlanAndLetsTheUserChooseAgain) {
  const bool by_enter = GetParam();
  ASSERT_TRUE(driver::WaitUntil([&] { return dialog_->FocusIsInPlan(); }));
  ASSERT_TRUE(by_enter ? dialog_->PressKey(VK_RETURN) : dialog_->ClickOk());

  const auto box = driver::FindMessageBox(run_->process_id());
  ASSERT_TRUE(box) << "no message box was shown";
  ExpectPlanMessage(*box, *dialog_, L"Missing Plan");
  EXPECT_EQ(box->Text(), L"You must choose a plan.");
  // A click moves the focus to OK; Enter leaves it in Plan.
  DismissAndExpectDialogAsBefore(*box, *dialog_, *run_, L"",
                                 by_enter ? dialog_->plan() : dialog_->ok());
  EXPECT_EQ(Profile(), ProfileText());
  EXPECT_FALSE(WorkFileExists());

  ASSERT_TRUE(dialog_->PickPlan(L"Sorvel 10"));
  ASSERT_TRUE(dialog_->ClickOk());
  EXPECT_EQ(run_->WaitForExit(), ExitCode::kSuccess);
  EXPECT_EQ(Profile(), ProfileText(kAccessNumberA));
}

INSTANTIATE_TEST_SUITE_P(Pressed, OkWithoutPlan, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "ByEnter" : "ByClick"; });

struct UnknownText {
  const char* name;
  const wchar_t* text;
};

void PrintTo(const UnknownText& text, std::ostream* out) {
  *out << '"' << Narrow(text.text) << '"';
}

class UnknownPlan : public ShownDialogTest, public ::testing::WithParamInterface<UnknownText> {};

TEST_P(UnknownPlan, IsRefusedByNameAndTheProfileKeepsItsNumber) {
  const std::wstring typed = GetParam().text;
  ASSERT_TRUE(dialog_->TypePlan(typed));
  ASSERT_TRUE(dialog_->ClickOk());

  const auto box = driver::FindMessageBox(run_->process_id());
  ASSERT_TRUE(box) << "no message box was shown";
  ExpectPlanMessage(*box, *dialog_, L"Unknown Plan");
  EXPECT_TRUE(Contains(box->Text(), L"\"" + typed + L"\""));
  EXPECT_TRUE(Contains(box->Text(), L"list"));
  DismissAndExpectDialogAsBefore(*box, *dialog_, *run_, typed, dialog_->ok());
  EXPECT_EQ(Profile(), ProfileText());
  EXPECT_FALSE(WorkFileExists());

  ASSERT_TRUE(dialog_->PressKey(VK_ESCAPE));
  EXPECT_EQ(run_->WaitForExit(), ExitCode::kClosed);
  EXPECT_EQ(Profile(), ProfileText());
}

INSTANTIATE_TEST_SUITE_P(Texts, UnknownPlan,
                         ::testing::Values(UnknownText{"OtherCase", L"sorvel 25"},
                                           UnknownText{"OneBlank", L" "},
                                           UnknownText{"FirstWordOnly", L"Sorvel"},
                                           UnknownText{"TrailingBlank", L"Sorvel 25 "},
                                           UnknownText{"LeadingBlank", L" Sorvel 10"},
                                           UnknownText{"NonAscii", L"S\u00f6rvel 25"}),
                         [](const auto& info) { return std::string(info.param.name); });

struct Closing {
  const char* name;
  bool with_escape;     // or with the close box
  const wchar_t* plan;  // picked first; empty for none
};

void PrintTo(const Closing& closing, std::ostream* out) {
  *out << closing.name;
}

class ClosedWindow : public ShownDialogTest, public ::testing::WithParamInterface<Closing> {};

TEST_P(ClosedWindow, EndsWithoutAChange) {
  const std::wstring plan = GetParam().plan;
  if (!plan.empty()) {
    ASSERT_TRUE(dialog_->PickPlan(plan));
  }
  if (GetParam().with_escape) {
    ASSERT_TRUE(driver::WaitUntil([&] { return dialog_->FocusIsInPlan(); }));
    ASSERT_TRUE(dialog_->PressKey(VK_ESCAPE));
  } else {
    dialog_->ClickCloseBox();
  }
  EXPECT_EQ(run_->WaitForExit(), ExitCode::kClosed);
  EXPECT_EQ(Profile(), ProfileText());
  EXPECT_FALSE(WorkFileExists());
}

INSTANTIATE_TEST_SUITE_P(Ways, ClosedWindow,
                         ::testing::Values(Closing{"CloseBox", false, L""},
                                           Closing{"Escape", true, L""},
                                           Closing{"CloseBoxWithPlanPicked", false, L"Sorvel 25"},
                                           Closing{"EscapeWithPlanPicked", true, L"Sorvel 25"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace planchoice::testing
