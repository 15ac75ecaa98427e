// kwtool recipes, show and categories on a small recipe database written through the data access
// classes; each case runs the real kwtool in the test's own working directory.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "app/core/recipe_database.h"
#include "app/core/recipe_database_test_support.h"
#include "app/core/schema.h"
#include "tools/kwtool/kwtool_run_test_support.h"

namespace kw {
namespace {

using ::testing::HasSubstr;

using namespace schema;
using ::kwtool::testing::KwtoolRun;

class RecipeCommandsTest : public testing::RecipeDatabaseTest {
  protected:
    void SetUp() override {
        RecipeDatabaseTest::SetUp();
        ASSERT_EQ(CreateRecipeDatabase(db_, PathOf("DATA2")), KW_OK);
        for (const char *c : {"Soups", "Starters", "Vegetarian", "Empty"})
            ASSERT_EQ(Insert(kTableCategory, {{kFieldName, std::string(c)}}), KW_OK);
        ASSERT_EQ(Insert(kTableIngredient, {{kFieldName, std::string("Leek")},
                                            {kFieldUnits, int32_t{0}},
                                            {kFieldType, std::string("V")}}),
                  KW_OK);
        ASSERT_EQ(Insert(kTableIngredient, {{kFieldName, std::string("Milk")},
                                            {kFieldUnits, int32_t{1}},
                                            {kFieldType, std::string("D")}}),
                  KW_OK);
        AddRecipe("Leek Soup", "Soups", 4, 250, 1.25f);
        AddRecipe("Pea Soup", "Soups", 2, -1, -1.0f);
        AddRecipe("Melon", "Starters", 2, 80, 0.5f);
        AddLink("Leek Soup", "Soups", "Vegetarian");
        AddLink("Melon", "Starters", "Vegetarian");
        AddLine("Leek Soup", "Soups", "Leek", 500.0f, 1, 0, "sliced");
        AddLine("Leek Soup", "Soups", "Milk", 570.0f, 0, 1, "");
        AddLine("Leek Soup", "Soups", "Salt", 0.0f, 4, 100, "");
    }

    void AddRecipe(const std::string &name, const std::string &category, int32_t serves,
                   int32_t calories, float cost) {
        ASSERT_EQ(Insert(kTableRecipe, {{kFieldName, name},
                                        {kFieldCategory, category},
                                        {kFieldServings, serves},
                                        {kFieldCalories, calories},
                                        {kFieldCost, cost},
                                        {kFieldPrepTime, int32_t{20}},
                                        {kFieldTotalTime, int32_t{65}},
                                        {kFieldDifficulty, std::string("B")},
                                        {kFieldVegetarian, int32_t{1}},
                                        {kFieldMethod, std::string("Chop.\r\nBoil.")},
                                        {kFieldReference, std::string("Caf\xe9 book")}}),
                  KW_OK);
        AddLink(name, category, category);
    }
    void AddLink(const std::string &name, const std::string &category, const std::string &other) {
        ASSERT_EQ(
            Insert(kTableRecipeCategory,
                   {{kFieldName, name}, {kFieldCategory, category}, {kFieldOtherCategory, other}}),
            KW_OK);
    }
    void AddLine(const std::string &name, const std::string &category,
                 const std::string &ingredient, float quantity, int32_t opts, int32_t measured,
                 const std::string &preparation) {
        ASSERT_EQ(
            InsertRecipeLine(name, category, ingredient, quantity, opts, measured, preparation),
            KW_OK);
    }

    // Runs kwtool; its standard error goes where errors says ("2>&1": into the output).
    KwtoolRun Kwtool(const std::string &arguments, const char *errors = "2>&1") {
        db_.Close();
        return ::kwtool::testing::RunKwtool(dir_, arguments + " " + errors);
    }
};

TEST_F(RecipeCommandsTest, RecipesListsEveryRecipeOrThoseFiledUnderACategory) {
    KwtoolRun all = Kwtool("recipes");
    EXPECT_EQ(all.status, 0) << all.out;
    EXPECT_EQ(all.out, "Leek Soup\tSoups\nMelon\tStarters\nPea Soup\tSoups\n");

    KwtoolRun vegetarian = Kwtool("recipes --category vegetarian");
    EXPECT_EQ(vegetarian.status, 0) << vegetarian.out;
    EXPECT_EQ(vegetarian.out, "Leek Soup\tSoups\nMelon\tStarters\n");

    KwtoolRun json = Kwtool("--json recipes --category Soups");
    EXPECT_EQ(json.out,
              "[{\"name\":\"Leek Soup\",\"category\":\"Soups\"},"
              "{\"name\":\"Pea Soup\",\"category\":\"Soups\"}]\n");

    EXPECT_EQ(Kwtool("recipes --category Empty").out, "");
    KwtoolRun missing = Kwtool("recipes --category Puddings");
    EXPECT_EQ(missing.status, 1);
    EXPECT_THAT(missing.out, HasSubstr("no category 'Puddings'"));
    EXPECT_EQ(Kwtool("recipes extra").status, 2);
}

TEST_F(RecipeCommandsTest, ShowPrintsEveryFieldAndLinesInTheUsersUnits) {
    std::ofstream(PathOf("recipe.INI")) << "[Settings]\r\nUnits=0\r\nDecimal=1\r\n";
    KwtoolRun metric = Kwtool("show 'leek soup^SOUPS'", "2>/dev/null");
    EXPECT_EQ(metric.status, 0) << metric.out;
    EXPECT_EQ(metric.out,
              "Name:        Leek Soup\n"
              "Category:    Soups\n"
              "Also under:  Vegetarian\n"
              "Serves:      4\n"
              "Preparation: 0:20\n"
              "Total time:  1:05\n"
              "Calories:    250 per serving\n"
              "Cost:        1.25 per serving\n"
              "Difficulty:  Medium\n"
              "Dairy free:  no\n"
              "Gluten free: no\n"
              "Vegetarian:  yes\n"
              "Reference:   Caf\xc3\xa9 book\n"
              "Ingredients:\n"
              "  500 g Leek, sliced\n"
              "  0.5 ltr Milk\n"
              "  - - Salt\n"
              "Method:\n"
              "Chop.\nBoil.\n");
    // The line stored without a kind names an ingredient the catalogue does not hold.
    EXPECT_THAT(Kwtool("show 'Leek Soup^Soups'").out,
                HasSubstr("[604] Unknown Ingredient 'Salt'\n"));

    std::ofstream(PathOf("recipe.INI")) << "[Settings]\r\nUnits=1\r\nDecimal=0\r\n";
    KwtoolRun uk = Kwtool("show 'Leek Soup^Soups'");
    EXPECT_THAT(uk.out, HasSubstr("  18 oz Leek, sliced\n  1 pt Milk\n"));

    KwtoolRun unknown = Kwtool("show 'Pea Soup^Soups'");
    EXPECT_THAT(unknown.out, HasSubstr("Calories:    Unknown per serving\n"
                                       "Cost:        Unknown per serving\n"));
    EXPECT_THAT(unknown.out, HasSubstr("Also under:  \n"));

    KwtoolRun missing = Kwtool("show 'Leek Soup^Starters'");
    EXPECT_EQ(missing.status, 1);
    EXPECT_THAT(missing.out, HasSubstr("no recipe 'Leek Soup^Starters'"));
    EXPECT_EQ(Kwtool("show Leek").status, 2);
}

TEST_F(RecipeCommandsTest, CategoriesCountRecipesAndTheRecipesFiledUnderThem) {
    KwtoolRun run = Kwtool("categories");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(run.out,
              "Empty\t0 recipes\t0 filed\n"
              "Soups\t2 recipes\t2 filed\n"
              "Starters\t1 recipes\t1 filed\n"
              "Vegetarian\t0 recipes\t2 filed\n");
    KwtoolRun json = Kwtool("--json categories");
    EXPECT_THAT(json.out, HasSubstr("{\"name\":\"Vegetarian\",\"recipes\":0,\"filed\":2}"));
}

}  // namespace
}  // namespace kw
