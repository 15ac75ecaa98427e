// The ingredient form's figures per chosen unit, the labels and the type codes.
#include "app/recipes/ingredient_values.h"

#include <gtest/gtest.h>

#include "app/recipes/units.h"

namespace kw {
namespace {

const NumberSettings kMetricSettings{kMetric, 1, 0};
const NumberSettings kUkSettings{kUkImperial, 1, 0};

TEST(IngredientValuesTest, CostPerKgIsStoredPerGramAndShownBack) {
    ShownFigures shown;
    shown.kind = kWeight;
    shown.choice = 0;  // Kg
    shown.cost = 5.00f;
    shown.cost_unknown = false;
    shown.calories = 3640.0f;
    shown.calories_unknown = false;
    IngredientFigures stored = StoreFigures(kMetricSettings, shown);
    EXPECT_FLOAT_EQ(stored.cost, 0.005f);
    EXPECT_FLOAT_EQ(stored.calories, 3.64f);
    EXPECT_EQ(stored.units, kWeight);
    EXPECT_EQ(stored.opts, 0);

    ShownFigures reopened = ShowFigures(kMetricSettings, stored);
    EXPECT_EQ(FormatCost(reopened.cost), "5.00");
    EXPECT_FALSE(reopened.cost_unknown);
    EXPECT_EQ(reopened.choice, 0);

    // Grams: the calories follow the unit, the cost stays as typed (now per gram).
    ShownFigures grams = ChangeUnitChoice(kMetricSettings, reopened, 1);
    EXPECT_EQ(grams.choice, 1);
    EXPECT_FLOAT_EQ(grams.calories, 3.64f);
    EXPECT_FLOAT_EQ(grams.cost, 5.00f);
    EXPECT_FLOAT_EQ(StoreFigures(kMetricSettings, grams).cost, 5.00f);
}

TEST(IngredientValuesTest, CaloriesPerUkPintAreStoredPerMillilitre) {
    ShownFigures shown;
    shown.kind = kVolume;
    shown.choice = 0;  // Pints
    shown.calories = 570.0f;
    shown.calories_unknown = false;
    IngredientFigures stored = StoreFigures(kUkSettings, shown);
    EXPECT_NEAR(stored.calories, 1.0f, 1e-6);
    EXPECT_EQ(stored.cost, -1.0f);  // its box is checked
    EXPECT_EQ(PerLabel(kUkSettings, kVolume, 0), "/pt");
    EXPECT_EQ(PerLabel(kUkSettings, kVolume, 1), "/fl-oz");
}

TEST(IngredientValuesTest, ItemsAreStoredAsShown) {
    ShownFigures shown;
    shown.kind = kItems;
    shown.cost = 0.30f;
    shown.cost_unknown = false;
    EXPECT_FLOAT_EQ(StoreFigures(kMetricSettings, shown).cost, 0.30f);
    EXPECT_EQ(PerLabel(kMetricSettings, kItems, 0), "/Item");
    EXPECT_TRUE(IngredientUnitRadioTexts(kMetricSettings, kItems).empty());
}

TEST(IngredientValuesTest, KindChangeMakesBothFiguresUnknown) {
    ShownFigures shown = ShowFigures(kMetricSettings, {kVolume, 3, 1.0f, 0.002f});
    EXPECT_FLOAT_EQ(shown.calories, 5.0f);  // per tsp
    ShownFigures weighed = ChangeMeasureKind(shown, kWeight);
    EXPECT_TRUE(weighed.calories_unknown && weighed.cost_unknown);
    EXPECT_EQ(weighed.calories, 0.0f);
    EXPECT_EQ(weighed.choice, 0);  // tsp is no weight
    IngredientFigures stored = StoreFigures(kMetricSettings, weighed);
    EXPECT_EQ(stored.calories, -1.0f);
    EXPECT_EQ(stored.cost, -1.0f);
    // Clicking the kind that is already chosen changes nothing.
    EXPECT_FALSE(ChangeMeasureKind(shown, kVolume).calories_unknown);
}

TEST(IngredientValuesTest, DamagedStoredUnitsAndChoicesShowWithoutDividingByZero) {
    ShownFigures shown = ShowFigures(kMetricSettings, {kWeight, 3, 2.0f, -1.0f});
    EXPECT_EQ(shown.choice, 0);
    EXPECT_FLOAT_EQ(shown.calories, 2000.0f);  // per Kg
    EXPECT_TRUE(shown.cost_unknown);
    shown = ShowFigures(kMetricSettings, {9, kUnspecifiedChoice, 2.0f, 0.5f});
    EXPECT_EQ(shown.kind, kWeight);
    EXPECT_EQ(shown.choice, 0);
    shown = ShowFigures(kMetricSettings, {kVolume, -2, 1.0f, 1.0f});
    EXPECT_EQ(shown.choice, 0);  // negative choices count as 0
    EXPECT_FLOAT_EQ(shown.cost, 1000.0f);
}

TEST(IngredientValuesTest, RadioTextsAndTypeCodes) {
    EXPECT_EQ(IngredientUnitRadioTexts(kMetricSettings, kWeight),
              (std::vector<std::string>{"Kg", "Grams"}));
    EXPECT_EQ(IngredientUnitRadioTexts(kUkSettings, kVolume),
              (std::vector<std::string>{"Pints", "Fl Oz", "tbsp", "tsp"}));
    EXPECT_EQ(IngredientUnitRadioTexts(NumberSettings{kUsImperial, 0, 0}, kVolume)[1], "Cups");
    ASSERT_EQ(IngredientTypes().size(), 10u);
    for (size_t i = 1; i < IngredientTypes().size(); ++i)
        EXPECT_LT(std::string(IngredientTypes()[i - 1].text), IngredientTypes()[i].text);
    EXPECT_STREQ(IngredientTypes()[9].text, "Wine/Spirit");
    EXPECT_STREQ(IngredientTypeText('R'), "Fruit");
    EXPECT_STREQ(IngredientTypeText('Q'), "");
    EXPECT_EQ(IngredientTypeCode("Herb/Spice"), 'H');
    EXPECT_EQ(IngredientTypeCode("Spice"), '\0');
}

}  // namespace
}  // namespace kw
