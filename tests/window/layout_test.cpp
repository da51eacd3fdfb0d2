#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
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

// A length of the design at `dpi`, to the nearest pixel, halves away from zero.
int Rounded(int design_pixels, unsigned dpi) {
  return static_cast<int>(std::lround(design_pixels * dpi / 96.0));
}

// The table's numbers themselves, so that a wrong one cannot pass the
// proportional checks below unseen.
TEST(LayoutAt96Dpi, IsTheDesignedOne) {
  EXPECT_EQ(Scale(DesignedRect(control::Label1), 96), (PixelRect{16, 16, 193, 41}));
  EXPECT_EQ(Scale(DesignedRect(control::Plan), 96), (PixelRect{208, 24, 89, 21}));
  EXPECT_EQ(Scale(DesignedRect(control::OK), 96), (PixelRect{112, 72, 105, 33}));
  EXPECT_EQ(Scale(kClientSize, 96).width, 426);
  EXPECT_EQ(Scale(kClientSize, 96).height, 122);
}

TEST(LayoutAt144Dpi, RoundsHalfPixelsUp) {
  EXPECT_EQ(Scale(DesignedRect(control::Label1), 144), (PixelRect{24, 24, 290, 62}));
  EXPECT_EQ(Scale(DesignedRect(control::OK), 144), (PixelRect{168, 108, 158, 50}));
  EXPECT_EQ(FontHeight(kFonts[kLabel1Font].centipoints, 144), -20);
  EXPECT_EQ(FontHeight(kFonts[kDialogFont].centipoints, 144), -16);
}

class LayoutAtEachDpi : public ::testing::TestWithParam<unsigned> {};

TEST_P(LayoutAtEachDpi, GrowsInProportionRoundingToTheNearestPixel) {
  const unsigned dpi = GetParam();
  for (const ControlDesign& design : kControls) {
    const PixelRect& rect = design.rect;
    EXPECT_EQ(Scale(rect, dpi), (PixelRect{Rounded(rect.left, dpi), Rounded(rect.top, dpi),
                                           Rounded(rect.width, dpi), Rounded(rect.height, dpi)}))
        << "control " << design.id;
    EXPECT_EQ(Scale(design.list_height, dpi), Rounded(design.list_height, dpi));
  }
  EXPECT_EQ(Scale(kClientSize, dpi).width, Rounded(kClientSize.width, dpi));
  EXPECT_EQ(Scale(kClientSize, dpi).height, Rounded(kClientSize.height, dpi));
  for (const FontDesign& font : kFonts) {
    // Points are 1/72 inch; the height is the character's, so negative.
    EXPECT_EQ(FontHeight(font.centipoints, dpi),
              -static_cast<int>(std::lround(font.centipoints * dpi / 7200.0)))
        << "font " << &font - kFonts;
  }
}

INSTANTIATE_TEST_SUITE_P(CommonSettings, LayoutAtEachDpi, ::testing::Values(96u, 120u, 144u, 192u),
                         [](const auto& info) { return std::to_string(info.param) + "Dpi"; });

}  // namespace
}  // namespace planchoice
