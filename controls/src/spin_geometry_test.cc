// Layout and hit-testing of the arrow buttons.
#include "spin_geometry.h"

#include <gtest/gtest.h>

#include "kwctrl_defs.h"

namespace kw::ctrl {
namespace {

TEST(SpinGeometryTest, TimeModeHasHoursAtTheLeftAndMinutesAtTheRight) {
    SpinLayout time = LayoutSpin(KWSS_TIME, 100, 21);
    EXPECT_EQ(time.left.x, 0);
    EXPECT_EQ(time.left.width, 17);
    EXPECT_EQ(time.edit.x, 17);
    EXPECT_EQ(time.edit.width, 100 - 34);
    EXPECT_EQ(time.right.x, 83);
    EXPECT_EQ(time.right.width, 17);
    SpinLayout number = LayoutSpin(0, 100, 21);
    EXPECT_TRUE(number.left.Empty());
    EXPECT_EQ(number.edit.x, 0);
    EXPECT_EQ(number.edit.width, 83);
    // Too narrow: nothing gets a negative size.
    SpinLayout tiny = LayoutSpin(KWSS_TIME, 20, 10);
    EXPECT_GE(tiny.edit.width, 0);
    EXPECT_EQ(tiny.right.x + tiny.right.width, 20);
}

TEST(SpinGeometryTest, HitTestsHalves) {
    const int w = 100, h = 21;
    EXPECT_EQ(HitTestSpin(KWSS_TIME, w, h, 90, 2), KWSB_RIGHTFIRST);
    EXPECT_EQ(HitTestSpin(KWSS_TIME, w, h, 90, 9), KWSB_RIGHTFIRST);
    EXPECT_EQ(HitTestSpin(KWSS_TIME, w, h, 90, 10), KWSB_RIGHTSECOND);  // odd pixel: second
    EXPECT_EQ(HitTestSpin(KWSS_TIME, w, h, 5, 2), KWSB_LEFTFIRST);
    EXPECT_EQ(HitTestSpin(KWSS_TIME, w, h, 16, 20), KWSB_LEFTSECOND);
    EXPECT_EQ(HitTestSpin(KWSS_TIME, w, h, 50, 5), 0u);
    EXPECT_EQ(HitTestSpin(0, w, h, 5, 5), 0u);
    EXPECT_EQ(HitTestSpin(KWSS_TIME, w, h, 100, 5), 0u);
    // Left/right arrows split each button across.
    unsigned horizontal = KWSS_TIME | KWSS_HORIZONTAL;
    EXPECT_EQ(HitTestSpin(horizontal, w, h, 83 + 7, 20), KWSB_RIGHTFIRST);
    EXPECT_EQ(HitTestSpin(horizontal, w, h, 83 + 8, 0), KWSB_RIGHTSECOND);
    EXPECT_EQ(ArrowFor(horizontal, KWSB_LEFTFIRST), ArrowDirection::kLeft);
    EXPECT_EQ(ArrowFor(KWSS_TIME, KWSB_RIGHTSECOND), ArrowDirection::kDown);
}

TEST(SpinGeometryTest, TrianglesStayInsideTheirHalfAndShiftWhenPressed) {
    SpinRect half{83, 0, 17, 10};
    SpinTriangle up = ArrowTriangle(half, ArrowDirection::kUp, false);
    EXPECT_LT(up.points[0].y, up.points[1].y);  // apex above the base
    EXPECT_EQ(up.points[1].y, up.points[2].y);
    EXPECT_EQ(up.points[0].x * 2, up.points[1].x + up.points[2].x);
    for (const SpinPoint &p : up.points)
        EXPECT_TRUE(half.Contains(p.x, p.y));
    SpinTriangle pressed = ArrowTriangle(half, ArrowDirection::kUp, true);
    EXPECT_EQ(pressed.points[0].x, up.points[0].x + 1);
    EXPECT_EQ(pressed.points[0].y, up.points[0].y + 1);
    SpinTriangle right = ArrowTriangle({0, 0, 8, 21}, ArrowDirection::kRight, false);
    EXPECT_GT(right.points[0].x, right.points[1].x);  // apex to the right of the base
    SpinTriangle small = ArrowTriangle({0, 0, 2, 1}, ArrowDirection::kDown, false);
    EXPECT_EQ(small.points[1].x, small.points[2].x);
}

}  // namespace
}  // namespace kw::ctrl
