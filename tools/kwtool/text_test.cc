// kwtool text against a recipe stored through the data access classes: the file gets the recipe
// text byte for byte (Windows-1252, CR LF), the terminal gets it in UTF-8 with LF line breaks.
#include <gtest/gtest.h>

#include <string>

#include "app/core/recipe_database.h"
#include "app/core/recipe_database_test_support.h"
#include "app/core/schema.h"
#include "kwtool_run_test_support.h"

namespace kw {
namespace {

using namespace schema;

using kwtool::testing::KwtoolRun;

class KwtoolTextTest : public testing::RecipeDatabaseTest {
  protected:
    void SetUp() override {
        RecipeDatabaseTest::SetUp();
        ASSERT_EQ(CreateRecipeDatabase(db_, PathOf("DATA2")), KW_OK);
        ASSERT_EQ(
            Insert(kTableRecipe, {{kFieldName, "Caf\xE9 Scones"},
                                  {kFieldCategory, "Baking"},
                                  {kFieldMethod, "Rub in the butter.\r\nBake for 12 minutes."},
                                  {kFieldTotalTime, 27},
                                  {kFieldPrepTime, 15},
                                  {kFieldServings, 8},
                                  {kFieldCalories, -1},
                                  {kFieldCost, 0.4f},
                                  {kFieldDairyFree, 0},
                                  {kFieldGlutenFree, 0},
                                  {kFieldVegetarian, 1},
                                  {kFieldDifficulty, "A"},
                                  {kFieldReference, "Mary"}}),
            KW_OK);
        AddLine("Self-raising flour", 225.0f, 1, 0, "sifted");
        AddLine("Milk", 150.0f, 1, 100, "");  // the ingredient's own kind: volume
        AddLine("Egg", 1.0f, 0, 2, "beaten");
        ASSERT_EQ(Insert(kTableIngredient, {{kFieldName, "Milk"}, {kFieldUnits, 1}}), KW_OK);
        for (const char *other : {"Baking", "Teatime"})
            ASSERT_EQ(Insert(kTableRecipeCategory, {{kFieldName, "Caf\xE9 Scones"},
                                                    {kFieldCategory, "Baking"},
                                                    {kFieldOtherCategory, other}}),
                      KW_OK);
        // Another recipe of the same name in another category stays out of the text.
        ASSERT_EQ(Insert(kTableRecipeIngredient, {{kFieldName, "Caf\xE9 Scones"},
                                                  {kFieldCategory, "Bread"},
                                                  {kFieldIngredient, "Yeast"}}),
                  KW_OK);
        WriteFile("recipe.INI", "[Settings]\r\nUnits=0\r\nDecimal=1\r\nExact=0\r\n");
        db_.Close();
    }

    void AddLine(const char *ingredient, float quantity, int32_t opts, int32_t measured,
                 const char *preparation) {
        ASSERT_EQ(InsertRecipeLine("Caf\xE9 Scones", "Baking", ingredient, quantity, opts, measured,
                                   preparation),
                  KW_OK);
    }

    KwtoolRun Kwtool(const std::string &arguments) {
        return kwtool::testing::RunKwtool(dir_, "text " + arguments);
    }
};

const char kSconesText[] =
    "===== Recipe By Kettleworth 2.0 [Linux] =====\r\n"
    "===== https://kettleworth.example/\r\n"
    "Name    : Caf\xE9 Scones                     \r\n"
    "Category: Baking                          \r\n"
    "Other   : Teatime, \r\n"
    "-----\r\n"
    "230       g         Self-raising flour              sifted                          \r\n"
    "150       ml        Milk                                                            \r\n"
    "1         item      Egg                             beaten                          \r\n"
    "-----\r\n"
    "Rub in the butter.\r\n"
    "Bake for 12 minutes.\r\n"
    "-----\r\n"
    "Vegetarian: Y  Gluten Free: N\r\n"
    "Dairy Free: N\r\n"
    "Calories  : Unknown\r\n"
    "Cost      : 0.40\r\n"
    "Difficulty: Easy\r\n"
    "Reference : Mary\r\n"
    "Serves    : 8\r\n"
    "Prep Time : 0:15       Total Time: 0:27      \r\n"
    "===== End =====\r\n";

TEST_F(KwtoolTextTest, WritesTheStoredRecipeToAFile) {
    const KwtoolRun run = Kwtool("'Caf\xC3\xA9 scones^BAKING' scones.txt");  // case ignored
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(ReadFile("scones.txt"), kSconesText);
}

TEST_F(KwtoolTextTest, WritesUtf8WithLfToTheTerminal) {
    std::string expected;
    for (const char *c = kSconesText; *c; ++c) {
        if (*c == '\r') continue;
        if (*c == '\xE9')
            expected += "\xC3\xA9";
        else
            expected += *c;
    }
    const KwtoolRun run = Kwtool("'Caf\xC3\xA9 Scones^Baking'");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, expected);
}

TEST_F(KwtoolTextTest, UnknownRecipeAndMissingCaretFail) {
    EXPECT_EQ(Kwtool("'Scones^Baking' 2>/dev/null").status, 1);
    EXPECT_EQ(Kwtool("'Caf\xC3\xA9 Scones' 2>/dev/null").status, 2);
}

}  // namespace
}  // namespace kw
