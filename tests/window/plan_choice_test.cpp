// Choosing a plan: what OK, Enter, Escape and the close box do with it, and
// which directory's profile it is written to as setup programs spell the
// directory on the command line.
#include <gtest/gtest.h>

#include <string_view>
#include <utility>

#include "access_numbers.h"
#include "driver/window_query.h"
#include "platform/win32_text.h"
#include "window_fixture.h"

namespace planchoice::testing {
namespace {

// How the user ends the dialog.
enum class Ending { kClicksOk, kPressesEnter, kPressesEscape, kClicksTheCloseBox };

struct UserChoice {
  const char* name;
  const wchar_t* plan;  // picked from the list, or typed; empty for none
  bool typed;
  Ending ending;
  ExitCode exit_code;
  std::string_view number;  // in the profile afterwards
  // The command line after the program's quoted name, for `directory`.
  std::wstring (*command_tail)(const std::wstring& directory) = [](const std::wstring& d) {
    return L" " + d;
  };
  const char* directory_name = kWindowDirectory;  // UTF-8
};

void PrintTo(const UserChoice& choice, std::ostream* out) {
  *out << choice.name;
}

class PlanChosen : public ShownDialogTest, public ::testing::WithParamInterface<UserChoice> {
 protected:
  PlanChosen() : ShownDialogTest(GetParam().directory_name) {}
  std::wstring CommandTail() const override { return GetParam().command_tail(Directory()); }
};

TEST_P(PlanChosen, SetsItsNumberOrNoneAndEnds) {
  const UserChoice& choice = GetParam();
  if (*choice.plan != L'\0') {
    ASSERT_TRUE(choice.typed ? dialog_->TypePlan(choice.plan) : dialog_->PickPlan(choice.plan));
  }
  if (choice.ending == Ending::kPressesEnter || choice.ending == Ending::kPressesEscape) {
    ASSERT_TRUE(WaitUntil([&] { return dialog_->FocusIsInPlan(); }));
    ASSERT_TRUE(dialog_->PressKey(choice.ending == Ending::kPressesEnter ? VK_RETURN : VK_ESCAPE));
  } else if (choice.ending == Ending::kClicksOk) {
    ASSERT_TRUE(dialog_->ClickOk());
  } else {
    dialog_->ClickCloseBox();
  }
  ExpectEnded(*run_, choice.exit_code, choice.number);
}

constexpr ExitCode kSuccess = ExitCode::kSuccess;
constexpr ExitCode kClosed = ExitCode::kClosed;

INSTANTIATE_TEST_SUITE_P(
    Ways, PlanChosen,
    ::testing::Values(
        UserChoice{"Sorvel10", L"Sorvel 10", false, Ending::kClicksOk, kSuccess, kAccessNumberA},
        UserChoice{"Sorvel25", L"Sorvel 25", false, Ending::kClicksOk, kSuccess, kAccessNumberB},
        UserChoice{"Sorvel60", L"Sorvel 60", false, Ending::kClicksOk, kSuccess, kAccessNumberC},
        UserChoice{"SorvelEver", L"Sorvel Ever", false, Ending::kClicksOk, kSuccess,
                   kAccessNumberB},
        UserChoice{"TypedExactly", L"Sorvel 60", true, Ending::kClicksOk, kSuccess, kAccessNumberC},
        UserChoice{"EnterPressesOk", L"Sorvel Ever", false, Ending::kPressesEnter, kSuccess,
                   kAccessNumberB},
        UserChoice{"CloseBox", L"", false, Ending::kClicksTheCloseBox, kClosed, kNumberAsWritten},
        UserChoice{"Escape", L"", false, Ending::kPressesEscape, kClosed, kNumberAsWritten},
        UserChoice{"CloseBoxWithPlanPicked", L"Sorvel 25", false, Ending::kClicksTheCloseBox,
                   kClosed, kNumberAsWritten},
        UserChoice{"EscapeWithPlanPicked", L"Sorvel 25", false, Ending::kPressesEscape, kClosed,
                   kNumberAsWritten},
        UserChoice{"QuotedWithSpaces", L"Sorvel 10", false, Ending::kClicksOk, kSuccess,
                   kAccessNumberA, [](const std::wstring& d) { return L" \"" + d + L"\""; },
                   "plan choice with spaces"},
        UserChoice{"QuotedThenABlank", L"Sorvel 10", false, Ending::kClicksOk, kSuccess,
                   kAccessNumberA, [](const std::wstring& d) { return L" \"" + d + L"\" "; },
                   "plan choice with spaces"},
        UserChoice{"UnquotedWithSpaces", L"Sorvel 10", false, Ending::kClicksOk, kSuccess,
                   kAccessNumberA, [](const std::wstring& d) { return L" " + d; },
                   "plan choice with spaces"},
        UserChoice{"TrailingBackslash", L"Sorvel 10", false, Ending::kClicksOk, kSuccess,
                   kAccessNumberA, [](const std::wstring& d) { return L" " + d + L"\\"; }},
        UserChoice{"QuotedWithTrailingBackslash", L"Sorvel 10", false, Ending::kClicksOk, kSuccess,
                   kAccessNumberA, [](const std::wstring& d) { return L" \"" + d + L"\\\""; },
                   "plan choice with spaces"},
        UserChoice{"BlanksBeforeIt", L"Sorvel 10", false, Ending::kClicksOk, kSuccess,
                   kAccessNumberA, [](const std::wstring& d) { return L" \t  " + d; }},
        UserChoice{"NonAsciiName", L"Sorvel 10", false, Ending::kClicksOk, kSuccess, kAccessNumberA,
                   [](const std::wstring& d) { return L" " + d; },
                   "planchoice \xC3\xA9t\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x93\x9E"}),
    [](const auto& info) { return std::string(info.param.name); });

// A plan refused with a message box over the dialog.
class RefusedPlanTest : public ShownDialogTest {
 protected:
  // Dismisses a box and checks that the dialog is back as it was, the focus
  // again in `focused`, the control that had it, the plan text selected
  // whole, so that typing replaces it, and the profile untouched.
  void DismissAndExpectDialogAsBefore(const driver::MessageBoxView& box,
                                      const std::wstring& plan_text, HWND focused) const {
    box.Dismiss();
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindowVisible(box.window()); }));
    EXPECT_TRUE(run_->IsRunning());
    EXPECT_TRUE(dialog_->IsOpen());
    EXPECT_EQ(dialog_->PlanText(), plan_text);
    EXPECT_EQ(dialog_->TextSelection(), std::make_pair(0, static_cast<int>(plan_text.size())));
    EXPECT_TRUE(WaitUntil([&] {
      return driver::IsSelfOrChild(focused, driver::FocusedWindowOf(dialog_->window()));
    })) << "the focus did not come back";
    ExpectProfileWith();
  }
};

// OK pressed with an empty plan, by a click or by Enter.
class OkWithoutPlan : public RefusedPlanTest, public ::testing::WithParamInterface<bool> {};

TEST_P(OkWithoutPlan, AsksForAPlanAndLetsTheUserChooseAgain) {
  const bool by_enter = GetParam();
  ASSERT_TRUE(WaitUntil([&] { return dialog_->FocusIsInPlan(); }));
  ASSERT_TRUE(by_enter ? dialog_->PressKey(VK_RETURN) : dialog_->ClickOk());

  const auto box = driver::FindMessageBox(run_->process_id());
  ASSERT_TRUE(box) << "no message box was shown";
  ExpectStopBox(*box, L"Missing Plan", dialog_->window());
  EXPECT_EQ(box->Text(), L"You must choose a plan.");
  // A click moves the focus to OK; Enter leaves it in Plan.
  DismissAndExpectDialogAsBefore(*box, L"", by_enter ? dialog_->plan() : dialog_->ok());

  ASSERT_TRUE(dialog_->PickPlan(L"Sorvel 10"));
  ASSERT_TRUE(dialog_->ClickOk());
  ExpectEnded(*run_, ExitCode::kSuccess, kAccessNumberA);
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

class UnknownPlan : public RefusedPlanTest, public ::testing::WithParamInterface<UnknownText> {};

TEST_P(UnknownPlan, IsRefusedByNameAndTheProfileKeepsItsNumber) {
  const std::wstring typed = GetParam().text;
  ASSERT_TRUE(dialog_->TypePlan(typed));
  ASSERT_TRUE(dialog_->ClickOk());

  const auto box = driver::FindMessageBox(run_->process_id());
  ASSERT_TRUE(box) << "no message box was shown";
  ExpectStopBox(*box, L"Unknown Plan", dialog_->window());
  EXPECT_TRUE(Contains(box->Text(), L"\"" + typed + L"\""));
  EXPECT_TRUE(Contains(box->Text(), L"list"));
  DismissAndExpectDialogAsBefore(*box, typed, dialog_->ok());

  ASSERT_TRUE(dialog_->PressKey(VK_ESCAPE));
  ExpectEnded(*run_, ExitCode::kClosed);
}

INSTANTIATE_TEST_SUITE_P(Texts, UnknownPlan,
                         ::testing::Values(UnknownText{"OtherCase", L"sorvel 25"},
                                           UnknownText{"OneBlank", L" "},
                                           UnknownText{"FirstWordOnly", L"Sorvel"},
                                           UnknownText{"TrailingBlank", L"Sorvel 25 "},
                                           UnknownText{"LeadingBlank", L" Sorvel 10"},
                                           UnknownText{"NonAscii", L"S\u00f6rvel 25"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace planchoice::testing
