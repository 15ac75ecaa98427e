// Calories and cost per serving from the ingredient grid.
#include "app/recipes/nutrition.h"

#include <gtest/gtest.h>

#include <limits>

#include "app/recipes/memory_catalog.h"

namespace kw {
namespace {

class NutritionTest : public ::testing::Test {
  protected:
    NutritionTest() {
        catalog_.Put({"Rice", kWeight, 1, 2.5f, 0.004f, 'X', false, ""});
        catalog_.Put({"Beans", kWeight, 1, 1.0f, 0.005f, 'P', false, ""});
        catalog_.Put({"Milk", kVolume, 1, 0.6f, 0.001f, 'D', false, ""});
        catalog_.Put({"Egg", kItems, 0, 80.0f, 0.25f, 'X', false, ""});
        catalog_.Put({"Mystery", kWeight, 1, -1.0f, -1.0f, 'X', false, ""});
        // 0.99 per Kg as the ingredient form stores it: 0.99 x 0.001 as a 32-bit float.
        catalog_.Put(
            {"Sugar", kWeight, 0, 4.0f, static_cast<float>(0.99f * 0.001), 'X', false, ""});
    }
    UnitContext Context(int units = kMetric) {
        return UnitContext{NumberSettings{units, 1, 0}, catalog_, sink_};
    }
    void Lines(std::initializer_list<GridLine> lines) {
        grid_.Clear();
        for (const auto &l : lines)
            grid_.AppendLine(l);
        grid_.AppendLine({});  // the form always keeps an empty row for typing
    }

    MemoryIngredientCatalog catalog_;
    RecordingSink sink_;
    IngredientGrid grid_;
};

TEST_F(NutritionTest, CaloriesAreRoundedPerLineThenDividedByServing) {
    Lines({{"150", "g", "Rice", ""}});
    CalorieResult r = CalculateCalories(grid_, 4, 0, Context());
    EXPECT_EQ(r.calories, 93);  // trunc(375 + 0.5) / 4
    EXPECT_FALSE(r.unknown);
    EXPECT_TRUE(r.modified);
    EXPECT_TRUE(sink_.Messages().empty());
    // Servings 0: the whole recipe.
    r = CalculateCalories(grid_, 0, 375, Context());
    EXPECT_EQ(r.calories, 375);
    EXPECT_FALSE(r.modified);
    // Lines in other units are converted to base amounts first; items count each.
    Lines({{"0.15", "Kg", "Rice", ""}, {"2", "items", "Egg", ""}, {"1", "ltr", "Milk", ""}});
    EXPECT_EQ(CalculateCalories(grid_, 1, 0, Context()).calories, 375 + 160 + 600);
}

TEST_F(NutritionTest, CostIsCutToWholeHundredthsNotRounded) {
    Lines({{"333", "g", "Rice", ""}});
    CostResult r = CalculateCost(grid_, 1, -1.0f, Context());
    EXPECT_FLOAT_EQ(r.cost, 1.33f);
    EXPECT_EQ(r.text, "1.33");
    EXPECT_FALSE(r.unknown);
    EXPECT_TRUE(r.modified);
    Lines({{"333", "g", "Beans", ""}});
    r = CalculateCost(grid_, 1, 1.66f, Context());
    EXPECT_EQ(r.text, "1.66");  // 1.665
    EXPECT_FALSE(r.modified);
    Lines({{"333", "g", "Beans", ""}});
    EXPECT_EQ(CalculateCost(grid_, 2, 0.0f, Context()).text, "0.83");  // 0.8325
}

TEST_F(NutritionTest, CostOfExactlyWholeCentsDoesNotLoseACentToFloatError) {
    // 0.99 per Kg, 1 Kg: the 32-bit figures multiply to 0.98999995.
    Lines({{"1", "Kg", "Sugar", ""}});
    EXPECT_EQ(CalculateCost(grid_, 1, 0.0f, Context()).text, "0.99");
    Lines({{"2", "Kg", "Sugar", ""}});
    EXPECT_EQ(CalculateCost(grid_, 2, 0.0f, Context()).text, "0.99");
}

TEST_F(NutritionTest, LinesWithoutAmountCountAsNothingNotUnknown) {
    Lines({{"-", "-", "Rice", ""}, {"-", "-", "Saffron", ""}});
    CalorieResult c = CalculateCalories(grid_, 4, -1, Context());
    CostResult k = CalculateCost(grid_, 4, -1.0f, Context());
    EXPECT_EQ(c.calories, 0);
    EXPECT_FALSE(c.unknown);
    EXPECT_TRUE(c.modified);  // the "Unknown" box is cleared again
    EXPECT_EQ(k.text, "0.00");
    EXPECT_FALSE(k.unknown);
    EXPECT_TRUE(sink_.Messages().empty());
}

TEST_F(NutritionTest, EmptyTypingRowDoesNotMakeTheResultUnknown) {
    grid_.Clear();
    grid_.AppendLine({"100", "g", "Rice", ""});
    grid_.AppendLine({});
    grid_.AppendLine({});
    EXPECT_EQ(CalculateCalories(grid_, 1, 0, Context()).calories, 250);
    EXPECT_FALSE(CalculateCost(grid_, 1, 0.0f, Context()).unknown);
    EXPECT_TRUE(sink_.Messages().empty());
}

TEST_F(NutritionTest, UncountableLinesMakeBothUnknownWithTheirMessages) {
    struct Case {
        GridLine line;
        const char *why;
    };
    const Case cases[] = {
        {{"100", "ml", "Rice", ""}, "volume of a weighed ingredient"},
        {{"100", "g", "Saffron", ""}, "not in the catalogue"},
        {{"100", "g", "Mystery", ""}, "no figures"},
        {{"2", "pinch", "Rice", ""}, "unit taken as items"},
    };
    for (const auto &c : cases) {
        sink_.Clear();
        Lines({{"100", "g", "Rice", ""}, c.line});
        CalorieResult cal = CalculateCalories(grid_, 2, 125, Context());
        CostResult cost = CalculateCost(grid_, 2, 0.2f, Context());
        EXPECT_EQ(cal.calories, -1) << c.why;
        EXPECT_TRUE(cal.unknown) << c.why;
        EXPECT_TRUE(cal.modified) << c.why;
        EXPECT_EQ(cost.cost, -1.0f) << c.why;
        EXPECT_TRUE(cost.unknown) << c.why;
        ASSERT_EQ(sink_.Ids(), (std::vector<int>{504, 511})) << c.why;
        EXPECT_EQ(sink_.Messages()[0].icon, Icon::kExclamation);
        EXPECT_EQ(sink_.Messages()[1].icon, Icon::kExclamation);
    }
    EXPECT_EQ(sink_.Messages()[0].text.substr(0, 44),
              "Calorie calculation is incorrect because som");
}

TEST_F(NutritionTest, DamagedFiguresAreUnknownNotGarbage) {
    catalog_.Put({"Odd", kWeight, 1, std::numeric_limits<float>::quiet_NaN(),
                  std::numeric_limits<float>::infinity(), 'X', false, ""});
    Lines({{"100", "g", "Odd", ""}});
    EXPECT_TRUE(CalculateCalories(grid_, 1, 0, Context()).unknown);
    EXPECT_TRUE(CalculateCost(grid_, 1, 0.0f, Context()).unknown);
    // A huge amount saturates instead of overflowing.
    Lines({{"99999999999999999999", "g", "Rice", ""}});
    EXPECT_GT(CalculateCalories(grid_, 1, 0, Context()).calories, 0);
}

}  // namespace
}  // namespace kw
