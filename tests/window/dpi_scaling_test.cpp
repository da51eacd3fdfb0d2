// The dialog on screens of 96 DPI and more: the whole layout grows with it,
// the question's letters too.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "driver/screen_pixels.h"
#include "driver/system_dpi.h"
#include "driver/window_query.h"
#include "support/under_wine.h"
#include "window_fixture.h"

namespace planchoice::testing {
namespace {

class DialogAtEachDpi : public WindowTest, public ::testing::WithParamInterface<unsigned> {
 protected:
  int Scaled(int design_pixels) const {
    return static_cast<int>(std::lround(design_pixels * GetParam() / 96.0));
  }
  // The question's letters, from the top of the highest to the bottom of the
  // lowest, as high as its 9.75 points at this DPI.
  int AskedLetterHeight() const { return static_cast<int>(std::lround(9.75 * GetParam() / 72)); }
};

TEST_P(DialogAtEachDpi, ScalesEveryPlaceAndSize) {
  if (!UnderWine()) {
    GTEST_SKIP() << "Windows takes a new DPI only at sign-in";
  }
  WriteProfile();
  std::optional<driver::ProgramRun> run;
  std::optional<driver::PlanDialog> dialog;
  {
    // Held until the program has shown its window, and so read the setting.
    const driver::SystemDpiSetting dpi(GetParam());
    run.emplace(program_, L" " + Directory());
    dialog = driver::PlanDialog::Find(run->process_id());
  }
  ASSERT_TRUE(dialog) << "the dialog was not shown";

  EXPECT_TRUE(IsAt(driver::ClientRect(dialog->window()), 0, 0, Scaled(426), Scaled(122)));
  EXPECT_TRUE(
      IsAt(driver::RectInParent(dialog->label()), Scaled(16), Scaled(16), Scaled(193), Scaled(41)))
      << "Label1";
  EXPECT_TRUE(
      IsAt(driver::RectInParent(dialog->plan()), Scaled(208), Scaled(24), Scaled(89), Scaled(21)))
      << "Plan";
  EXPECT_TRUE(
      IsAt(driver::RectInParent(dialog->ok()), Scaled(112), Scaled(72), Scaled(105), Scaled(33)))
      << "OK";

  std::vector<driver::DrawnLine> question;
  // The window may be shown a moment before its controls are drawn.
  driver::WaitUntil([&] {
    question = driver::DrawnLines(dialog->label());
    return question.size() == 2;
  });
  ASSERT_EQ(question.size(), 2u) << "the question's lines";
  EXPECT_LE(std::abs(question[0].height - AskedLetterHeight()), 1)
      << "the question is drawn " << question[0].height << " px high, not " << AskedLetterHeight();
  EXPECT_EQ(question[0].words, 5) << "the question's first line ends elsewhere than after \"you\"";

  dialog->ClickCloseBox();
  EXPECT_EQ(run->WaitForExit(), ExitCode::kClosed);
}

INSTANTIATE_TEST_SUITE_P(Settings, DialogAtEachDpi, ::testing::Values(96u, 120u, 144u, 192u),
                         [](const auto& info) { return std::to_string(info.param) + "Dpi"; });

}  // namespace
}  // namespace planchoice::testing
