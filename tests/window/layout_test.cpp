#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

#include "dialog/controls.h"

namespace planchoice {

// For the checks below; found by argument lookup, so outside the unnamed namespace.
bool operator==(const PixelRect& a, const PixelRect& b) {
  return a.left == b.left && a.top == b.top && a.width == b.width && a.height == b.height;
}

void PrintTo(const PixelRect& rect, std::ostream* out) {
  *out << "{" << rect.left << ", " << rect.top << ", " << rect.width << ", " << rect.height << "}";
}

namespace {

PixelRect DesignedRect(int id) {
  return std::find_if(std::begin(kControls), std::end(kControls),
                      [id](const ControlDesign& design) { return design.id == id; })
      ->rect;
}

const PixelRect kLabel1Rect = DesignedRect(control::Label1);
const PixelRect kPlanRect = DesignedRect(control::Plan);
const PixelRect kOkRect = DesignedRect(control::OK);

TEST(LayoutAt96Dpi, IsTheDesignedOne) {
  EXPECT_EQ(Scale(kLabel1Rect, 96), (PixelRect{16, 16, 193, 41}));
  EXPECT_EQ(Scale(kPlanRect, 96), (PixelRect{208, 24, 89, 21}));
  EXPECT_EQ(Scale(kOkRect, 96), (PixelRect{112, 72, 105, 33}));
  EXPECT_EQ(Scale(kClientSize, 96).width, 426);
  EXPECT_EQ(Scale(kClientSize, 96).height, 122);
}

struct ScaledLayout {
  unsigned dpi;
  PixelRect label1;
  PixelRect ok;
  int label1_font_height;
  int dialog_font_height;
};

class LayoutAtOtherDpi : public ::testing::TestWithParam<ScaledLayout> {};

TEST_P(LayoutAtOtherDpi, GrowsInProportionRoundingToTheNearestPixel) {
  const ScaledLayout& expected = GetParam();
  EXPECT_EQ(Scale(kLabel1Rect, expected.dpi), expected.label1);
  EXPECT_EQ(Scale(kOkRect, expected.dpi), expected.ok);
  EXPECT_EQ(FontHeight(kFonts[kLabel1Font].centipoints, expected.dpi), expected.label1_font_height);
  EXPECT_EQ(FontHeight(kFonts[kDialogFont].centipoints, expected.dpi), expected.dialog_font_height);
}

INSTANTIATE_TEST_SUITE_P(
    CommonSettings, LayoutAtOtherDpi,
    ::testing::Values(ScaledLayout{120, {20, 20, 241, 51}, {140, 90, 131, 41}, -16, -13},
                      ScaledLayout{144, {24, 24, 290, 62}, {168, 108, 158, 50}, -20, -16},
                      ScaledLayout{192, {32, 32, 386, 82}, {224, 144, 210, 66}, -26, -21}),
    [](const auto& info) { return std::to_string(info.param.dpi) + "Dpi"; });

}  // namespace
}  // namespace planchoice
