// The recipe search over small hand-made databases: each criterion's test, the steps and their
// candidates, the result table after the purge, the progress and its Cancel, and the listing the
// results window shows.
#include "app/planning/recipe_search.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/data/query.h"
#include "app/data/record.h"
#include "app/planning/planning_test_support.h"
#include "app/planning/search_results.h"

namespace kw::planning {
namespace {

using namespace kw::schema;
using Found = std::set<std::string>;
using testing::RecipeFields;

// Records what the search reports and cancels at a chosen position.
class ScriptedProgress final : public Progress {
  public:
    explicit ScriptedProgress(int cancelAt = -1) : cancelAt_(cancelAt) {}
    void Begin(int low, int high, const std::string &text, const std::string &label,
               bool cancelEnabled) override {
        low_ = low;
        high_ = high;
        text_ = text;
        label_ = label;
        cancelEnabled_ = cancelEnabled;
    }
    void SetPosition(int position) override {
        if (positions_.empty() || positions_.back() != position) positions_.push_back(position);
        if (cancelAt_ >= 0 && position >= cancelAt_) cancelled_ = true;
    }
    bool Cancelled() override { return cancelled_; }
    void End() override { ++ends_; }

    int low_ = -1, high_ = -1, ends_ = 0;
    std::string text_ = "?", label_ = "?";
    bool cancelEnabled_ = false;
    std::vector<int> positions_;

  private:
    int cancelAt_;
    bool cancelled_ = false;
};

class RecipeSearchTest : public testing::PlanningDatabaseTest {
  protected:
    // Adds a criterion by code with its option and value.
    void Select(char code, const std::string &data = "", char option = 0) {
        const CriterionDefinition *definition = FindCriterionByCode(code);
        ASSERT_NE(definition, nullptr);
        const int row = selection_.Add(*definition);
        ASSERT_GE(row, 0) << code;
        selection_.Row(static_cast<size_t>(row))->data = data;
        if (option) selection_.Row(static_cast<size_t>(row))->options = option;
    }

    SearchOutcome Search(Progress &progress) {
        return RunRecipeSearch(db_, selection_.Rows(), progress);
    }
    SearchOutcome Search() {
        NullProgress progress;
        return Search(progress);
    }

    // The recipes in KWTMPRES as "name/category", each checked to hold HITS = steps.
    Found Results(int steps) {
        Found found;
        ForEachRecord(kTableSearchResult, kSearchResultByRecipe, [&](CKWRecord &record) {
            EXPECT_EQ(Number(record, kFieldHits), steps) << Text(record, kFieldName);
            found.insert(Text(record, kFieldName) + "/" + Text(record, kFieldCategory));
        });
        return found;
    }

    Found SearchFor() {
        const SearchOutcome outcome = Search();
        EXPECT_EQ(outcome.result, KW_OK);
        return Results(outcome.steps);
    }

    CriteriaSelection selection_;
};

TEST_F(RecipeSearchTest, NoCriterionLeavesTheResultsEmpty) {
    AddRecipe("Scones", "Baking", {"Flour"});
    Select('O', "Flour");
    EXPECT_EQ(SearchFor(), Found({"Scones/Baking"}));

    selection_.Clear();
    const SearchOutcome outcome = Search();
    EXPECT_EQ(outcome.result, KW_OK);
    EXPECT_EQ(outcome.steps, 0);
    EXPECT_EQ(Results(0), Found());
}

TEST_F(RecipeSearchTest, TwoContainsFindOnlyRecipesWithBoth) {
    AddRecipe("Scones", "Baking", {"Flour", "Butter", "Milk"});
    AddRecipe("Pancakes", "Breakfast", {"Flour", "Milk", "Eggs"});
    AddRecipe("Shortbread", "Baking", {"Flour", "Butter", "Sugar"});
    AddRecipe("Butter Sauce", "Sauces", {"Butter", "Lemon"});
    Select('O', "Flour");
    Select('O', "butter");  // letter case does not matter, as in the indexes
    EXPECT_EQ(SearchFor(), Found({"Scones/Baking", "Shortbread/Baking"}));
}

TEST_F(RecipeSearchTest, ContainsAndDoesNotContainTheSameIngredientFindNothing) {
    AddRecipe("Scones", "Baking", {"Flour"});
    AddRecipe("Salad", "Starters", {"Lettuce"});
    Select('O', "Flour");
    Select('N', "Flour");
    EXPECT_EQ(SearchFor(), Found());

    // Each alone finds its half.
    selection_.Clear();
    Select('N', "Flour");
    EXPECT_EQ(SearchFor(), Found({"Salad/Starters"}));
}

TEST_F(RecipeSearchTest, PreparationLessThanHalfAnHourFindsTwentyNineMinutesOrLess) {
    for (int minutes : {0, 29, 30, 31, 90}) {
        RecipeFields fields;
        fields.prepTime = minutes;
        AddRecipe("Dish " + std::to_string(minutes), "Test", {}, fields);
    }
    Select('P', "0:30", '<');
    EXPECT_EQ(SearchFor(), Found({"Dish 0/Test", "Dish 29/Test"}));

    selection_.Clear();
    Select('P', "1:30", '=');
    EXPECT_EQ(SearchFor(), Found({"Dish 90/Test"}));
    selection_.Clear();
    Select('P', "30", '>');  // without ':' the time control reads minutes
    EXPECT_EQ(SearchFor(), Found({"Dish 31/Test", "Dish 90/Test"}));
}

TEST_F(RecipeSearchTest, VegetarianIsGatheredFirstAndTheCalorieTestRunsOnlyOnThoseRecipes) {
    auto add = [&](const std::string &name, bool vegetarian, int calories) {
        RecipeFields fields;
        fields.vegetarian = vegetarian;
        fields.calories = calories;
        AddRecipe(name, "Mains", {}, fields);
    };
    add("Lentil Soup", true, 300);
    add("Cheese Pie", true, 800);
    add("Veg Curry", true, 450);
    add("Beef Stew", false, 400);
    add("Chicken Salad", false, 250);
    // Listed second, the vegetarian criterion still forms step 1.
    Select('C', "500", '<');
    Select('V');

    const SearchOutcome outcome = Search();
    ASSERT_EQ(outcome.result, KW_OK);
    ASSERT_EQ(outcome.steps, 2);
    ASSERT_EQ(outcome.stepReports.size(), 2u);
    EXPECT_EQ(outcome.stepReports[0].criteria, "Vegetarian");
    EXPECT_EQ(outcome.stepReports[0].matches, 3);
    EXPECT_EQ(outcome.stepReports[1].criteria, "Calories...");
    EXPECT_EQ(outcome.stepReports[1].candidates, 3);  // only the vegetarian ones were tested
    EXPECT_EQ(outcome.stepReports[1].matches, 2);
    EXPECT_EQ(Results(2), Found({"Lentil Soup/Mains", "Veg Curry/Mains"}));
}

TEST_F(RecipeSearchTest, ComparisonsReadCaloriesCostAndTotalTimeByTheirTypes) {
    auto add = [&](const std::string &name, int total, int calories, float cost) {
        RecipeFields fields;
        fields.totalTime = total;
        fields.calories = calories;
        fields.cost = cost;
        AddRecipe(name, "Test", {}, fields);
    };
    add("A", 60, 500, 1.10f);
    add("B", 120, 501, 2.50f);
    add("C", 45, -1, -1.0f);  // calories and cost not known
    add("D", 61, 499, 0.99f);

    Select('S', "1.10", '=');  // equal at the precision the cost is stored in
    EXPECT_EQ(SearchFor(), Found({"A/Test"}));
    selection_.Clear();
    Select('S', "1.1", '<');
    EXPECT_EQ(SearchFor(), Found({"D/Test"}));
    selection_.Clear();
    Select('C', "500", '<');
    EXPECT_EQ(SearchFor(), Found({"D/Test"}));
    selection_.Clear();
    Select('C', "500 kcal", '=');
    EXPECT_EQ(SearchFor(), Found({"A/Test"}));
    selection_.Clear();
    Select('T', "1:00", '>');
    Select('C', "400", '>');
    EXPECT_EQ(SearchFor(), Found({"B/Test", "D/Test"}));
}

TEST_F(RecipeSearchTest, RegressionUnknownCaloriesAndCostMeetNoComparison) {
    RecipeFields unknown;  // calories -1, cost -1.0: "not known"
    AddRecipe("Mystery", "Test", {}, unknown);
    for (char option : {'<', '=', '>'}) {
        selection_.Clear();
        Select('C', "500", option);
        EXPECT_EQ(SearchFor(), Found()) << option;
        selection_.Clear();
        Select('S', "5", option);
        EXPECT_EQ(SearchFor(), Found()) << option;
    }
}

TEST_F(RecipeSearchTest, FlagsDifficultyAndCategories) {
    RecipeFields easyVegan;
    easyVegan.glutenFree = true;
    easyVegan.dairyFree = true;
    easyVegan.difficulty = "A";
    easyVegan.otherCategories = {"Quick", "Soups"};
    AddRecipe("Gazpacho", "Starters", {"Tomato"}, easyVegan);
    RecipeFields hard;
    hard.glutenFree = true;
    hard.difficulty = "C";
    AddRecipe("Souffle", "Desserts", {"Eggs"}, hard);
    AddRecipe("Toast", "Quick", {"Bread"});

    Select('G');
    EXPECT_EQ(SearchFor(), Found({"Gazpacho/Starters", "Souffle/Desserts"}));
    Select('D');
    EXPECT_EQ(SearchFor(), Found({"Gazpacho/Starters"}));
    selection_.Clear();
    Select('F', "", 'C');
    EXPECT_EQ(SearchFor(), Found({"Souffle/Desserts"}));
    // The primary category is one of the recipe's links as well.
    selection_.Clear();
    Select('A', "quick");
    EXPECT_EQ(SearchFor(), Found({"Gazpacho/Starters", "Toast/Quick"}));
    Select('X', "Soups");
    EXPECT_EQ(SearchFor(), Found({"Toast/Quick"}));
    selection_.Clear();
    Select('X', "Starters");
    EXPECT_EQ(SearchFor(), Found({"Souffle/Desserts", "Toast/Quick"}));
}

TEST_F(RecipeSearchTest, FirstStepThroughTheIngredientIndexMatchesTheTestOfEveryRecipe) {
    AddRecipe("Scones", "Baking", {"Flour", "Milk"});
    AddRecipe("Bread", "Baking", {"FLOUR", "Yeast"});
    AddRecipe("Salad", "Starters", {"Lettuce"});
    // A line whose recipe is not stored names no recipe.
    ASSERT_EQ(
        Insert(kTableRecipeIngredient,
               {{kFieldName, "Gone"}, {kFieldCategory, "Baking"}, {kFieldIngredient, "Flour"}}),
        KW_OK);
    Select('O', "flour");  // the first step: found through the index on INGREDIE
    EXPECT_EQ(SearchFor(), Found({"Bread/Baking", "Scones/Baking"}));

    // As a later step the same criterion is tested recipe by recipe.
    selection_.Clear();
    Select('N', "Nothing");
    Select('O', "flour");
    EXPECT_EQ(SearchFor(), Found({"Bread/Baking", "Scones/Baking"}));

    selection_.Clear();
    Select('O', std::string(49, 'x'));  // longer than any stored name
    EXPECT_EQ(SearchFor(), Found());
    selection_.Clear();
    Select('N', std::string(49, 'x'));
    EXPECT_EQ(SearchFor().size(), 3u);
}

TEST_F(RecipeSearchTest, ProgressRunsOverTwiceTheCriteriaAndCancelLeavesNoResults) {
    AddRecipe("Scones", "Baking", {"Flour"});
    AddRecipe("Bread", "Baking", {"Flour"});
    Select('V');
    Select('O', "Flour");
    Select('N', "Yeast");

    ScriptedProgress progress;
    const SearchOutcome outcome = Search(progress);
    EXPECT_EQ(outcome.result, KW_OK);
    EXPECT_FALSE(outcome.cancelled);
    EXPECT_EQ(progress.low_, 0);
    EXPECT_EQ(progress.high_, 6);
    EXPECT_EQ(progress.text_, "Searching");
    EXPECT_EQ(progress.label_, "");
    EXPECT_TRUE(progress.cancelEnabled_);
    EXPECT_EQ(progress.positions_, (std::vector<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(progress.ends_, 1);

    selection_.Clear();
    Select('O', "Flour");
    Select('N', "Yeast");
    EXPECT_EQ(SearchFor().size(), 2u);
    ScriptedProgress cancelling(4);  // in pass two, once the first step has entered both
    const SearchOutcome cancelled = Search(cancelling);
    EXPECT_TRUE(cancelled.cancelled);
    EXPECT_EQ(cancelled.result, KW_OK);
    EXPECT_EQ(cancelling.ends_, 1);
    EXPECT_EQ(Results(0), Found());
}

TEST_F(RecipeSearchTest, ResultsAreListedByNameWithTheirCountAndSplitAtTheFirstTab) {
    AddRecipe("Scones", "Baking", {"Flour"});
    AddRecipe("Apple Pie", "Desserts", {"Flour"});
    AddRecipe("Apple Pie", "Baking", {"Flour"});
    Select('O', "Flour");
    SearchFor();

    CKWTable *results = nullptr;
    ASSERT_EQ(OpenSearchResultTable(db_, &results), KW_OK);
    const SearchResultListing listing = ListSearchResults(*results);
    EXPECT_EQ(listing.result, KW_OK);
    EXPECT_EQ(listing.lines, (std::vector<std::string>{"Apple Pie\tBaking", "Apple Pie\tDesserts",
                                                       "Scones\tBaking"}));
    EXPECT_EQ(listing.countText, "3 Recipe(s) match");

    EXPECT_EQ(SplitResultLine("Apple Pie\tDesserts").name, "Apple Pie");
    EXPECT_EQ(SplitResultLine("Apple Pie\tDesserts").category, "Desserts");
    EXPECT_EQ(SplitResultLine("A\tB\tC").category, "B\tC");
    EXPECT_EQ(SplitResultLine("No tab").name, "No tab");
    EXPECT_EQ(SplitResultLine("No tab").category, "");
}

}  // namespace
}  // namespace kw::planning
