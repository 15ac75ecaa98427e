// The progress window's range rule, clamping, filled width and bar text.
#include "app/core/progress_model.h"

#include <gtest/gtest.h>

#include <climits>

namespace kw {
namespace {

TEST(ProgressModelTest, RangeIsAlwaysLowBelowHigh) {
    ProgressModel model;
    model.SetRange(1, 1);
    EXPECT_EQ(model.Low(), 1);
    EXPECT_EQ(model.High(), 2);
    EXPECT_EQ(model.BarText(), "  0%");
    model.SetPosition(2);
    EXPECT_EQ(model.BarText(), "100%");
    model.SetRange(9, 3);
    EXPECT_EQ(model.Low(), 3);
    EXPECT_EQ(model.High(), 9);
    EXPECT_EQ(model.Position(), 3);
    model.SetRange(0, 8);  // the search: 0 to twice the criteria
    EXPECT_EQ(model.High(), 8);
}

// Regression: a range of INT_MAX to INT_MAX overflowed when high became low + 1.
TEST(ProgressModelTest, EqualBoundsAtTheTopOfTheIntRangeDoNotOverflow) {
    ProgressModel model;
    model.SetRange(INT_MAX, INT_MAX);
    EXPECT_EQ(model.Low(), INT_MAX - 1);
    EXPECT_EQ(model.High(), INT_MAX);
    model.SetRange(INT_MIN, INT_MAX);  // a span wider than int
    model.SetPosition(0);
    EXPECT_EQ(model.Percent(), 50);
    EXPECT_EQ(model.FilledWidth(INT_MAX), INT_MAX / 2);
}

TEST(ProgressModelTest, PositionsOutsideTheRangeDrawAsTheNearestEnd) {
    ProgressModel model;
    model.SetRange(1, 5);
    model.SetPosition(-100);
    EXPECT_EQ(model.Position(), 1);
    EXPECT_EQ(model.FilledWidth(200), 0);
    model.SetPosition(99);
    EXPECT_EQ(model.Position(), 5);
    EXPECT_EQ(model.FilledWidth(200), 200);
    EXPECT_EQ(model.BarText(), "100%");
}

TEST(ProgressModelTest, FractionsAreCutTowardZero) {
    ProgressModel model;
    model.SetRange(0, 100);
    model.SetPosition(29);
    EXPECT_EQ(model.BarText(), " 29%");  // 0.29 * 100 in floating point would give 28
    model.SetRange(1, 4);
    model.SetPosition(2);  // one third
    EXPECT_EQ(model.Percent(), 33);
    EXPECT_EQ(model.FilledWidth(100), 33);
    EXPECT_EQ(model.FilledWidth(2), 0);
    EXPECT_EQ(model.FilledWidth(-5), 0);
}

TEST(ProgressModelTest, BarTextPutsTheLabelBeforeAThreePlacePercentage) {
    ProgressModel model;
    model.SetRange(0, 10);
    model.SetPosition(5);
    EXPECT_EQ(model.BarText(), " 50%");
    model.SetLabel("Loading Recipes...");
    EXPECT_EQ(model.BarText(), "Loading Recipes...:  50%");
    model.SetPosition(10);
    EXPECT_EQ(model.BarText(), "Loading Recipes...: 100%");
}

}  // namespace
}  // namespace kw
