// Reading a stored recipe for the recipe text from a real database: the recipe's own lines and
// links only, stored values turned into the value struct's, and misses as KW_NOTFOUND.
#include "app/interchange/recipe_text_loader.h"

#include <gtest/gtest.h>

#include <cmath>

#include "app/core/recipe_database.h"
#include "app/core/recipe_database_test_support.h"
#include "app/core/schema.h"

namespace kw {
namespace {

using namespace schema;

class RecipeTextLoaderTest : public testing::RecipeDatabaseTest {
  protected:
    void SetUp() override {
        RecipeDatabaseTest::SetUp();
        ASSERT_EQ(CreateRecipeDatabase(db_, PathOf("DATA2")), KW_OK);
    }
    void AddLine(const char *recipe, const char *category, const char *ingredient,
                 int32_t measured) {
        ASSERT_EQ(Insert(kTableRecipeIngredient, {{kFieldName, recipe},
                                                  {kFieldCategory, category},
                                                  {kFieldIngredient, ingredient},
                                                  {kFieldQuantity, 2.0f},
                                                  {kFieldOpts, 1},
                                                  {kFieldMeasured, measured}}),
                  KW_OK);
    }
};

TEST_F(RecipeTextLoaderTest, ReadsTheRecipesOwnLinesAndLinksOnly) {
    ASSERT_EQ(Insert(kTableRecipe, {{kFieldName, "Soup"},
                                    {kFieldCategory, "Starters"},
                                    {kFieldCalories, -1},
                                    {kFieldCost, std::nanf("")}}),
              KW_OK);
    ASSERT_EQ(Insert(kTableRecipe, {{kFieldName, "Soup"}, {kFieldCategory, "Suppers"}}), KW_OK);
    AddLine("Soup", "Starters", "Leeks", 0);
    AddLine("Soup", "Suppers", "Bread", 2);  // the same title in another category
    AddLine("Soup", "Starters", "Stock", 100);
    AddLine("Soup", "Starters", "Mystery", 100);
    AddLine("Soups", "Starters", "Onions", 0);  // a title that only begins the same
    ASSERT_EQ(Insert(kTableIngredient, {{kFieldName, "STOCK"}, {kFieldUnits, 1}}), KW_OK);
    for (const char *other : {"Starters", "Winter", "Vegetarian"})
        ASSERT_EQ(Insert(kTableRecipeCategory, {{kFieldName, "Soup"},
                                                {kFieldCategory, "Starters"},
                                                {kFieldOtherCategory, other}}),
                  KW_OK);

    RecipeTextValues recipe;
    ASSERT_EQ(LoadRecipeTextValues(db_, "soup", "STARTERS", &recipe), KW_OK);
    EXPECT_EQ(recipe.name, "Soup");  // as stored, not as asked for
    EXPECT_EQ(recipe.category, "Starters");
    ASSERT_EQ(recipe.ingredients.size(), 3u);
    EXPECT_EQ(recipe.ingredients[0].name, "Leeks");
    EXPECT_EQ(recipe.ingredients[1].stored.measured, kVolume);          // the ingredient's own kind
    EXPECT_EQ(recipe.ingredients[2].stored.measured, kOwnMeasureKind);  // left to the writer
    EXPECT_FLOAT_EQ(recipe.ingredients[0].stored.quantity, 2.0f);
    // Index order: equal keys stay in the order the links were made.
    EXPECT_EQ(recipe.otherCategories,
              (std::vector<std::string>{"Starters", "Winter", "Vegetarian"}));
    EXPECT_FALSE(recipe.calories.has_value());
    EXPECT_FALSE(recipe.cost.has_value());  // a damaged cost is not a number: unknown
    EXPECT_EQ(recipe.difficulty, 'A');      // DIFFICUL empty
}

TEST_F(RecipeTextLoaderTest, MissingRecipeIsNotFound) {
    ASSERT_EQ(Insert(kTableRecipe, {{kFieldName, "Soup"}, {kFieldCategory, "Starters"}}), KW_OK);
    RecipeTextValues recipe;
    EXPECT_EQ(LoadRecipeTextValues(db_, "Soup", "Mains", &recipe), KW_NOTFOUND);
    EXPECT_EQ(LoadRecipeTextValues(db_, "Stew", "Starters", &recipe), KW_NOTFOUND);
    EXPECT_EQ(LoadRecipeTextValues(db_, std::string(49, 'S'), "Starters", &recipe), KW_NOTFOUND);
    EXPECT_EQ(recipe, RecipeTextValues());
}

}  // namespace
}  // namespace kw
