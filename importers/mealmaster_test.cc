// The Meal-Master filter on hand-made recipes, one quirk at a time.
#include <gtest/gtest.h>

#include <string>

#include "import_test_support.h"

namespace kw::import {
namespace {

using testing::CapturedLog;
using testing::CrLf;
using testing::ReadAll;
using testing::ReadOne;

constexpr int32_t kMealMaster = KWIMPT_MEAL_MASTER;

// A recipe as Meal-Master 8 writes it, with the ingredient and method lines given.
std::string Recipe(const std::string &ingredients, const std::string &method,
                   const char *title = "Test Pie", const char *yield = "      Yield: 4 servings") {
    return CrLf({"MMMMM----- Recipe via Meal-Master (tm) v8.05", " "}) + "      Title: " + title +
           "\r\n" + CrLf({" Categories: Desserts, Pies", yield, " "}) + ingredients + " \r\n" +
           method + CrLf({" ", "MMMMM"});
}

TEST(MealMaster, IngredientWithFractionUnitAndNote) {
    const auto r =
        ReadOne(Recipe(CrLf({"  1 1/2 c  Flour; sifted"}), CrLf({"  Mix."})), kMealMaster);
    ASSERT_EQ(r.result, 0);
    EXPECT_EQ(r.name, "Test Pie");
    EXPECT_EQ(r.category, "Desserts");
    EXPECT_EQ(r.others, (std::vector<std::string>{"Desserts", "Pies"}));
    EXPECT_EQ(r.servings, 4);
    ASSERT_EQ(r.ingredients.size(), 1u);
    EXPECT_EQ(r.ingredients[0].name, "Flour");
    EXPECT_EQ(r.ingredients[0].note, "sifted");
    EXPECT_FLOAT_EQ(r.ingredients[0].quantity, 354.882f);
    EXPECT_EQ(r.ingredients[0].kind, KWIMPT_VOLUME);
    EXPECT_EQ(r.ingredients[0].choice, 1);
    // The fixed values.
    EXPECT_EQ(r.calories, -1);
    EXPECT_FLOAT_EQ(r.cost, -1.0f);
    EXPECT_EQ(r.difficulty, 'A');
    EXPECT_EQ(r.vegetarian, 0);
    EXPECT_EQ(r.dairyFree, 0);
    EXPECT_EQ(r.glutenFree, 0);
    EXPECT_EQ(r.prepTime, 0);
    EXPECT_EQ(r.totalTime, 0);
    EXPECT_EQ(r.reference, "");
}

TEST(MealMaster, CommaCutsWhenThereIsNoSemicolonAndUnknownUnitsAreItems) {
    const auto r = ReadOne(
        Recipe(CrLf({"      2 md Onions, chopped; fine", "      3    Eggs", "           Salt"}),
               CrLf({"  Mix."})),
        kMealMaster);
    ASSERT_EQ(r.ingredients.size(), 3u);
    EXPECT_EQ(r.ingredients[0].name, "Onions, chopped");
    EXPECT_EQ(r.ingredients[0].note, "fine");
    EXPECT_EQ(r.ingredients[0].kind, KWIMPT_ITEMS);
    EXPECT_FLOAT_EQ(r.ingredients[0].quantity, 2);
    EXPECT_EQ(r.ingredients[1].kind, KWIMPT_ITEMS);
    EXPECT_EQ(r.ingredients[1].choice, 0);
    // No amount: weight with the no-unit choice and quantity 0.
    EXPECT_EQ(r.ingredients[2].name, "Salt");
    EXPECT_EQ(r.ingredients[2].kind, KWIMPT_WEIGHT);
    EXPECT_EQ(r.ingredients[2].choice, KWIMPT_NO_UNIT);
    EXPECT_FLOAT_EQ(r.ingredients[2].quantity, 0);
    EXPECT_EQ(r.warnings, 0);
}

TEST(MealMaster, DashLineContinuesThePreviousNote) {
    const auto r = ReadOne(Recipe(CrLf({"      1    Onion; peeled", "           -finely chopped",
                                        "      1 c  Butter", "           -softened"}),
                                  CrLf({"  Mix."})),
                           kMealMaster);
    ASSERT_EQ(r.ingredients.size(), 2u);
    EXPECT_EQ(r.ingredients[0].note, "peeled finely chopped");
    EXPECT_EQ(r.ingredients[1].note, "softened");
}

TEST(MealMaster, DashLineBeforeAnyIngredientIsAnIngredient) {
    const auto r = ReadOne(Recipe(CrLf({"           -Garnish"}), CrLf({"  Mix."})), kMealMaster);
    ASSERT_EQ(r.ingredients.size(), 1u);
    EXPECT_EQ(r.ingredients[0].name, "-Garnish");
}

TEST(MealMaster, SubHeadingsAreSkippedAndTheListGoesOn) {
    const auto r = ReadOne(
        Recipe(
            CrLf({"      1 c  Flour", "MMMMM---------------GLAZE--------------", "      2 tb Sugar",
                  "---------------TOPPING--------------", "      1 ts Salt"}),
            CrLf({"  Mix."})),
        kMealMaster);
    ASSERT_EQ(r.ingredients.size(), 3u);
    EXPECT_EQ(r.ingredients[1].name, "Sugar");
    EXPECT_EQ(r.ingredients[2].name, "Salt");
    EXPECT_EQ(r.method, "Mix.\r\n");
}

TEST(MealMaster, TwoColumnLinesStoreLeftThenRight) {
    // The right half starts in column 41, laid out like the left one.
    const auto twoColumns = [](std::string left, const std::string &right) {
        left.resize(41, ' ');
        return left + right;
    };
    const std::string line1 = twoColumns("      2    Chiles; roasted", "      1    Egg; separated");
    const std::string line2 =
        twoColumns("  1 1/3 oz Cheese, jack", "    1/2 c  Flour, all purpose");
    const auto r = ReadOne(Recipe(line1 + "\r\n" + line2 + "\r\n", CrLf({"  Fry."})), kMealMaster);
    ASSERT_EQ(r.ingredients.size(), 4u);
    EXPECT_EQ(r.ingredients[0].name, "Chiles");
    EXPECT_EQ(r.ingredients[1].name, "Egg");
    EXPECT_EQ(r.ingredients[1].note, "separated");
    EXPECT_FLOAT_EQ(r.ingredients[2].quantity, 28.35f * 4 / 3);
    EXPECT_EQ(r.ingredients[3].name, "Flour");
    EXPECT_FLOAT_EQ(r.ingredients[3].quantity, 118.294f);
}

TEST(MealMaster, RightColumnOneDigitWholePartInColumn43IsNotLost) {
    // "  1 1/2 c  Sugar" in the right half: the 1 stands in column 43.
    std::string line = "      2    Eggs";
    line.resize(41, ' ');
    line += "  1 1/2 c  Sugar";
    ASSERT_EQ(line[43], '1');
    std::string wide = "     12    Figs";
    wide.resize(41, ' ');
    wide += " 12 1/2 oz Dates";
    const auto r = ReadOne(Recipe(line + "\r\n" + wide + "\r\n", CrLf({"  Mix."})), kMealMaster);
    ASSERT_EQ(r.ingredients.size(), 4u);
    EXPECT_EQ(r.ingredients[1].name, "Sugar");
    EXPECT_FLOAT_EQ(r.ingredients[1].quantity, 354.882f);  // 1 1/2 cups, not 1/2
    EXPECT_EQ(r.ingredients[3].name, "Dates");
    EXPECT_FLOAT_EQ(r.ingredients[3].quantity, 28.35f * 12.5f);
}

TEST(MealMaster, MethodLinesJoinWithBlanksAndBreakAfterFullStops) {
    const auto r =
        ReadOne(Recipe(CrLf({"      1 c  Flour"}),
                       CrLf({"  Mix well", "  and bake.", "  Serve hot\x14", "  Enjoy"})),
                kMealMaster);
    EXPECT_EQ(r.method, "Mix well and bake.\r\nServe hot\r\nEnjoy ");
}

TEST(MealMaster, MissingYieldIsSearchedInTheFollowingLines) {
    const std::string text =
        CrLf({"MMMMM----- Recipe via Meal-Master (tm) v8.05", " ", "      Title: Late Yield",
              " Categories: Soups", "     Source: Grandma", "      Yield: 6 servings", " ",
              "      1 c  Water", " ", "  Boil.", " ", "MMMMM"});
    const auto r = ReadOne(text, kMealMaster);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.servings, 6);
    ASSERT_EQ(r.ingredients.size(), 1u);
    EXPECT_EQ(r.method, "Boil.\r\n");
}

TEST(MealMaster, HeadWithoutYieldEndsAtAShortLine) {
    const std::string text =
        CrLf({"MMMMM----- Recipe via Meal-Master (tm) v8.05", " ", "      Title: No Yield",
              " Categories: Soups", " ", "      1 c  Water", " ", "  Boil.", " ", "MMMMM"});
    const auto r = ReadOne(text, kMealMaster);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.servings, 0);
    ASSERT_EQ(r.ingredients.size(), 1u);
    EXPECT_EQ(r.ingredients[0].name, "Water");
}

TEST(MealMaster, VersionSevenServingsIsTheYield) {
    const auto r = ReadOne(
        Recipe(CrLf({"      1 c  Water"}), CrLf({"  Boil."}), "Old Style", "   Servings:  6"),
        kMealMaster);
    EXPECT_EQ(r.servings, 6);
    ASSERT_EQ(r.ingredients.size(), 1u);
    EXPECT_EQ(r.ingredients[0].name, "Water");
}

TEST(MealMaster, TitleKeywordIsFoundInsideAnotherWord) {
    const std::string text = CrLf({"MMMMM----- Recipe via Meal-Master (tm) v8.05", " ",
                                   "   SubTitle: Inner", " Categories: Soups", "      Yield: 2",
                                   " ", "      1 c  Water", " ", "  Boil.", " ", "MMMMM"});
    EXPECT_EQ(ReadOne(text, kMealMaster).name, "Inner");
}

TEST(MealMaster, TextStartingWithItsTitleLine) {
    const std::string text = CrLf({"      Title: Headless", " Categories: Soups", "      Yield: 2",
                                   " ", "      1 c  Water", " ", "  Boil.", " ", "MMMMM"});
    const auto r = ReadOne(text, kMealMaster);
    EXPECT_EQ(r.name, "Headless");
    EXPECT_EQ(r.servings, 2);
    EXPECT_EQ(r.ingredients.size(), 1u);
}

TEST(MealMaster, TwoRecipesAreReadByTwoCalls) {
    const std::string first = Recipe(CrLf({"      1 c  Flour"}), CrLf({"  Bake."}), "First");
    const std::string second = Recipe(CrLf({"      2 c  Milk"}), CrLf({"  Boil."}), "Second");
    const std::string text = first + second;
    const auto one = ReadOne(text, kMealMaster);
    EXPECT_EQ(one.name, "First");
    // The second call starts right after the first recipe's end marker.
    EXPECT_EQ(one.end, static_cast<int32_t>(first.size()));
    const auto two = ReadOne(text, kMealMaster, one.end);
    EXPECT_EQ(two.name, "Second");
    EXPECT_EQ(two.ingredients.at(0).name, "Milk");
    EXPECT_EQ(two.end, static_cast<int32_t>(text.size()));
    EXPECT_EQ(ReadOne(text, kMealMaster, two.end).result, -1);
}

TEST(MealMaster, SeveralBlankLinesBetweenRecipesReadAsOne) {
    const std::string first = Recipe(CrLf({"      1 c  Flour"}), CrLf({"  Bake."}), "First");
    const std::string second = Recipe(CrLf({"      2 c  Milk"}), CrLf({"  Boil."}), "Second");
    const auto single = ReadAll(first + second, kMealMaster);
    const auto spaced = ReadAll(first + "\r\n\r\n\r\n\n\n" + second, kMealMaster);
    ASSERT_EQ(single.size(), 2u);
    ASSERT_EQ(spaced.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(spaced[i].name, single[i].name);
        EXPECT_EQ(spaced[i].method, single[i].method);
        EXPECT_EQ(spaced[i].ingredients.size(), single[i].ingredients.size());
    }
}

TEST(MealMaster, EmptyLinesInsteadOfBlankLinesSeparateTheSameWay) {
    // Text whose trailing blanks were stripped: the " " separator lines are empty.
    const std::string text =
        CrLf({"MMMMM----- Recipe via Meal-Master (tm) v8.05", "", "      Title: Stripped",
              " Categories: Soups", "", "      1 c  Water", "      2    Eggs", "",
              "  1. Boil the water.", "  2. Add the eggs.", "", "MMMMM"});
    const auto r = ReadOne(text, kMealMaster);
    EXPECT_EQ(r.name, "Stripped");
    ASSERT_EQ(r.ingredients.size(), 2u);
    EXPECT_EQ(r.method, "1. Boil the water.\r\n2. Add the eggs.\r\n");
}

TEST(MealMaster, NextRecipeHeadInsideTheIngredientListEndsTheRecipe) {
    // Another program's Meal-Master layout: no end marker of its own before the next head.
    const std::string text =
        CrLf({"----- Exported by Other [Meal-Master Export Format] -----", "      Title: One",
              " Categories: Snacks", "   Servings: 2", "      1  c a", "-----",
              "----- Exported by Other [Meal-Master Export Format] -----", "      Title: Two",
              " Categories: Snacks", "   Servings: 3", "      2  c b", "-----"});
    const auto all = ReadAll(text, kMealMaster);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].name, "One");
    EXPECT_EQ(all[0].ingredients.size(), 1u);
    EXPECT_EQ(all[1].name, "Two");
    EXPECT_EQ(all[1].servings, 3);
    ASSERT_EQ(all[1].ingredients.size(), 1u);
    EXPECT_EQ(all[1].ingredients[0].name, "b");
}

TEST(MealMaster, MissingCategoryGivesResultOneAndIsLogged) {
    CapturedLog log;
    const std::string text = CrLf({"MMMMM----- Recipe via Meal-Master (tm) v8.05", " ",
                                   "      Title: Lonely", " Categories: ", "      Yield: 1", " ",
                                   "      1 c  Water", " ", "  Boil.", " ", "MMMMM"});
    const auto r = ReadOne(text, kMealMaster, 0, log.fd());
    EXPECT_EQ(r.result, 1);
    EXPECT_EQ(r.name, "Lonely");
    EXPECT_EQ(r.ingredients.size(), 1u);  // everything else is still read
    EXPECT_EQ(r.warnings, 0);
    EXPECT_NE(log.Text().find("*** No Name or Category found\r\n"), std::string::npos);
    EXPECT_NE(log.Text().find(">>       Title: Lonely\r\n"), std::string::npos);
}

TEST(MealMaster, TextEndingInsideTheHeadReadsNothing) {
    const auto r = ReadOne(CrLf({"MMMMM----- Recipe via Meal-Master (tm) v8.05", " ",
                                 "      Title: Cut Off", " Categories: Soups"}),
                           kMealMaster);
    EXPECT_EQ(r.result, -1);
    EXPECT_EQ(r.name, "");  // nothing filled
    EXPECT_EQ(ReadOne("no recipe here", kMealMaster).result, -1);
}

TEST(MealMaster, AtMost256IngredientsWithOneWarning) {
    std::string lines;
    for (int i = 0; i < 300; ++i)
        lines += "      1    Item " + std::to_string(i) + "\r\n";
    CapturedLog log;
    const auto r = ReadOne(Recipe(lines, CrLf({"  Count."})), kMealMaster, 0, log.fd());
    EXPECT_EQ(r.ingredients.size(), 256u);
    EXPECT_EQ(r.ingredients.back().name, "Item 255");
    EXPECT_EQ(r.warnings, 1);
    EXPECT_NE(log.Text().find("*** Too many Ingredients found\r\n"), std::string::npos);
    EXPECT_EQ(r.method, "Count.\r\n");  // the lines that found no place are not method text
}

TEST(MealMaster, MethodKeepsWhatFitsIn4095CharactersWithOneWarning) {
    std::string method;
    for (int i = 0; i < 100; ++i)
        method += "  " + std::string(60, 'a' + i % 26) + ".\r\n";
    CapturedLog log;
    const std::string text = Recipe(CrLf({"      1 c  Flour"}), method, "Long") +
                             Recipe(CrLf({"      1 c  Milk"}), CrLf({"  Boil."}), "Next");
    const auto r = ReadOne(text, kMealMaster, 0, log.fd());
    EXPECT_EQ(r.warnings, 1);
    EXPECT_LE(r.method.size(), 4095u);
    EXPECT_EQ(r.method.size() % 63, 0u);  // whole lines only
    EXPECT_NE(log.Text().find("*** Method too long.\r\n"), std::string::npos);
    // The next recipe is still found.
    EXPECT_EQ(ReadOne(text, kMealMaster, r.end).name, "Next");
}

TEST(MealMaster, LongMethodLinesAreTakenWhole) {
    const std::string longLine = "  " + std::string(150, 'w') + " end.";
    const auto r = ReadOne(Recipe(CrLf({"      1 c  Flour"}), longLine + "\r\n"), kMealMaster);
    EXPECT_EQ(r.method, std::string(150, 'w') + " end.\r\n");
}

}  // namespace
}  // namespace kw::import
