// Shopping lists against a real recipe database: filling a list from recipes and meals, writing
// and reading back its lines, the messages a save gives, deleting, and a new list that takes a
// stored list's name.
#include "app/planning/shopping_list_store.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/data/query.h"
#include "app/data/record.h"
#include "app/data/table.h"
#include "app/planning/planning_test_support.h"
#include "app/planning/table_ingredient_catalog.h"

namespace kw::planning {
namespace {

using namespace kw::schema;
using Entries = std::vector<std::string>;
using testing::LineFields;

class ShoppingListStoreTest : public testing::PlanningDatabaseTest {
  protected:
    void SetUp() override {
        PlanningDatabaseTest::SetUp();
        catalog_ = std::make_unique<TableIngredientCatalog>(db_);
        ASSERT_EQ(Insert(kTableIngredient, {{kFieldName, "Flour"}, {kFieldUnits, int32_t{0}}}),
                  KW_OK);
        ASSERT_EQ(Insert(kTableIngredient, {{kFieldName, "Eggs"}, {kFieldUnits, int32_t{2}}}),
                  KW_OK);
        // 500 g flour, 3 eggs, 250 ml milk, salt without an amount.
        AddRecipeWithLines("Pancakes", "Breakfast",
                           {{"Flour", 500.0f, 1, kWeight},
                            {"Eggs", 3.0f, 0, kItems},
                            {"Milk", 250.0f, 1, kVolume},
                            {"Salt", 0.0f, 4, kWeight}});
        AddRecipeWithLines("Scones", "Baking",
                           {{"Flour", 1000.0f, 0, kWeight}, {"Eggs", 1.0f, 0, kItems}});
    }
    // The catalogue's table instance goes before the database closes its tables.
    void TearDown() override {
        catalog_.reset();
        PlanningDatabaseTest::TearDown();
    }
    UnitContext Context() { return {settings_, *catalog_, sink_}; }

    // The stored lines of a list as "INGREDIE QUANTITY OPTS MEASURED".
    Entries Stored(const std::string &name) {
        Entries stored;
        ForEachRecord(kTableListItem, kListItemByList, [&](CKWRecord &items) {
            if (Text(items, kFieldName) != name) return;
            float quantity = 0;
            items.GetFloat(kFieldQuantity, &quantity);
            stored.push_back(Text(items, kFieldIngredient) + " " +
                             std::to_string(static_cast<int>(quantity)) + " " +
                             std::to_string(Number(items, kFieldOpts)) + " " +
                             std::to_string(Number(items, kFieldMeasured)));
        });
        return stored;
    }

    NumberSettings settings_;
    RecordingSink sink_;
    std::unique_ptr<TableIngredientCatalog> catalog_;
};

TEST_F(ShoppingListStoreTest, ARecipeAddedTwiceDoublesEveryQuantity) {
    ShoppingList list("Weekly", true);
    ASSERT_EQ(AddRecipeToList(db_, Context(), list, "Breakfast", "Pancakes"), KW_OK);
    EXPECT_EQ(list.Entries(),
              (Entries{"3\titems\tEggs", "500\tg\tFlour", "250\tml\tMilk", "-\t-\tSalt"}));
    ASSERT_EQ(AddRecipeToList(db_, Context(), list, "Breakfast", "Pancakes"), KW_OK);
    EXPECT_EQ(list.Entries(),
              (Entries{"6\titems\tEggs", "1000\tg\tFlour", "500\tml\tMilk", "-\t-\tSalt"}));
    // A recipe of another category, or in other letter case, is not this one.
    ASSERT_EQ(AddRecipeToList(db_, Context(), list, "Baking", "PANCAKES"), KW_OK);
    EXPECT_EQ(list.Entries().size(), 4u);
}

TEST_F(ShoppingListStoreTest, AMealAddsEveryRecipeOfEveryCourse) {
    for (const char *course : {"S", "M", "A"})
        ASSERT_EQ(
            Insert(kTableMealItem, {{kFieldName, "Tea"},
                                    {kFieldRecipe, course[0] == 'M' ? "Scones" : "Pancakes"},
                                    {kFieldCategory, course[0] == 'M' ? "Baking" : "Breakfast"},
                                    {kFieldType, course}}),
            KW_OK);
    ShoppingList list("Party", true);
    ASSERT_EQ(AddMealToList(db_, Context(), list, "Tea"), KW_OK);
    // Pancakes twice and scones once; the scones' 1 Kg of flour takes the kilograms.
    EXPECT_EQ(list.Entries(),
              (Entries{"7\titems\tEggs", "2\tKg\tFlour", "500\tml\tMilk", "-\t-\tSalt"}));
}

TEST_F(ShoppingListStoreTest, LinesAreStoredAsBaseAmountsAndReadBackInOrder) {
    ShoppingList list("Weekly", true);
    ASSERT_EQ(AddRecipeToList(db_, Context(), list, "Baking", "Scones"), KW_OK);
    list.AddItem(Context(), "Candles");
    list.AddLine(Context(), false, kVolume, 0, 1.5, "Milk");
    ASSERT_EQ(SaveShoppingList(db_, Context(), list), KW_OK);
    EXPECT_FALSE(list.IsModified());
    EXPECT_FALSE(list.IsNew());
    EXPECT_TRUE(sink_.Messages().empty());
    // The free-text item is a line without an amount in the kind its name gives (weight).
    EXPECT_EQ(Stored("Weekly"),
              (Entries{"Candles 0 4 0", "Eggs 1 0 2", "Flour 1000 0 0", "Milk 1500 0 1"}));

    ShoppingList again("WEEKLY", false);
    ASSERT_EQ(LoadShoppingList(db_, Context(), again), KW_OK);
    EXPECT_EQ(again.Name(), "Weekly");
    EXPECT_EQ(again.Entries(),
              (Entries{"-\t-\tCandles", "1\titem\tEggs", "1\tKg\tFlour", "1.5\tltr\tMilk"}));
    EXPECT_FALSE(again.IsModified());

    // Saving again replaces the lines.
    again.Select(0);
    again.DeleteSelected();
    ASSERT_EQ(SaveShoppingList(db_, Context(), again), KW_OK);
    EXPECT_EQ(Stored("Weekly"), (Entries{"Eggs 1 0 2", "Flour 1000 0 0", "Milk 1500 0 1"}));
    ShoppingList missing("Monthly", false);
    EXPECT_EQ(LoadShoppingList(db_, Context(), missing), KW_NOTFOUND);
}

TEST_F(ShoppingListStoreTest, TwoIdenticalFreeTextItemsCannotBeSaved) {
    ShoppingList list("Hardware", true);
    list.AddItem(Context(), "Batteries");
    list.AddItem(Context(), "Light bulbs");
    list.AddItem(Context(), "Light bulbs");
    EXPECT_EQ(SaveShoppingList(db_, Context(), list), BTERR_DUPLICATE);
    ASSERT_EQ(sink_.Ids(), std::vector<int>{804});
    EXPECT_EQ(sink_.Messages()[0].text, "Failed to save.  You have duplicate entries in the list.");
    EXPECT_EQ(sink_.Messages()[0].icon, Icon::kExclamation);
    EXPECT_TRUE(list.IsModified());
    // The save stopped at the duplicate: the lines before it are written.
    EXPECT_EQ(Stored("Hardware"), (Entries{"Batteries 0 4 0", "Light bulbs 0 4 0"}));
}

TEST_F(ShoppingListStoreTest, AListWithoutANameIsNotSaved) {
    ShoppingList list("", true);
    list.AddItem(Context(), "Bread");
    EXPECT_EQ(SaveShoppingList(db_, Context(), list), kListTitleMissing);
    ASSERT_EQ(sink_.Ids(), std::vector<int>{800});
    EXPECT_EQ(sink_.Messages()[0].text, "Set List title before saving");
    EXPECT_EQ(Stored(""), Entries{});
    int32_t lists = -1;
    ASSERT_EQ(db_.FindTable(kTableList)->GetCount(&lists), KW_OK);
    EXPECT_EQ(lists, 0);
}

TEST_F(ShoppingListStoreTest, RegressionNewListWithAStoredNameLeavesTheStoredLinesUntouched) {
    ShoppingList stored("Weekly", true);
    stored.AddItem(Context(), "Coffee");
    ASSERT_EQ(SaveShoppingList(db_, Context(), stored), KW_OK);

    ShoppingList other("weekly", true);
    other.AddItem(Context(), "Tea");
    EXPECT_EQ(SaveShoppingList(db_, Context(), other), BTERR_DUPLICATE);
    EXPECT_EQ(sink_.Ids(), std::vector<int>{400});
    EXPECT_TRUE(other.IsNew());
    EXPECT_TRUE(other.IsModified());
    EXPECT_EQ(Stored("Weekly"), Entries{"Coffee 0 4 0"});
    EXPECT_EQ(Stored("weekly"), Entries{});
}

TEST_F(ShoppingListStoreTest, DeleteAsksAndTakesTheListAndItsLines) {
    ShoppingList list("Weekly", true);
    list.AddItem(Context(), "Coffee");
    ASSERT_EQ(SaveShoppingList(db_, Context(), list), KW_OK);

    bool deleted = true;
    sink_.Script(Answer::kNo);
    ASSERT_EQ(DeleteShoppingList(db_, sink_, list, &deleted), KW_OK);
    EXPECT_FALSE(deleted);
    EXPECT_EQ(Stored("Weekly").size(), 1u);
    EXPECT_EQ(sink_.Messages()[0].text, "Are you sure you want to delete the List");

    sink_.Script(Answer::kYes);
    ASSERT_EQ(DeleteShoppingList(db_, sink_, list, &deleted), KW_OK);
    EXPECT_TRUE(deleted);
    EXPECT_EQ(Stored("Weekly"), Entries{});
    ShoppingList gone("Weekly", false);
    EXPECT_EQ(LoadShoppingList(db_, Context(), gone), KW_NOTFOUND);
}

TEST_F(ShoppingListStoreTest, ALineInTheIngredientsOwnKindTakesTheKindFromTheCatalogue) {
    AddRecipeWithLines("Omelette", "Breakfast", {{"Eggs", 2.0f, 0, kOwnMeasureKind}});
    ShoppingList list("Weekly", true);
    ASSERT_EQ(AddRecipeToList(db_, Context(), list, "Breakfast", "Omelette"), KW_OK);
    EXPECT_EQ(list.Entries(), Entries{"2\titems\tEggs"});
    EXPECT_TRUE(sink_.Messages().empty());
}

}  // namespace
}  // namespace kw::planning
