// The dialog on screens of 96 DPI and more: the whole layout grows with it,
// the question's letters too.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "dialog/design.h"
#include "driver/screen_pixels.h"
#include "driver/system_dpi.h"
#include "support/under_wine.h"
#include "window_fixture.h"

namespace planchoice::testing {
namespace {

class DialogAtEachDpi : public ShownDialogTest, public ::testing::WithParamInterface<unsigned> {
 protected:
  void SetUp() override {
    if (!UnderWine()) {
      GTEST_SKIP() << "Windows takes a new DPI only at sign-in";
    }
    // Held until the program has shown its window, and so read the setting.
    const driver::SystemDpiSetting dpi(GetParam());
    ShownDialogTest::SetUp();
  }

  // The question's letters, from the top of the highest to the bottom of the
  // lowest, as high as its font's points at this DPI.
  int AskedLetterHeight() const {
    return static_cast<int>(std::lround(kFonts[kLabel1Font].centipoints * GetParam() / 7200.0));
  }
};

TEST_P(DialogAtEachDpi, ScalesEveryPlaceAndSize) {
  ExpectLayoutAt(*dialog_, GetParam());

  std::vector<driver::DrawnLine> question;
  // The window may be shown a moment before its controls are drawn.
  WaitUntil([&] {
    question = driver::DrawnLines(dialog_->label());
    return question.size() == 2;
  });
  ASSERT_EQ(question.size(), 2u) << "the question's lines";
  EXPECT_LE(std::abs(question[0].height - AskedLetterHeight()), 1)
      << "the question is drawn " << question[0].height << " px high, not " << AskedLetterHeight();
  EXPECT_EQ(question[0].words, 5) << "the question's first line ends elsewhere than after \"you\"";

  dialog_->ClickCloseBox();
  EXPECT_EQ(run_->WaitForExit(), ExitCode::kClosed);
}

INSTANTIATE_TEST_SUITE_P(Settings, DialogAtEachDpi, ::testing::Values(96u, 120u, 144u, 192u),
                         [](const auto& info) { return std::to_string(info.param) + "Dpi"; });

}  // namespace
}  // namespace planchoice::testing
