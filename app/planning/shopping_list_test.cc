// Shopping list entries without the database: the alphabetical insertion, the merge rule with
// its unit conversion, free-text items, replacing the selected line, clearing and the count.
#include "app/planning/shopping_list.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "app/recipes/memory_catalog.h"

namespace kw::planning {
namespace {

using Entries = std::vector<std::string>;

class ShoppingListTest : public ::testing::Test {
  protected:
    ShoppingListTest() {
        for (const auto &[name, kind] :
             {std::pair{"Flour", kWeight}, std::pair{"Milk", kVolume}, std::pair{"Eggs", kItems}}) {
            IngredientRecord record;
            record.name = name;
            record.units = kind;
            catalog_.Put(record);
        }
        settings_.exact = 1;  // sums shown as they are, without the nice rounding
    }
    UnitContext Context() { return {settings_, catalog_, sink_}; }
    void Add(int kind, int choice, double amount, const std::string &name) {
        list_.AddLine(Context(), false, kind, choice, amount, name);
    }

    MemoryIngredientCatalog catalog_;
    RecordingSink sink_;
    NumberSettings settings_;
    ShoppingList list_{"Weekly", true};
};

TEST_F(ShoppingListTest, TwoHundredGramsOntoOneKiloGiveOnePointTwoKilos) {
    Add(kWeight, 0, 1.0, "Flour");
    Add(kWeight, 1, 200.0, "Flour");
    EXPECT_EQ(list_.Entries(), Entries{"1.2\tKg\tFlour"});
    // The other way round the kilograms win as well.
    Add(kWeight, 1, 300.0, "Sugar");
    Add(kWeight, 0, 1.0, "Sugar");
    EXPECT_EQ(list_.Entries(), (Entries{"1.2\tKg\tFlour", "1.3\tKg\tSugar"}));
    // Equal choices simply add.
    Add(kVolume, 1, 250.0, "Milk");
    Add(kVolume, 1, 250.0, "Milk");
    EXPECT_EQ(list_.Entries()[1], "500\tml\tMilk");

    // Shown with the nice rounding, the sum goes to the nearest quarter.
    settings_.exact = 0;
    Add(kWeight, 1, 100.0, "Flour");
    EXPECT_EQ(list_.Entries()[0], "1.25\tKg\tFlour");
}

TEST_F(ShoppingListTest, WeightAndVolumeLinesOfOneIngredientStayApart) {
    Add(kWeight, 1, 100.0, "Butter");
    Add(kVolume, 2, 2.0, "Butter");
    Add(kWeight, 1, 50.0, "Butter");
    // Equal names sort neither before nor after each other: the merged line goes first.
    EXPECT_EQ(list_.Entries(), (Entries{"150\tg\tButter", "2\ttbsp\tButter"}));
}

TEST_F(ShoppingListTest, NamesDifferingOnlyInCaseDoNotMergeButSitTogether) {
    Add(kWeight, 1, 100.0, "Apples");
    Add(kWeight, 1, 100.0, "Onions");
    Add(kWeight, 1, 100.0, "Zucchini");
    Add(kWeight, 1, 200.0, "onions");
    EXPECT_EQ(list_.Entries(),
              (Entries{"100\tg\tApples", "200\tg\tonions", "100\tg\tOnions", "100\tg\tZucchini"}));
}

TEST_F(ShoppingListTest, LinesGoInAlphabeticallyIgnoringCase) {
    for (const char *name : {"cherries", "Apples", "banana", "Dates", "apricots"})
        Add(kItems, 0, 2.0, name);
    EXPECT_EQ(list_.Entries(),
              (Entries{"2\titems\tApples", "2\titems\tapricots", "2\titems\tbanana",
                       "2\titems\tcherries", "2\titems\tDates"}));
    Add(kItems, 0, 1.0, "Eggs");
    EXPECT_EQ(list_.Entries().back(), "1\titem\tEggs");
    EXPECT_EQ(list_.CountText(), "6 Item(s)");
    EXPECT_TRUE(list_.IsModified());
}

TEST_F(ShoppingListTest, LinesWithoutAnAmountAddNothingToAnExistingLine) {
    Add(kWeight, 1, 500.0, "Flour");
    Add(kWeight, 4, 0.0, "Flour");  // "Flour, to taste": nothing to buy in addition
    EXPECT_EQ(list_.Entries(), Entries{"500\tg\tFlour"});
    Add(kWeight, 4, 0.0, "Salt");
    EXPECT_EQ(list_.Entries(), (Entries{"500\tg\tFlour", "-\t-\tSalt"}));
    // An amount onto a line without one takes its place.
    Add(kWeight, 1, 5.0, "Salt");
    EXPECT_EQ(list_.Entries(), (Entries{"500\tg\tFlour", "5\tg\tSalt"}));
}

TEST_F(ShoppingListTest, FreeTextItemsNeverMerge) {
    list_.AddItem(Context(), "Bin bags");
    list_.AddItem(Context(), "Bin bags");
    EXPECT_EQ(list_.Entries(), (Entries{"-\t-\tBin bags", "-\t-\tBin bags"}));
    const auto parsed = ParseListEntry(Context(), list_.Entries()[0]);
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(parsed->choice, kUnspecifiedChoice);  // stored as a line without an amount
    EXPECT_EQ(parsed->name, "Bin bags");
    EXPECT_FALSE(ParseListEntry(Context(), "2\tonly two parts").has_value());
}

TEST_F(ShoppingListTest, EditReplacesTheSelectedLineAndSelectionFollowsInsertions) {
    Add(kItems, 0, 2.0, "Eggs");
    Add(kVolume, 1, 200.0, "Milk");
    list_.Select(1);
    list_.AddLine(Context(), true, kVolume, 0, 1.0, "Milk");
    EXPECT_EQ(list_.Entries(), (Entries{"2\titems\tEggs", "1\tltr\tMilk"}));
    EXPECT_EQ(list_.Selected(), -1);

    list_.Select(1);
    Add(kWeight, 1, 10.0, "Anchovies");
    EXPECT_EQ(list_.Selected(), 2);
    EXPECT_EQ(list_.Entries()[2], "1\tltr\tMilk");
    EXPECT_TRUE(list_.DeleteSelected());
    EXPECT_FALSE(list_.DeleteSelected());
    EXPECT_EQ(list_.Entries(), (Entries{"10\tg\tAnchovies", "2\titems\tEggs"}));
    list_.Select(7);
    EXPECT_EQ(list_.Selected(), -1);
}

TEST_F(ShoppingListTest, ClearAsksFirstAndNoLeavesTheListAsItWas) {
    Add(kItems, 0, 2.0, "Eggs");
    sink_.Script(Answer::kNo);
    EXPECT_FALSE(list_.Clear(sink_));
    EXPECT_EQ(list_.Entries().size(), 1u);
    ASSERT_EQ(sink_.Ids(), std::vector<int>{803});
    EXPECT_EQ(sink_.Messages()[0].buttons, Buttons::kYesNo);
    EXPECT_EQ(sink_.Messages()[0].text, "Do you really want to clear the list");

    sink_.Script(Answer::kYes);
    EXPECT_TRUE(list_.Clear(sink_));
    EXPECT_TRUE(list_.Entries().empty());
    EXPECT_EQ(list_.CountText(), "0 Item(s)");
}

}  // namespace
}  // namespace kw::planning
