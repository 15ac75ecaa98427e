// Unit tables, conversions, unit names and texts, and the shown form of stored lines.
#include "app/recipes/units.h"

#include <gtest/gtest.h>

#include "app/recipes/memory_catalog.h"

namespace kw {
namespace {

class UnitsTest : public ::testing::Test {
  protected:
    UnitsTest() {
        catalog_.Put({"Flour", kWeight, 1, 3.4f, 0.001f, 'X', true, ""});
        catalog_.Put({"Milk", kVolume, 1, 0.6f, 0.0008f, 'D', false, ""});
        catalog_.Put({"Egg", kItems, 0, 80.0f, 0.25f, 'X', false, ""});
    }
    UnitContext Context(int units, int decimal = 1, int exact = 0) {
        return UnitContext{NumberSettings{units, decimal, exact}, catalog_, sink_};
    }

    MemoryIngredientCatalog catalog_;
    RecordingSink sink_;
};

TEST_F(UnitsTest, FactorsAreTheExactDoublesOfTheirLiteralsAndFractions) {
    EXPECT_EQ(UnitFactor(kMetric, kWeight, 0), 0.001);
    EXPECT_EQ(UnitFactor(kMetric, kVolume, 2), 1.0 / 15);
    EXPECT_EQ(UnitFactor(kUkImperial, kWeight, 1), 0.035273962);
    EXPECT_EQ(UnitFactor(kUkImperial, kVolume, 0), 0.001754386);
    EXPECT_EQ(UnitFactor(kUsImperial, kVolume, 0), 1.0 / 473);
    EXPECT_EQ(UnitFactor(kUsImperial, kVolume, 1), 1.0 / 236.588);
    EXPECT_EQ(UnitFactor(kUsImperial, kVolume, 2), 0.0625);
    // No unit, no factor.
    EXPECT_EQ(UnitFactor(kMetric, kWeight, 2), 0.0);
    EXPECT_EQ(UnitFactor(kMetric, kItems, 0), 0.0);
    EXPECT_EQ(UnitFactor(kMetric, kVolume, 4), 0.0);
    EXPECT_EQ(UnitFactor(3, kVolume, 0), 0.0);
    EXPECT_STREQ(UnitTableEntry(kUsImperial, kVolume, 1), "cup");
    EXPECT_STREQ(UnitTableEntry(kUkImperial, kVolume, 1), "fl-oz");
    EXPECT_STREQ(UnitTableEntry(kMetric, kWeight, 3), "");
}

TEST_F(UnitsTest, ConversionsBetweenUnitsAndBaseAmounts) {
    NumberSettings metric{kMetric, 1, 0};
    NumberSettings uk{kUkImperial, 1, 0};
    EXPECT_DOUBLE_EQ(ConvertAmount(metric, kVolume, 0, 1, 1.0), 1000.0);
    EXPECT_DOUBLE_EQ(ConvertAmount(metric, kItems, 0, 1, 3.0), 3.0);
    EXPECT_DOUBLE_EQ(ConvertAmount(metric, kWeight, 4, 1, 3.0), 3.0);
    EXPECT_DOUBLE_EQ(ConvertAmount(metric, kWeight, -1, 1, 3.0), 3.0);
    EXPECT_DOUBLE_EQ(ToBaseAmount(metric, kWeight, 0, 1.5), 1500.0);
    EXPECT_DOUBLE_EQ(FromBaseAmount(metric, kWeight, 0, 1500.0), 1.5);
    EXPECT_NEAR(ToBaseAmount(uk, kVolume, 0, 1.0), 570.0, 1e-4);  // a UK pint
    EXPECT_NEAR(ToBaseAmount(uk, kWeight, 1, 1.0), 28.349523, 1e-6);
    EXPECT_DOUBLE_EQ(ToBaseAmount(metric, kItems, 0, 3.0), 3.0);
    EXPECT_DOUBLE_EQ(ToBaseAmount(metric, kVolume, kUnspecifiedChoice, 3.0), 3.0);
}

TEST_F(UnitsTest, WeightChoiceWithoutUnitLeavesAmountsUnchangedInsteadOfDividingByZero) {
    NumberSettings metric{kMetric, 1, 0};
    EXPECT_DOUBLE_EQ(ToBaseAmount(metric, kWeight, 2, 5.0), 5.0);
    EXPECT_DOUBLE_EQ(FromBaseAmount(metric, kWeight, 3, 5.0), 5.0);
    EXPECT_DOUBLE_EQ(ConvertAmount(metric, kWeight, 2, 1, 5.0), 5.0);
    EXPECT_EQ(UnitName(metric, kWeight, 2, false, false), "-");
}

TEST_F(UnitsTest, UnitSystemOutOfRangeCountsAsMetric) {
    NumberSettings odd{7, 1, 0};
    EXPECT_DOUBLE_EQ(ToBaseAmount(odd, kWeight, 0, 1.0), 1000.0);
    EXPECT_EQ(UnitName(odd, kVolume, 0, false, false), "ltr");
    EXPECT_EQ(ParseUnit(Context(-1), "Flour", "kg", false).choice, 0);
}

TEST_F(UnitsTest, MergingTakesTheSmallerChoiceAndIgnoresNoAmount) {
    NumberSettings metric{kMetric, 1, 0};
    MergedAmount m = MergeAmounts(metric, kWeight, 0, 1.0, 1, 500.0);
    EXPECT_EQ(m.choice, 0);
    EXPECT_DOUBLE_EQ(m.amount, 1.5);
    m = MergeAmounts(metric, kWeight, 1, 200.0, 0, 1.0);
    EXPECT_EQ(m.choice, 0);
    EXPECT_DOUBLE_EQ(m.amount, 1.2);
    m = MergeAmounts(metric, kWeight, kUnspecifiedChoice, 7.0, 1, 200.0);
    EXPECT_EQ(m.choice, 1);
    EXPECT_DOUBLE_EQ(m.amount, 200.0);
}

TEST_F(UnitsTest, UnitNamesForItemsAndInvalidChoices) {
    NumberSettings metric{kMetric, 1, 0};
    EXPECT_EQ(UnitName(metric, kItems, 0, true, false), "item");
    EXPECT_EQ(UnitName(metric, kItems, 0, false, false), "items");
    EXPECT_EQ(UnitName(metric, kItems, 0, true, true), "item(s)");
    EXPECT_EQ(UnitName(metric, kVolume, 3, false, false), "tsp");
    EXPECT_EQ(UnitName(metric, kVolume, kUnspecifiedChoice, false, false), "-");
    EXPECT_EQ(UnitName(metric, 3, 0, false, false), "-");
    EXPECT_EQ(UnitName(metric, kWeight, -1, false, false), "-");
}

TEST_F(UnitsTest, ParseUnitIgnoresCaseAndTakesOtherSystemsAsItems) {
    struct Case {
        int units;
        const char *text;
        int kind;
        int choice;
        int result;
    };
    const Case cases[] = {
        {kMetric, "KG", kWeight, 0, 0},
        {kMetric, "Kg", kWeight, 0, 0},
        {kMetric, "kg", kWeight, 0, 0},
        {kMetric, "g", kWeight, 1, 0},
        {kMetric, "oz", kItems, 0, -1},
        {kUkImperial, "Oz", kWeight, 1, 0},
        {kUkImperial, "FL-OZ", kVolume, 1, 0},
        {kUkImperial, "cup", kItems, 0, -1},
        {kUsImperial, "cup", kVolume, 1, 0},
        {kUsImperial, "TSP", kVolume, 3, 0},
        {kMetric, "item(s)", kItems, 0, 0},
        {kMetric, "items", kItems, 0, 0},
        {kMetric, "item", kItems, 0, 0},
        {kMetric, "", kItems, 0, -1},
        {kMetric, "pinch", kItems, 0, -1},
        {kMetric, "-", kWeight, kUnspecifiedChoice, 1},  // Flour is weighed
    };
    for (const auto &c : cases) {
        UnitParse p = ParseUnit(Context(c.units), "Flour", c.text, false);
        EXPECT_EQ(p.kind, c.kind) << c.text << " in system " << c.units;
        EXPECT_EQ(p.choice, c.choice) << c.text << " in system " << c.units;
        EXPECT_EQ(p.result, c.result) << c.text << " in system " << c.units;
    }
    EXPECT_TRUE(sink_.Messages().empty());  // no warnings asked for
}

TEST_F(UnitsTest, CupsChosenFromTheUnitListIsACupWhereTheSystemHasOne) {
    UnitParse p = ParseUnit(Context(kUsImperial), "Milk", "cups", false);
    EXPECT_EQ(p.kind, kVolume);
    EXPECT_EQ(p.choice, 1);
    EXPECT_EQ(p.result, 0);
    // Metric has no cup: still items.
    EXPECT_EQ(ParseUnit(Context(kMetric), "Milk", "cups", false).result, -1);
}

TEST_F(UnitsTest, WarningsGoThroughTheSink) {
    ParseUnit(Context(kMetric), "Flour", "oz", true);
    ASSERT_EQ(sink_.Ids(), std::vector<int>{1704});
    EXPECT_EQ(sink_.Messages()[0].text, "Unit 'oz' unknown - assuming \"Item(s)\" instead.");
    EXPECT_EQ(sink_.Messages()[0].icon, Icon::kNone);
    sink_.Clear();

    UnitParse p = ParseUnit(Context(kMetric), "Saffron", "-", true);
    EXPECT_EQ(p.kind, kWeight);
    EXPECT_EQ(p.choice, kUnspecifiedChoice);
    ASSERT_EQ(sink_.Ids(), std::vector<int>{604});
    EXPECT_EQ(sink_.Messages()[0].text, "Unknown Ingredient 'Saffron'");
    EXPECT_EQ(sink_.Messages()[0].icon, Icon::kExclamation);
    sink_.Clear();

    EXPECT_EQ(IngredientMeasureKind(catalog_, sink_, "MILK", true), kVolume);
    EXPECT_EQ(IngredientMeasureKind(catalog_, sink_, "Saffron", false), kWeight);
    EXPECT_TRUE(sink_.Messages().empty());
}

TEST_F(UnitsTest, StoredLineOf500GramsShownInEachSystem) {
    StoredIngredientLine line{500.0f, 1, kWeight, "sifted"};
    struct Case {
        int units;
        int decimal;
        int exact;
        const char *quantity;
        const char *unit;
    };
    const Case cases[] = {
        {kMetric, 1, 0, "500", "g"},
        {kUkImperial, 1, 0, "18", "oz"},
        {kUkImperial, 1, 1, "17.64", "oz"},
        {kUsImperial, 0, 0, "18", "oz"},
    };
    for (const auto &c : cases) {
        IngredientLineText text =
            FormatIngredientLine(Context(c.units, c.decimal, c.exact), line, "Flour", false);
        EXPECT_EQ(text.quantity, c.quantity) << "system " << c.units << " exact " << c.exact;
        EXPECT_EQ(text.unit, c.unit);
        EXPECT_EQ(text.preparation, "sifted");
    }
}

TEST_F(UnitsTest, StoredLinesOfItemsNoAmountAndOwnKind) {
    auto show = [&](StoredIngredientLine line, const char *name, bool items_spelling) {
        IngredientLineText t = FormatIngredientLine(Context(kMetric), line, name, items_spelling);
        return t.quantity + "|" + t.unit;
    };
    EXPECT_EQ(show({1.0f, 0, kItems, ""}, "Egg", false), "1|item");
    EXPECT_EQ(show({1.01f, 0, kItems, ""}, "Egg", false), "1.01|items");
    EXPECT_EQ(show({2.5f, 0, kItems, ""}, "Egg", false), "2.5|items");  // items are exact
    EXPECT_EQ(show({3.0f, 0, kItems, ""}, "Egg", true), "3|item(s)");
    EXPECT_EQ(show({0.0f, kUnspecifiedChoice, kWeight, ""}, "Flour", false), "-|-");
    EXPECT_EQ(show({250.0f, 1, kOwnMeasureKind, ""}, "Milk", false), "250|ml");
    EXPECT_EQ(show({1500.0f, 0, kVolume, ""}, "Milk", false), "1.5|ltr");
    EXPECT_TRUE(sink_.Messages().empty());
    // The own kind of an unknown ingredient is weight, with a warning.
    EXPECT_EQ(show({250.0f, 1, kOwnMeasureKind, ""}, "Saffron", false), "250|g");
    EXPECT_EQ(sink_.Ids(), std::vector<int>{604});
}

}  // namespace
}  // namespace kw
