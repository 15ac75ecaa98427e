// The recipe form over a real database: open and save with the checks in their order, the lines
// and links a save, delete, rename and change of category write, and the texts the form shows.
#include "app/recipes/recipe_form.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/recipes/recipe_store_test_support.h"
#include "app/recipes/recipe_time.h"

namespace kw {
namespace {

using namespace schema;
using ::testing::ElementsAre;

class RecipeFormModelTest : public testing::RecipeStoreTest {
  protected:
    void SetUp() override {
        RecipeStoreTest::SetUp();
        AddCategory("Soups");
        AddCategory("Starters");
        AddCategory("Vegetarian");
        AddIngredient("Flour", kWeight, 3.6f, 0.001f, 'X', true);
        AddIngredient("Milk", kVolume, 0.6f, 0.001f, 'D');
        AddIngredient("Egg", kItems, 80.0f, 0.25f, 'X');
        AddIngredient("Leek", kWeight, 0.3f, 0.002f, 'V');
    }

    // A new recipe form with one typed line per entry.
    void Type(RecipeForm &form, const std::vector<GridLine> &lines) {
        for (const GridLine &line : lines) {
            const int row = form.Grid().AddEmptyRow();
            form.Grid().EditCell(row, kNameColumn, line.name, Context());
            form.Grid().EditCell(row, kQuantityColumn, line.quantity, Context());
            form.Grid().EditCell(row, kUnitsColumn, line.unit, Context());
        }
    }
    recipedb::RecipeRecord Stored(const std::string &name, const std::string &category) {
        recipedb::RecipeRecord record;
        EXPECT_EQ(recipedb::FindRecipe(db_, {name, category}, &record), KW_OK);
        return record;
    }
};

TEST_F(RecipeFormModelTest, NewRecipeSavesEveryFieldAndReopensAsSaved) {
    RecipeForm form(db_);
    ASSERT_EQ(form.Open("Leek Soup^Soups", true, Context()), KW_OK);
    EXPECT_TRUE(form.IsNew());
    EXPECT_EQ(form.Members().servings, 2);
    EXPECT_FALSE(form.Members().diet.vegetarian);
    EXPECT_EQ(form.Members().prep_time, "0:00");
    EXPECT_EQ(form.Members().cost_text, "0.00");
    EXPECT_EQ(form.Members().difficulty, 'A');
    EXPECT_EQ(form.Grid().RowCount(), 2);  // header and the row for typing
    EXPECT_FALSE(form.IsModified());

    RecipeMembers &m = form.Members();
    m.method = std::string(4096, 'm');
    m.reference = "Grandmother";
    m.servings = 4;
    m.prep_time = "0:20";
    m.total_time = "1:05";
    m.calories = 250;
    m.cost_text = "1.25";
    m.difficulty = 'B';
    m.diet = {true, false, true};
    Type(form, {{"500", "g", "Leek", ""}, {"1", "pt", "Milk", ""}, {"2", "", "Egg", ""}});
    form.SetModified(true);
    ASSERT_EQ(form.Save(Context()), KW_OK);
    EXPECT_TRUE(sink_.Messages().empty());
    EXPECT_FALSE(form.IsModified());
    EXPECT_FALSE(form.IsNew());

    recipedb::RecipeRecord r = Stored("Leek Soup", "Soups");
    EXPECT_EQ(r.method, std::string(4096, 'm'));
    EXPECT_EQ(r.reference, "Grandmother");
    EXPECT_EQ(r.servings, 4);
    EXPECT_EQ(r.prep_time, 20);
    EXPECT_EQ(r.total_time, 65);
    EXPECT_EQ(r.calories, 250);
    EXPECT_FLOAT_EQ(r.cost, 1.25f);
    EXPECT_EQ(r.difficulty, 'B');
    EXPECT_TRUE(r.vegetarian);
    EXPECT_FALSE(r.gluten_free);
    EXPECT_TRUE(r.dairy_free);
    EXPECT_THAT(LinksOf("Leek Soup", "Soups"), ElementsAre("Soups"));
    std::vector<recipedb::RecipeLine> lines = LinesOf("Leek Soup", "Soups");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].ingredient, "Leek");
    EXPECT_FLOAT_EQ(lines[0].line.quantity, 500.0f);
    EXPECT_EQ(lines[0].line.opts, 1);
    EXPECT_EQ(lines[0].line.measured, kWeight);
    // "pt" in Metric is no unit: items. Egg without a unit: items, choice 0.
    EXPECT_EQ(lines[1].line.measured, kItems);
    EXPECT_EQ(lines[2].line.measured, kItems);
    EXPECT_FLOAT_EQ(lines[2].line.quantity, 2.0f);

    // Reopened with another case of the identifier: the record's own spelling, shown lines.
    RecipeForm again(db_);
    ASSERT_EQ(again.Open("LEEK SOUP^soups", false, Context(kUkImperial)), KW_OK);
    EXPECT_EQ(again.Identifier(), "Leek Soup^Soups");
    EXPECT_EQ(again.Members().total_time, "1:05");
    EXPECT_EQ(again.Members().cost_text, "1.25");
    ASSERT_EQ(again.Grid().RowCount(), 5);
    EXPECT_EQ(again.Grid().Line(1).quantity, "18");
    EXPECT_EQ(again.Grid().Line(1).unit, "oz");
    EXPECT_EQ(again.Grid().Line(3).unit, "items");
    EXPECT_EQ(again.Grid().Line(4).name, "");
    EXPECT_FALSE(again.IsModified());
    EXPECT_NE(again.Open("Nothing^Soups", false, Context()), KW_OK);
}

TEST_F(RecipeFormModelTest, IdentityTexts) {
    RecipeForm form(db_);
    ASSERT_EQ(form.Open("Scones^Baking^Extra", true, Context()), KW_OK);
    EXPECT_EQ(form.Name(), "Scones");
    EXPECT_EQ(form.Category(), "Baking^Extra");
    EXPECT_EQ(form.DragText(), "Scones:[Baking^Extra]");
    EXPECT_EQ(form.FrameTitle(), "Recipe - Scones");
    const std::string key = form.Key();
    ASSERT_EQ(key.size(), 80u);
    EXPECT_EQ(key.substr(0, 12), "Baking^Extra");
    EXPECT_EQ(key.substr(12, 20), std::string(20, '\0'));
    EXPECT_EQ(key.substr(32, 6), "Scones");
    EXPECT_EQ(key.substr(38), std::string(42, '\0'));
}

TEST_F(RecipeFormModelTest, SameIngredientTypedTwiceFailsWith508ButTheAddDialogMerges) {
    RecipeForm typed(db_);
    ASSERT_EQ(typed.Open("Bread^Starters", true, Context()), KW_OK);
    Type(typed, {{"1", "kg", "Flour", ""}, {"500", "g", "Flour", ""}});
    EXPECT_EQ(typed.Save(Context()), BTERR_DUPLICATE);
    EXPECT_THAT(sink_.Ids(), ElementsAre(508));
    EXPECT_TRUE(typed.IsModified());
    // The record is still written; the grid keeps both lines for the user to mend.
    EXPECT_TRUE(recipedb::RecipeExists(db_, {"Bread", "Starters"}));
    EXPECT_EQ(typed.Grid().RowCount(), 3);

    sink_.Clear();
    RecipeForm added(db_);
    ASSERT_EQ(added.Open("Rolls^Starters", true, Context()), KW_OK);
    added.Grid().AddLine({kWeight, 0, 1.0f, "Flour", ""}, added.Members().diet, Context());
    added.Grid().AddLine({kWeight, 1, 500.0f, "Flour", ""}, added.Members().diet, Context());
    ASSERT_EQ(added.Save(Context()), KW_OK);
    std::vector<recipedb::RecipeLine> lines = LinesOf("Rolls", "Starters");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].line.opts, 0);
    EXPECT_FLOAT_EQ(lines[0].line.quantity, 1500.0f);
    EXPECT_EQ(added.Grid().Line(2).quantity, "1.5");
    EXPECT_EQ(added.Grid().Line(2).unit, "Kg");
}

TEST_F(RecipeFormModelTest, TimesAreCheckedInOrderAndStillWrittenCorrected) {
    struct Case {
        const char *prep;
        const char *total;
        std::vector<int> messages;
        int32_t storedPrep;
        int32_t storedTotal;
    };
    const Case cases[] = {
        {"1:30", "1:00", {502, 400}, 60, 60},
        {"17:00", "20:00", {500, 400}, 0, 1200},
        {"0:10", "170:00", {501, 400}, 10, 0},
        // Both too long: preparation is first cut to the total, then found too long.
        {"180:00", "170:00", {502, 500, 501, 400}, 0, 0},
        {"45", "1:5", {}, 45, 65},
    };
    int n = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.prep + std::string(" / ") + c.total);
        sink_.Clear();
        RecipeForm form(db_);
        const std::string name = "Timed " + std::to_string(++n);
        ASSERT_EQ(form.Open(name + "^Soups", true, Context()), KW_OK);
        form.Members().prep_time = c.prep;
        form.Members().total_time = c.total;
        form.SetModified(true);
        const KWRESULT result = form.Save(Context());
        EXPECT_EQ(sink_.Ids(), c.messages);
        EXPECT_EQ(result == KW_OK, c.messages.empty());
        EXPECT_EQ(form.IsModified(), !c.messages.empty());
        for (const UserMessage &m : sink_.Messages())
            EXPECT_EQ(m.icon, Icon::kExclamation);
        recipedb::RecipeRecord r = Stored(name, "Soups");
        EXPECT_EQ(r.prep_time, c.storedPrep);
        EXPECT_EQ(r.total_time, c.storedTotal);
        EXPECT_EQ(form.Members().prep_time, FormatRecipeTime(c.storedPrep));
        EXPECT_EQ(form.Members().total_time, FormatRecipeTime(c.storedTotal));
    }
}

TEST_F(RecipeFormModelTest, TimeTextsReadLikeHoursColonMinutes) {
    EXPECT_EQ(ParseRecipeTime("1:30"), 90);
    EXPECT_EQ(ParseRecipeTime(" 2: 05"), 125);
    EXPECT_EQ(ParseRecipeTime("45"), 45);
    EXPECT_EQ(ParseRecipeTime("60"), 0);  // a single number is minutes 0 to 59
    EXPECT_EQ(ParseRecipeTime("1:60"), 0);
    EXPECT_EQ(ParseRecipeTime("-1:30"), 0);
    EXPECT_EQ(ParseRecipeTime("abc"), 0);
    EXPECT_EQ(ParseRecipeTime(""), 0);
    EXPECT_EQ(ParseRecipeTime("99999999999:00"), 2147483647);
    EXPECT_EQ(FormatRecipeTime(65), "1:05");
    EXPECT_EQ(FormatRecipeTime(0), "0:00");
    EXPECT_EQ(FormatRecipeTime(-5), "0:00");
}

TEST_F(RecipeFormModelTest, LineWithoutAmountKeepsTheIngredientsOwnKind) {
    RecipeForm form(db_);
    ASSERT_EQ(form.Open("Pudding^Starters", true, Context()), KW_OK);
    Type(form, {{"-", "-", "Milk", ""}, {"-", "-", "Mystery", ""}});
    ASSERT_EQ(form.Save(Context()), KW_OK);
    std::vector<recipedb::RecipeLine> lines = LinesOf("Pudding", "Starters");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].line.opts, kUnspecifiedChoice);
    EXPECT_EQ(lines[0].line.quantity, 0.0f);
    EXPECT_EQ(lines[0].line.measured, kVolume);
    // An unknown ingredient is stored as typed, as weight.
    EXPECT_EQ(lines[1].line.measured, kWeight);

    RecipeForm again(db_);
    ASSERT_EQ(again.Open("Pudding^Starters", false, Context()), KW_OK);
    EXPECT_EQ(again.Grid().Line(1).quantity, "-");
    EXPECT_EQ(again.Grid().Line(1).unit, "-");
}

TEST_F(RecipeFormModelTest, ZeroQuantityWithAUnitGives507AndIsNotStored) {
    RecipeForm form(db_);
    ASSERT_EQ(form.Open("Broth^Soups", true, Context()), KW_OK);
    Type(form, {{"0", "g", "Leek", ""}, {"1", "ltr", "Milk", ""}});
    EXPECT_NE(form.Save(Context()), KW_OK);
    EXPECT_THAT(sink_.Ids(), ElementsAre(507, 400));
    EXPECT_THAT(IngredientsOf("Broth", "Soups"), ElementsAre("Milk"));
    EXPECT_TRUE(form.IsModified());
    // Mended and saved again: the lines are written anew, once each.
    form.Grid().EditCell(1, kQuantityColumn, "250", Context());
    sink_.Clear();
    ASSERT_EQ(form.Save(Context()), KW_OK);
    EXPECT_THAT(IngredientsOf("Broth", "Soups"), ElementsAre("Leek", "Milk"));
}

TEST_F(RecipeFormModelTest, UnchangedListIsNotRewritten) {
    SaveRecipe("Broth", "Soups", {{"250", "g", "Leek", "sliced"}});
    RecipeForm form(db_);
    ASSERT_EQ(form.Open("Broth^Soups", false, Context()), KW_OK);
    const int32_t before = CountOf(kTableRecipeIngredient);
    form.Members().servings = 6;
    form.SetModified(true);
    ASSERT_EQ(form.Save(Context()), KW_OK);
    EXPECT_EQ(Stored("Broth", "Soups").servings, 6);
    std::vector<recipedb::RecipeLine> lines = LinesOf("Broth", "Soups");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].line.preparation, "sliced");
    EXPECT_EQ(CountOf(kTableRecipeIngredient), before);
}

TEST_F(RecipeFormModelTest, NewRecipeUnderATakenNameLeavesTheOtherRecipeAlone) {
    SaveRecipe("Broth", "Soups", {{"250", "g", "Leek", ""}, {"1", "ltr", "Milk", ""}});
    RecipeForm form(db_);
    ASSERT_EQ(form.Open("broth^soups", true, Context()), KW_OK);
    EXPECT_EQ(form.Grid().RowCount(), 4);  // the stored lines of that key show up
    form.Grid().DeleteRows({1, 2});
    Type(form, {{"2", "", "Egg", ""}});
    form.Members().servings = 9;
    EXPECT_EQ(form.Save(Context()), BTERR_DUPLICATE);
    EXPECT_THAT(sink_.Ids(), ElementsAre(400));
    EXPECT_THAT(IngredientsOf("Broth", "Soups"), ElementsAre("Leek", "Milk"));
    EXPECT_EQ(Stored("Broth", "Soups").servings, 2);
    // Deleting the unsaved form deletes nothing either.
    EXPECT_EQ(form.Delete(), KW_OK);
    EXPECT_THAT(IngredientsOf("Broth", "Soups"), ElementsAre("Leek", "Milk"));
    EXPECT_THAT(LinksOf("Broth", "Soups"), ElementsAre("Soups"));
}

TEST_F(RecipeFormModelTest, DeleteRemovesTheRecipesLinesAndLinksAndNoOthers) {
    SaveRecipe("Broth", "Soups", {{"250", "g", "Leek", ""}, {"1", "ltr", "Milk", ""}});
    SaveRecipe("Broth", "Starters", {{"100", "g", "Leek", ""}});
    SaveRecipe("Brothy", "Soups", {{"1", "ltr", "Milk", ""}});
    ASSERT_EQ(recipedb::InsertRecipeLink(db_, {"Broth", "Soups"}, "Vegetarian"), KW_OK);
    ASSERT_EQ(recipedb::InsertRecipeLink(db_, {"Broth", "Starters"}, "Vegetarian"), KW_OK);

    RecipeForm form(db_);
    ASSERT_EQ(form.Open("Broth^Soups", false, Context()), KW_OK);
    ASSERT_EQ(form.Delete(), KW_OK);
    EXPECT_TRUE(form.IsNew());
    EXPECT_FALSE(recipedb::RecipeExists(db_, {"Broth", "Soups"}));
    EXPECT_TRUE(LinesOf("Broth", "Soups").empty());
    EXPECT_TRUE(LinksOf("Broth", "Soups").empty());
    EXPECT_THAT(IngredientsOf("Broth", "Starters"), ElementsAre("Leek"));
    EXPECT_THAT(LinksOf("Broth", "Starters"), ElementsAre("Starters", "Vegetarian"));
    EXPECT_THAT(IngredientsOf("Brothy", "Soups"), ElementsAre("Milk"));
    EXPECT_THAT(LinksOf("Brothy", "Soups"), ElementsAre("Soups"));
    EXPECT_EQ(CountOf(kTableRecipe), 2);
    EXPECT_EQ(CountOf(kTableRecipeIngredient), 2);
    EXPECT_EQ(CountOf(kTableRecipeCategory), 3);
}

TEST_F(RecipeFormModelTest, RenameKeepsLinesAndSecondaryCategories) {
    SaveRecipe("Broth", "Soups", {{"250", "g", "Leek", ""}, {"1", "ltr", "Milk", ""}});
    SaveRecipe("Stock", "Soups", {{"1", "ltr", "Milk", ""}});
    ASSERT_EQ(recipedb::InsertRecipeLink(db_, {"Broth", "Soups"}, "Vegetarian"), KW_OK);

    RecipeForm form(db_);
    ASSERT_EQ(form.Open("Broth^Soups", false, Context()), KW_OK);
    NameDialogRequest request = form.RenameRequest();
    EXPECT_EQ(request.title, "Rename Recipe");
    EXPECT_EQ(request.max_length, 48u);
    EXPECT_EQ(request.text, "Broth");
    // Onto another recipe of the category: refused, nothing moves.
    EXPECT_FALSE(form.Rename("stock", sink_));
    EXPECT_THAT(sink_.Ids(), ElementsAre(506));
    EXPECT_FALSE(form.Rename("", sink_));
    EXPECT_EQ(form.Name(), "Broth");
    EXPECT_THAT(IngredientsOf("Broth", "Soups"), ElementsAre("Leek", "Milk"));

    sink_.Clear();
    ASSERT_TRUE(form.Rename("Leek Broth", sink_));
    EXPECT_TRUE(sink_.Messages().empty());
    EXPECT_EQ(form.Identifier(), "Leek Broth^Soups");
    EXPECT_EQ(form.FrameTitle(), "Recipe - Leek Broth");
    EXPECT_FALSE(recipedb::RecipeExists(db_, {"Broth", "Soups"}));
    EXPECT_THAT(IngredientsOf("Leek Broth", "Soups"), ElementsAre("Leek", "Milk"));
    EXPECT_THAT(LinksOf("Leek Broth", "Soups"), ElementsAre("Soups", "Vegetarian"));
    EXPECT_TRUE(LinesOf("Broth", "Soups").empty());
    EXPECT_TRUE(LinksOf("Broth", "Soups").empty());
    EXPECT_THAT(IngredientsOf("Stock", "Soups"), ElementsAre("Milk"));

    // A change of letter case only ends too (the walk meets its own records again).
    ASSERT_TRUE(form.Rename("LEEK BROTH", sink_));
    EXPECT_THAT(IngredientsOf("LEEK BROTH", "Soups"), ElementsAre("Leek", "Milk"));
    std::vector<recipedb::RecipeLine> lines = LinesOf("Leek Broth", "Soups");
    ASSERT_EQ(lines.size(), 2u);
    recipedb::RecipeRecord r = Stored("leek broth", "Soups");
    EXPECT_EQ(r.name, "LEEK BROTH");
}

TEST_F(RecipeFormModelTest, ChangeCategoryCarriesLinesAndSecondaryLinks) {
    SaveRecipe("Broth", "Soups", {{"250", "g", "Leek", ""}});
    SaveRecipe("Broth", "Starters", {{"1", "ltr", "Milk", ""}});
    ASSERT_EQ(recipedb::InsertRecipeLink(db_, {"Broth", "Soups"}, "Vegetarian"), KW_OK);

    RecipeForm form(db_);
    ASSERT_EQ(form.Open("Broth^Soups", false, Context()), KW_OK);
    EXPECT_FALSE(form.ChangeCategory("Starters", sink_));
    EXPECT_THAT(sink_.Ids(), ElementsAre(505));
    EXPECT_EQ(form.Category(), "Soups");
    EXPECT_THAT(LinksOf("Broth", "Soups"), ElementsAre("Soups", "Vegetarian"));

    sink_.Clear();
    ASSERT_TRUE(form.ChangeCategory("Winter", sink_));
    EXPECT_TRUE(sink_.Messages().empty());
    EXPECT_EQ(form.Identifier(), "Broth^Winter");
    EXPECT_EQ(form.DragText(), "Broth:[Winter]");
    EXPECT_EQ(form.Key().substr(0, 6), "Winter");
    EXPECT_THAT(IngredientsOf("Broth", "Winter"), ElementsAre("Leek"));
    // Filed under its new category and still under every further one; no longer under Soups.
    EXPECT_THAT(LinksOf("Broth", "Winter"), ElementsAre("Vegetarian", "Winter"));
    EXPECT_TRUE(LinesOf("Broth", "Soups").empty());
    EXPECT_TRUE(LinksOf("Broth", "Soups").empty());
    EXPECT_THAT(recipedb::CategoryNames(db_),
                ElementsAre("Soups", "Starters", "Vegetarian", "Winter"));
    EXPECT_THAT(IngredientsOf("Broth", "Starters"), ElementsAre("Milk"));

    // A recipe already filed under the category it moves to keeps one link there.
    ASSERT_TRUE(form.ChangeCategory("Vegetarian", sink_));
    EXPECT_THAT(LinksOf("Broth", "Vegetarian"), ElementsAre("Vegetarian"));
    // The next save adds nothing twice.
    form.SetModified(true);
    ASSERT_EQ(form.Save(Context()), KW_OK);
    EXPECT_THAT(LinksOf("Broth", "Vegetarian"), ElementsAre("Vegetarian"));
}

TEST_F(RecipeFormModelTest, CalculationsAndUnknownBoxes) {
    RecipeForm form(db_);
    ASSERT_EQ(form.Open("Custard^Starters", true, Context()), KW_OK);
    Type(form, {{"500", "ml", "Milk", ""}, {"2", "", "Egg", ""}});
    form.Members().servings = 2;
    form.CalculateCalories(Context());
    EXPECT_EQ(form.Members().calories, (300 + 160) / 2);
    EXPECT_FALSE(form.Members().calories_unknown);
    form.CalculateCost(Context());
    EXPECT_EQ(form.Members().cost_text, "0.50");
    // A weight ingredient measured by volume makes both unknown.
    Type(form, {{"1", "ltr", "Flour", ""}});
    form.CalculateCalories(Context());
    form.CalculateCost(Context());
    EXPECT_THAT(sink_.Ids(), ElementsAre(504, 511));
    EXPECT_TRUE(form.Members().calories_unknown);
    EXPECT_TRUE(form.Members().cost_unknown);
    sink_.Clear();
    ASSERT_EQ(form.Save(Context()), KW_OK);
    recipedb::RecipeRecord r = Stored("Custard", "Starters");
    EXPECT_EQ(r.calories, -1);
    EXPECT_EQ(r.cost, -1.0f);

    RecipeForm again(db_);
    ASSERT_EQ(again.Open("Custard^Starters", false, Context()), KW_OK);
    EXPECT_TRUE(again.Members().calories_unknown);
    EXPECT_TRUE(again.Members().cost_unknown);
    again.SetCostUnknown(false);
    EXPECT_EQ(again.Members().cost_text, "0.00");
    again.Members().cost_text = "2.5";
    again.CostEditLostFocus();
    EXPECT_EQ(again.Members().cost_text, "2.50");
    again.SetCaloriesUnknown(false);
    EXPECT_EQ(again.Members().calories, 0);
    EXPECT_TRUE(again.IsModified());
    ASSERT_EQ(again.Save(Context()), KW_OK);
    EXPECT_FLOAT_EQ(Stored("Custard", "Starters").cost, 2.5f);
    EXPECT_EQ(Stored("Custard", "Starters").calories, 0);
}

}  // namespace
}  // namespace kw
