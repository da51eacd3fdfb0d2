// The dialog as it is first shown, at 96 DPI.
#include <gtest/gtest.h>

#include <vector>

#include "driver/window_query.h"
#include "platform/owner.h"
#include "window_fixture.h"

namespace planchoice::testing {
namespace {

using DialogAsShown = ShownDialogTest;

TEST_F(DialogAsShown, HasItsCaptionAndQuestion) {
  EXPECT_EQ(dialog_->Caption(), L"Kelvarin Plan Choice");
  EXPECT_EQ(driver::Text(dialog_->label()), L"Which plan are have you registered with Kelvarin?");
  EXPECT_EQ(driver::Text(dialog_->ok()), L"OK");
}

TEST_F(DialogAsShown, IsMadeOfStandardControls) {
  EXPECT_EQ(driver::ClassName(dialog_->label()), L"Static");
  EXPECT_EQ(driver::ClassName(dialog_->plan()), L"ComboBox");
  EXPECT_EQ(driver::ClassName(dialog_->ok()), L"Button");
  EXPECT_EQ(driver::Style(dialog_->plan()) & 0x3, CBS_DROPDOWN);
  EXPECT_EQ(driver::Style(dialog_->ok()) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
}

TEST_F(DialogAsShown, StartsWithAnEmptyPlanAndNoSelection) {
  EXPECT_EQ(dialog_->PlanText(), L"");
  EXPECT_EQ(dialog_->Selection(), CB_ERR);
}

TEST_F(DialogAsShown, ListsTheFourPlansInOrder) {
  EXPECT_EQ(dialog_->PlanList(),
            (std::vector<std::wstring>{L"Sorvel 10", L"Sorvel 25", L"Sorvel 60", L"Sorvel Ever"}));
}

TEST_F(DialogAsShown, StartsWithTheFocusInPlanAndTabsBetweenPlanAndOk) {
  ASSERT_TRUE(WaitUntil([&] { return dialog_->FocusIsInPlan(); }));
  ASSERT_TRUE(dialog_->PressKey(VK_TAB));
  EXPECT_TRUE(WaitUntil([&] { return dialog_->FocusIsOnOk(); }));
  ASSERT_TRUE(dialog_->PressKey(VK_TAB));
  EXPECT_TRUE(WaitUntil([&] { return dialog_->FocusIsInPlan(); }));
}

TEST_F(DialogAsShown, PlacesItsControlsAsDesigned) {
  const ScreenDcOwner screen(::GetDC(nullptr));
  ASSERT_EQ(::GetDeviceCaps(screen.get(), LOGPIXELSY), 96) << "the design sizes hold at 96 DPI";
  ExpectLayoutAt(*dialog_, 96);
  // The design's own numbers, whatever the table says.
  const RECT client = driver::ClientRect(dialog_->window());
  EXPECT_EQ(client.right - client.left, 426);
  EXPECT_EQ(client.bottom - client.top, 122);
  EXPECT_TRUE(IsAt(driver::RectInParent(dialog_->ok()), 112, 72, 105, 33)) << "OK";
}

TEST_F(DialogAsShown, HasAFixedFrameWithOnlyACloseBox) {
  const LONG_PTR style = driver::Style(dialog_->window());
  EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
  EXPECT_EQ(style & WS_SYSMENU, WS_SYSMENU);
  EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX | WS_MINIMIZEBOX), 0);
}

TEST_F(DialogAsShown, IsCentredOnTheScreen) {
  RECT frame{};
  ::GetWindowRect(dialog_->window(), &frame);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  ::GetMonitorInfoW(::MonitorFromWindow(dialog_->window(), MONITOR_DEFAULTTONEAREST), &monitor);
  const RECT& area = monitor.rcWork;
  EXPECT_LE(std::abs((frame.left - area.left) - (area.right - frame.right)), 1);
  EXPECT_LE(std::abs((frame.top - area.top) - (area.bottom - frame.bottom)), 1);
}

}  // namespace
}  // namespace planchoice::testing
