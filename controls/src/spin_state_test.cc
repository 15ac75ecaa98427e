// The control's state rules: ranges by mode, the main range, stepping, style bits, colours.
#include "spin_state.h"

#include <gtest/gtest.h>

namespace kw::ctrl {
namespace {

TEST(SpinStateTest, RangesByMode) {
    struct Row {
        unsigned style;
        int minimum, maximum, value;
    };
    for (Row row :
         {Row{0, 0, 9, 0}, Row{KWSS_TIME, 0, 99, 0}, Row{KWSS_TIME | KWSS_CLOCK, 0, 23, 0},
          Row{KWSS_TIME | KWSS_CLOCK | KWSS_12HOUR, 1, 24, 1},
          // 12-hour without the clock bit keeps the plain time range.
          Row{KWSS_TIME | KWSS_12HOUR, 0, 99, 0}, Row{KWSS_CLOCK, 0, 9, 0}}) {
        SpinState state = MakeSpinState(row.style);
        EXPECT_EQ(state.main.minimum, row.minimum) << row.style;
        EXPECT_EQ(state.main.maximum, row.maximum) << row.style;
        EXPECT_EQ(state.main.value, row.value) << row.style;
        EXPECT_EQ(state.minutes.maximum, 59);
        EXPECT_EQ(state.colors[KWSC_FRAME], KWSC_DEFAULT);
    }
    EXPECT_EQ(MakeSpinState(0x1FF).style, 0xFFu);
}

TEST(SpinStateTest, SetRangeMovesValuesNotStrictlyInside) {
    SpinState state = MakeSpinState(0);
    bool moved = false;
    EXPECT_FALSE(SetMainRange(&state, 5, 5, &moved));
    EXPECT_FALSE(SetMainRange(&state, 6, 5, &moved));
    EXPECT_EQ(state.main.maximum, 9);
    state.main.value = 9;
    ASSERT_TRUE(SetMainRange(&state, 1, 10, &moved));
    EXPECT_FALSE(moved);
    state.main.value = 10;
    ASSERT_TRUE(SetMainRange(&state, 1, 10, &moved));
    EXPECT_TRUE(moved);
    EXPECT_EQ(state.main.value, 5);
    state.main.value = 1;  // on the lower bound moves as well
    ASSERT_TRUE(SetMainRange(&state, 1, 10, &moved));
    EXPECT_EQ(state.main.value, 5);
    ASSERT_TRUE(SetMainRange(&state, INT_MAX - 2, INT_MAX, &moved));
    EXPECT_EQ(state.main.value, INT_MAX - 1);
}

TEST(SpinStateTest, StepsWithoutWrapAround) {
    SpinState state = MakeSpinState(KWSS_TIME);
    state.minutes.value = 58;
    EXPECT_TRUE(StepSpin(&state, KWSB_RIGHTFIRST));
    EXPECT_EQ(state.minutes.value, 59);
    EXPECT_TRUE(StepSpin(&state, KWSB_RIGHTFIRST));  // refreshes, stays
    EXPECT_EQ(state.minutes.value, 59);
    EXPECT_EQ(state.main.value, 0);
    EXPECT_TRUE(StepSpin(&state, KWSB_LEFTFIRST));
    EXPECT_EQ(state.main.value, 1);
    EXPECT_TRUE(StepSpin(&state, KWSB_LEFTSECOND));
    EXPECT_TRUE(StepSpin(&state, KWSB_LEFTSECOND));
    EXPECT_EQ(state.main.value, 0);
    // At a limit with the no-step bit nothing happens at all.
    state.style |= KWSS_NOSTEPATLIMIT;
    EXPECT_FALSE(StepSpin(&state, KWSB_LEFTSECOND));
    EXPECT_FALSE(StepSpin(&state, KWSB_RIGHTFIRST));
    EXPECT_TRUE(StepSpin(&state, KWSB_RIGHTSECOND));
    EXPECT_EQ(state.minutes.value, 58);
    EXPECT_FALSE(StepSpin(&state, 0));
}

TEST(SpinStateTest, ReverseSwapsTheHalvesAndNumberModeStepsTheMainPart) {
    SpinState state = MakeSpinState(KWSS_REVERSE);
    state.main.value = 5;
    EXPECT_EQ(PartForHalf(state.style, KWSB_RIGHTFIRST), SpinPartId::kMain);
    EXPECT_TRUE(StepSpin(&state, KWSB_RIGHTFIRST));
    EXPECT_EQ(state.main.value, 4);
    EXPECT_TRUE(SetStyleBit(&state, KWSS_REVERSE, false));
    EXPECT_FALSE(SetStyleBit(&state, KWSS_REVERSE, false));
    EXPECT_TRUE(StepSpin(&state, KWSB_RIGHTFIRST));
    EXPECT_EQ(state.main.value, 5);
}

TEST(SpinStateTest, ColoursOnlyForTheFiveIndexes) {
    SpinState state = MakeSpinState(0);
    EXPECT_EQ(SetSpinColor(&state, KWSC_ARROW, KWRGB(255, 0, 0)), KWSC_DEFAULT);
    EXPECT_EQ(GetSpinColor(state, KWSC_ARROW), 0x0000FF);
    EXPECT_EQ(SetSpinColor(&state, KWSC_ARROW, KWSC_DEFAULT), 0x0000FF);
    EXPECT_EQ(SetSpinColor(&state, 5, 123), 0);
    EXPECT_EQ(SetSpinColor(&state, -1, 123), 0);
    EXPECT_EQ(GetSpinColor(state, 5), 0);
}

}  // namespace
}  // namespace kw::ctrl
