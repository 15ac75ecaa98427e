// kwtool search, meal and list against a small recipe database written through the data access
// classes; each case runs the real kwtool in the test's own working directory.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/planning/planning_test_support.h"
#include "kwtool_run_test_support.h"

namespace kw {
namespace {

using ::testing::HasSubstr;

using namespace schema;

using kwtool::testing::KwtoolRun;
using planning::testing::LineFields;
using planning::testing::RecipeFields;

class PlanningCommandsTest : public planning::testing::PlanningDatabaseTest {
  protected:
    void SetUp() override {
        PlanningDatabaseTest::SetUp();
        AddRecipe("Scones", "Baking", true, 20, {"Flour", "Butter"});
        AddRecipe("Shortbread", "Baking", true, 45, {"Flour", "Sugar"});
        AddRecipe("Beef Stew", "Mains", false, 25, {"Beef", "Flour"});
        ASSERT_EQ(Insert(kTableIngredient, {{kFieldName, "Flour"}, {kFieldUnits, int32_t{0}}}),
                  KW_OK);
        db_.Close();
    }

    // A recipe whose every line is 250 g.
    void AddRecipe(const std::string &name, const std::string &category, bool vegetarian,
                   int32_t prep, const std::vector<std::string> &ingredients) {
        RecipeFields fields;
        fields.vegetarian = vegetarian;
        fields.prepTime = prep;
        std::vector<LineFields> lines;
        for (const std::string &ingredient : ingredients)
            lines.push_back({ingredient, 250.0f, 1, 0});
        AddRecipeWithLines(name, category, lines, fields);
    }

    KwtoolRun Kwtool(const std::string &arguments) {
        return kwtool::testing::RunKwtool(dir_, arguments + " 2>&1 </dev/null");
    }
};

TEST_F(PlanningCommandsTest, SearchTakesTheCriteriaAsOptions) {
    KwtoolRun run = Kwtool("search --vegetarian --contains flour --prep-less 0:30");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(run.out, "Scones\tBaking\n1 Recipe(s) match\n");

    run = Kwtool("search --contains=Flour --not-in-category Baking --steps");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_THAT(run.out, HasSubstr("Beef Stew\tMains\n"));
    EXPECT_THAT(run.out, HasSubstr("step 2: Not in Category...: 3 tested, 1 kept"));

    run = Kwtool("--json search --in-category Baking --prep-more 0:30");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_THAT(run.out, HasSubstr("\"matches\":1,\"recipes\":[{\"name\":\"Shortbread\","
                                   "\"category\":\"Baking\"}]"));

    EXPECT_EQ(Kwtool("search").out, "0 Recipe(s) match\n");
    EXPECT_EQ(Kwtool("search --vegetarian --vegetarian").status, 2);
    EXPECT_EQ(Kwtool("search --spicy").status, 2);
    EXPECT_EQ(Kwtool("search --difficulty tricky").status, 2);
}

TEST_F(PlanningCommandsTest, MealsAreCreatedShownPrintedAndDeleted) {
    KwtoolRun run = Kwtool(
        "meal create Tea --starter 'Scones:[Baking]' --main 'Beef Stew:[Mains]' "
        "--dessert 'Scones:[Baking]'");
    ASSERT_EQ(run.status, 0) << run.out;
    run = Kwtool("meal show tea");
    EXPECT_EQ(run.out,
              "Starters\tScones\tBaking\nMain Courses\tBeef Stew\tMains\n"
              "Deserts\tScones\tBaking\n");
    run = Kwtool("meal print Tea");
    EXPECT_EQ(run.out,
              "Meal - Tea\nStarters\n  Scones\nMain Courses\n  Beef Stew\nDeserts\n  Scones\n");

    // A second meal of that title is refused and the stored one keeps its recipes.
    run = Kwtool("meal create TEA --main 'Shortbread:[Baking]'");
    EXPECT_EQ(run.status, 1);
    EXPECT_THAT(run.out,
                HasSubstr("Failed to save records. You have duplicate recipes in the meal."));
    EXPECT_EQ(Kwtool("meal show Tea").out,
              "Starters\tScones\tBaking\nMain Courses\tBeef Stew\tMains\n"
              "Deserts\tScones\tBaking\n");
    EXPECT_EQ(Kwtool("meal create Lunch --main 'Toast:[Baking]'").status, 1);

    EXPECT_EQ(Kwtool("meal delete Tea").status, 0);
    EXPECT_EQ(Kwtool("meal show Tea").status, 1);
}

TEST_F(PlanningCommandsTest, ListsAreFilledFromRecipesMealsItemsAndLines) {
    ASSERT_EQ(Kwtool("meal create Tea --main 'Scones:[Baking]'").status, 0);
    KwtoolRun run = Kwtool(
        "list create Weekly --recipe 'Scones:[Baking]' --meal Tea --item Candles "
        "--add '1 Kg Flour' --add '2 - Flour'");
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(run.out, "saved list Weekly (3 Item(s))\n");

    // Flour: 250 g from the recipe, 250 g from the meal, 1 Kg added, and a line without an
    // amount that adds nothing.
    run = Kwtool("list show weekly");
    EXPECT_EQ(run.out, "500\tg\tButter\n-\t-\tCandles\n1.5\tKg\tFlour\n3 Item(s)\n");
    run = Kwtool("list print Weekly");
    EXPECT_EQ(run.out.substr(0, 14), "List - Weekly\n");
    EXPECT_THAT(run.out, HasSubstr("1.5      Kg       Flour\n"));

    run = Kwtool("list create Hardware --item Nails --item Nails");
    EXPECT_EQ(run.status, 1);
    EXPECT_THAT(run.out,
                HasSubstr("[804] Failed to save.  You have duplicate entries in the list."));
    EXPECT_EQ(Kwtool("list create Weekly --item Tea").status, 1);

    run = Kwtool("list delete Weekly");  // no terminal: the question is answered No
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(Kwtool("list delete Weekly --yes").status, 0);
    EXPECT_EQ(Kwtool("list show Weekly").status, 1);
}

}  // namespace
}  // namespace kw
