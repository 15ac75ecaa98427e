// The MasterCook filter on hand-made recipes, one quirk at a time.
#include <gtest/gtest.h>

#include <string>

#include "import_test_support.h"

namespace kw::import {
namespace {

using testing::CapturedLog;
using testing::CrLf;
using testing::ReadAll;
using testing::ReadOne;

constexpr int32_t kMasterCook = KWIMPT_MASTERCOOK;

// A recipe as MasterCook exports it, with the given category line, ingredients and method.
std::string Recipe(const std::string &ingredients, const std::string &method,
                   const char *title = "Test Stew",
                   const char *categories = "Categories    : Main Dish, Poultry",
                   const char *banner = "*  Exported from  MasterCook  *") {
    return CrLf({banner, ""}) + "                     " + title + "\r\n" +
           CrLf({"", "Recipe By     : Aunt Jo", "Serving Size  : 4     Preparation Time :1:30",
                 categories, "", "  Amount  Measure       Ingredient -- Preparation Method",
                 "--------  ------------  --------------------------------"}) +
           ingredients + "\r\n" + method +
           CrLf({"", "                   - - - - - - - - - - - - - - - - - - "});
}

TEST(MasterCook, HeadFieldsOnSharedLines) {
    const auto r = ReadOne(
        Recipe(CrLf({"   1 1/2  cups          flour -- sifted"}), CrLf({"Stir."})), kMasterCook);
    ASSERT_EQ(r.result, 0);
    EXPECT_EQ(r.name, "Test Stew");
    EXPECT_EQ(r.reference, "Aunt Jo");
    EXPECT_EQ(r.servings, 4);
    EXPECT_EQ(r.prepTime, 90);
    // "Main Dish, Poultry": the first is the primary category and stays in the list.
    EXPECT_EQ(r.category, "Main Dish");
    EXPECT_EQ(r.others, (std::vector<std::string>{"Main Dish", "Poultry"}));
    EXPECT_EQ(r.totalTime, 0);
    EXPECT_EQ(r.calories, -1);
    EXPECT_FLOAT_EQ(r.cost, -1.0f);
    EXPECT_EQ(r.difficulty, 'A');
    EXPECT_EQ(r.vegetarian, 0);
}

TEST(MasterCook, IngredientColumnsWithPreparationNote) {
    const auto r = ReadOne(
        Recipe(CrLf({"   1 1/2  cups          flour -- sifted", "     3/4  teaspoon      salt",
                     "   2      large         eggs -- beaten", "                        pepper"}),
               CrLf({"Stir."})),
        kMasterCook);
    ASSERT_EQ(r.ingredients.size(), 3u);
    EXPECT_EQ(r.ingredients[0].name, "flour");
    EXPECT_EQ(r.ingredients[0].note, "sifted");
    EXPECT_FLOAT_EQ(r.ingredients[0].quantity, 1.5f * 236.588f);
    EXPECT_EQ(r.ingredients[0].kind, KWIMPT_VOLUME);
    EXPECT_EQ(r.ingredients[0].choice, 1);
    EXPECT_FLOAT_EQ(r.ingredients[1].quantity, 3.75f);
    EXPECT_EQ(r.ingredients[1].choice, 3);
    EXPECT_EQ(r.ingredients[2].kind, KWIMPT_ITEMS);  // "large" is no unit
    EXPECT_FLOAT_EQ(r.ingredients[2].quantity, 2);
    // Eight blanks: no amount, no measure — more of the previous note.
    EXPECT_EQ(r.ingredients[2].note, "beaten pepper");
    EXPECT_EQ(r.warnings, 0);
}

TEST(MasterCook, EightBlankContinuationDropsItsOwnNote) {
    const auto r = ReadOne(Recipe(CrLf({"   1      pound         beef",
                                        "                        cut in cubes -- or strips"}),
                                  CrLf({"Stir."})),
                           kMasterCook);
    ASSERT_EQ(r.ingredients.size(), 1u);
    EXPECT_EQ(r.ingredients[0].note, "cut in cubes");
}

TEST(MasterCook, EightBlankLineBeforeAnyIngredientIsAnIngredient) {
    const auto r = ReadOne(Recipe(CrLf({"                        cashews -- amount you want",
                                        "   1      cup           sugar"}),
                                  CrLf({"Layer."})),
                           kMasterCook);
    ASSERT_EQ(r.ingredients.size(), 2u);
    EXPECT_EQ(r.ingredients[0].name, "cashews");
    EXPECT_EQ(r.ingredients[0].note, "amount you want");
    EXPECT_EQ(r.ingredients[0].choice, KWIMPT_NO_UNIT);
    EXPECT_EQ(r.ingredients[1].name, "sugar");
}

TEST(MasterCook, SubHeadingsBecomeSuffixes) {
    const auto r = ReadOne(
        Recipe(CrLf({"   1      cup           flour", "                        Sauce:",
                     "   2      tablespoons   Butter -- melted", "   1      cup           milk"}),
               CrLf({"Stir."})),
        kMasterCook);
    ASSERT_EQ(r.ingredients.size(), 3u);
    EXPECT_EQ(r.ingredients[0].name, "flour");
    EXPECT_EQ(r.ingredients[1].name, "Butter (Sauce)");
    EXPECT_EQ(r.ingredients[1].note, "melted");
    EXPECT_FLOAT_EQ(r.ingredients[1].quantity, 30);
    EXPECT_EQ(r.ingredients[2].name, "milk (Sauce)");
}

TEST(MasterCook, MissingNameColumnIsAWarning) {
    CapturedLog log;
    const auto r =
        ReadOne(Recipe(CrLf({"   1      cup", "   1      cup           sugar"}), CrLf({"Stir."})),
                kMasterCook, 0, log.fd());
    EXPECT_EQ(r.ingredients.size(), 1u);
    EXPECT_EQ(r.warnings, 1);
    EXPECT_NE(log.Text().find("*** Missing Ingredient Name\r\n"), std::string::npos);
}

TEST(MasterCook, MethodStopsAtTheEndSeparatorWhichIsConsumed) {
    const std::string first =
        Recipe(CrLf({"   1      cup           flour"}),
               CrLf({"Mix the flour", "with water.", "", "Bake it\x14", "Serve"}), "First");
    const std::string second =
        Recipe(CrLf({"   2      cups          milk"}), CrLf({"Boil."}), "Second");
    const auto one = ReadOne(first + second, kMasterCook);
    EXPECT_EQ(one.method, "Mix the flour with water.\r\nBake it\r\nServe ");
    EXPECT_EQ(one.end, static_cast<int32_t>(first.size()));
    const auto two = ReadOne(first + second, kMasterCook, one.end);
    EXPECT_EQ(two.name, "Second");
    EXPECT_EQ(two.method, "Boil.\r\n");
}

TEST(MasterCook, BannerWithSingleBlanksAndMethodIndentedByBlanks) {
    // An empty line ends the ingredient list, so an indented method is not read as ingredients.
    const auto r = ReadOne(Recipe(CrLf({"   1      ounce         Vodka"}),
                                  CrLf({"   Shake with ice.", "   Serve cold."}), "Drink",
                                  "Categories    : Mixed Drinks                     Specialty",
                                  "* Exported from MasterCook *"),
                           kMasterCook);
    EXPECT_EQ(r.name, "Drink");
    ASSERT_EQ(r.ingredients.size(), 1u);
    EXPECT_FLOAT_EQ(r.ingredients[0].quantity, 28.35f);
    EXPECT_EQ(r.method, "Shake with ice.\r\nServe cold.\r\n");
    EXPECT_EQ(r.others, (std::vector<std::string>{"Mixed Drinks", "Specialty"}));
}

TEST(MasterCook, CategoriesInColumnsTabsAndContinuationLines) {
    const std::string text =
        CrLf({"* Exported from MasterCook *", "", "  Biscotti", "", "Recipe By     : Jane",
              "Serving Size  : 1     Preparation Time :0:00",
              "Categories    : 06/99                           Cookies & Bars",
              "                Eat-Lf Mailing List             Vegetarian", "", "",
              "  Amount  Measure       Ingredient -- Preparation Method",
              "--------  ------------  ---------------------------------",
              "  2               cups  flour", "", "Bake.", "",
              "                 - - - - - - - - - - - "});
    const auto r = ReadOne(text, kMasterCook);
    EXPECT_EQ(r.category, "06/99");
    EXPECT_EQ(r.others, (std::vector<std::string>{"06/99", "Cookies - Bars", "Eat-Lf Mailing List",
                                                  "Vegetarian"}));
    ASSERT_EQ(r.ingredients.size(), 1u);
    EXPECT_EQ(r.method, "Bake.\r\n");
    const auto tabs = ReadOne(Recipe(CrLf({"   1      cup           flour"}), CrLf({"Mix."}),
                                     "Tabbed", "Categories    : Snacks\tCookies"),
                              kMasterCook);
    EXPECT_EQ(tabs.others, (std::vector<std::string>{"Snacks", "Cookies"}));
}

TEST(MasterCook, EmptyCategoryLineEndsTheHeadAtTheColumnHeadings) {
    CapturedLog log;
    const std::string text =
        CrLf({"* Exported from MasterCook *", "", "  Pecans", "", "Recipe By     : Possum Kingdom",
              "Serving Size  : 25    Preparation Time : 14",
              "Categories    : ", "  Amount  Measure       Ingredient -- Preparation Method",
              "--------  ------------  --------------------------------",
              "       2   tablespoons  butter", "", "Melt.", "", "        - - - - - - - - - - - "});
    const auto r = ReadOne(text, kMasterCook, 0, log.fd());
    EXPECT_EQ(r.result, 1);  // no category
    EXPECT_NE(log.Text().find("*** No Name or Category found\r\n"), std::string::npos);
    EXPECT_EQ(r.prepTime, 14);
    EXPECT_EQ(r.servings, 25);
    ASSERT_EQ(r.ingredients.size(), 1u);
    EXPECT_FLOAT_EQ(r.ingredients[0].quantity, 30);
    EXPECT_EQ(r.method, "Melt.\r\n");
}

TEST(MasterCook, MissingTitleIsNamedNoNameFound) {
    CapturedLog log;
    const std::string text = CrLf({"* Exported from MasterCook *", "", "     ",
                                   "Categories    : Soups", "", "Boil.", "- - - - -"});
    const auto r = ReadOne(text, kMasterCook, 0, log.fd());
    EXPECT_EQ(r.result, 1);
    EXPECT_EQ(r.name, "No-Name-Found");
    EXPECT_NE(log.Text().find("*** No Name found\r\n"), std::string::npos);
}

TEST(MasterCook, ShortEndLineLeavesTheNextBannerForTheNextCall) {
    // "- - - -" alone stops the method but is no end marker; the next banner is not swallowed.
    const std::string first = CrLf(
        {"* Exported from MasterCook *", "", "  One", "", "Recipe By     : A", "Serving Size  : 2",
         "Categories    : Snacks", "", "  Amount  Measure       Ingredient -- Preparation Method",
         "--------  ------------  --------------------------------", "   1      cup           oats",
         "", "Bake.", "", "- - - -", ""});
    const std::string second =
        Recipe(CrLf({"   2      cups          milk"}), CrLf({"Boil."}), "Two");
    const auto all = ReadAll(first + second, kMasterCook);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].name, "One");
    EXPECT_EQ(all[0].method, "Bake.\r\n");
    EXPECT_EQ(all[1].name, "Two");
}

TEST(MasterCook, TrailerAfterTheLastRecipeIsNoRecipe) {
    const std::string text =
        Recipe(CrLf({"   1      cup           flour"}), CrLf({"Mix."})) +
        CrLf({"", "Per Serving (excluding unknown items): 566 Calories; 8g Fat", "",
              "NOTES : Makes a lot.", "Nutr. Assoc. : 0 0 0", ""});
    const auto all = ReadAll(text, kMasterCook);
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].result, 0);
    int32_t position = all[0].end;
    auto record = std::make_unique<RecipeImportRecord>();
    int32_t warnings = 0;
    EXPECT_EQ(ImportRecipe(&position, text.c_str(), record.get(), &warnings, kMasterCook, -1), -1);
    EXPECT_EQ(position, static_cast<int32_t>(text.size()));
}

TEST(MasterCook, LongMethodLinesAreTakenWhole) {
    const std::string paragraph = "Heat the oil. " + std::string(200, 'p') + " Serve.";
    const auto r =
        ReadOne(Recipe(CrLf({"   1      cup           rice"}), paragraph + "\r\n"), kMasterCook);
    EXPECT_EQ(r.method, paragraph + "\r\n");
}

TEST(MasterCook, TextWithoutBannerStartsAfterTheFirstLine) {
    const std::string text = CrLf({"From a mail", "  Plain Soup", "", "Recipe By     : Me",
                                   "Serving Size  : 2", "Categories    : Soups", "",
                                   "  Amount  Measure       Ingredient -- Preparation Method",
                                   "--------  ------------  --------------------------------",
                                   "   1      cup           water", "", "Boil.", "", "- - - - -"});
    const auto r = ReadOne(text, kMasterCook);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.name, "Plain Soup");
    EXPECT_EQ(r.ingredients.size(), 1u);
}

TEST(MasterCook, TooManyIngredientsAndTooLongMethod) {
    std::string lines;
    for (int i = 0; i < 260; ++i)
        lines += "   1      cup           thing " + std::to_string(i) + "\r\n";
    std::string method;
    for (int i = 0; i < 80; ++i)
        method += std::string(70, 'm') + ".\r\n";
    CapturedLog log;
    const std::string text = Recipe(lines, method, "Huge") +
                             Recipe(CrLf({"   1      cup           tea"}), CrLf({"Brew."}), "Next");
    const auto r = ReadOne(text, kMasterCook, 0, log.fd());
    EXPECT_EQ(r.ingredients.size(), 256u);
    EXPECT_EQ(r.warnings, 2);
    EXPECT_LE(r.method.size(), 4095u);
    EXPECT_EQ(r.method.substr(0, 73), std::string(70, 'm') + ".\r\n");  // no ingredient lines
    EXPECT_NE(log.Text().find("*** Too many Ingredients found\r\n"), std::string::npos);
    EXPECT_NE(log.Text().find("*** Method too long.\r\n"), std::string::npos);
    EXPECT_EQ(ReadOne(text, kMasterCook, r.end).name, "Next");
}

}  // namespace
}  // namespace kw::import
