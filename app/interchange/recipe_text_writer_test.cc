// The recipe text writer on its own: one recipe byte for byte, and the layout rules that the
// reader depends on (the "Other" line, shifted ingredient columns, method line breaking).
#include "app/interchange/recipe_text_writer.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "app/core/messages.h"
#include "app/recipes/memory_catalog.h"

namespace kw {
namespace {

// The lines of a text without their CR LF; fails the test when a line lacks one.
std::vector<std::string> TextLines(const std::string &text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            ADD_FAILURE() << "text does not end in CR LF";
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

RecipeTextValues AppleCrumble() {
    RecipeTextValues r;
    r.name = "Apple Crumble";
    r.category = "Desserts";
    r.otherCategories = {"Baking", "Desserts", "Family Favourites"};
    r.ingredients = {{"Cooking apples", {750.0f, 1, kWeight, "peeled and sliced"}},
                     {"Plain flour", {200.0f, 1, kWeight, "sifted"}},
                     {"Demerara sugar", {15.0f, 2, kVolume, ""}},
                     {"Eggs", {2.0f, 0, kItems, ""}},
                     {"Salt", {0.0f, kUnspecifiedChoice, kWeight, "a pinch"}}};
    r.method =
        "Heat the oven to 190C.\r\nRub the butter into the flour until the mixture looks like "
        "fine breadcrumbs, then stir in the sugar.\r\nBake for 40 minutes.";
    r.vegetarian = true;
    r.calories = 420;
    r.cost = 0.85;
    r.difficulty = 'B';
    r.reference = "Family recipe book";
    r.servings = 6;
    r.prepTime = 20;
    r.totalTime = 75;
    return r;
}

class RecipeTextWriterTest : public ::testing::Test {
  protected:
    std::string Write(const RecipeTextValues &recipe) {
        const UnitContext context{settings_, catalog_, sink_};
        return FormatRecipeText(recipe, context);
    }

    NumberSettings settings_{kMetric, 1, 0};
    MemoryIngredientCatalog catalog_;
    RecordingSink sink_;
};

// Written out from the line table by hand: field widths 32 for name and category, 10/10/32/32
// for the ingredient columns, the method broken at the first blank from column 71 on.
TEST_F(RecipeTextWriterTest, GoldenRecipeByteForByte) {
    const std::string expected =
        "===== Recipe By Kettleworth 2.0 [Linux] =====\r\n"
        "===== https://kettleworth.example/\r\n"
        "Name    : Apple Crumble                   \r\n"
        "Category: Desserts                        \r\n"
        "Other   : Baking, Family Favourites, \r\n"
        "-----\r\n"
        "750       g         Cooking apples                  peeled and sliced               \r\n"
        "200       g         Plain flour                     sifted                          \r\n"
        "1         tbsp      Demerara sugar                                                  \r\n"
        "2         items     Eggs                                                            \r\n"
        "-         -         Salt                            a pinch                         \r\n"
        "-----\r\n"
        "Heat the oven to 190C.\r\n"
        "Rub the butter into the flour until the mixture looks like fine breadcrumbs,\\\r\n"
        "then stir in the sugar.\r\n"
        "Bake for 40 minutes.\r\n"
        "-----\r\n"
        "Vegetarian: Y  Gluten Free: N\r\n"
        "Dairy Free: N\r\n"
        "Calories  : 420\r\n"
        "Cost      : 0.85\r\n"
        "Difficulty: Medium\r\n"
        "Reference : Family recipe book\r\n"
        "Serves    : 6\r\n"
        "Prep Time : 0:20       Total Time: 1:15      \r\n"
        "===== End =====\r\n";
    EXPECT_EQ(Write(AppleCrumble()), expected);
    EXPECT_TRUE(sink_.Messages().empty());
}

TEST_F(RecipeTextWriterTest, UnknownValuesDifficultiesAndTimes) {
    RecipeTextValues recipe = AppleCrumble();
    recipe.calories.reset();
    recipe.cost.reset();
    recipe.difficulty = 'C';
    recipe.prepTime = 0;
    recipe.totalTime = 605;
    const std::vector<std::string> lines = TextLines(Write(recipe));
    ASSERT_EQ(lines.size(), 26u);
    EXPECT_EQ(lines[19], "Calories  : Unknown");
    EXPECT_EQ(lines[20], "Cost      : Unknown");
    EXPECT_EQ(lines[21], "Difficulty: Hard");
    EXPECT_EQ(lines[24], "Prep Time : 0:00       Total Time: 10:05     ");
    EXPECT_STREQ(RecipeTextDifficulty('A'), "Easy");
    EXPECT_STREQ(RecipeTextDifficulty(' '),
                 "Easy");  // an empty or damaged code shows as the default
    EXPECT_EQ(RecipeTextTime(-30), "0:00");
}

TEST_F(RecipeTextWriterTest, OtherLineWithoutCategoriesEndsAfterTheLabel) {
    EXPECT_EQ(FormatRecipeTextOtherLines("Desserts", {}), "Other   : \r\n");
    // Only the link to the primary category: it is not repeated, so the line is empty too.
    EXPECT_EQ(FormatRecipeTextOtherLines("Desserts", {"Desserts"}), "Other   : \r\n");
    // The primary category is left out only where it is spelled exactly so; empty links never.
    EXPECT_EQ(FormatRecipeTextOtherLines("Desserts", {"", "desserts", "Desserts", "Tarts"}),
              "Other   : desserts, Tarts, \r\n");
}

TEST_F(RecipeTextWriterTest, LongOtherListGoesOnOverFurtherLinesOfAtMost128Bytes) {
    std::vector<std::string> others;
    for (int i = 0; i < 10; ++i)
        others.push_back("Category number " + std::to_string(i) + std::string(14, 'x'));
    const std::vector<std::string> lines = TextLines(FormatRecipeTextOtherLines("Main", others));
    ASSERT_GT(lines.size(), 1u);
    std::string joined;
    for (const std::string &line : lines) {
        EXPECT_LE(line.size(), kRecipeTextLineLimit);
        ASSERT_EQ(line.rfind("Other   : ", 0), 0u) << line;
        joined += line.substr(10);
    }
    std::string expected;
    for (const std::string &other : others)
        expected += other + ", ";
    EXPECT_EQ(joined, expected);  // nothing lost or doubled at the line ends
}

TEST_F(RecipeTextWriterTest, IngredientNameLongerThan32IsEndedByATab) {
    const std::string name33 = "Extra virgin olive oil from Italy";
    ASSERT_EQ(name33.size(), 33u);
    EXPECT_EQ(FormatRecipeTextIngredientLine({"2", "tbsp", name33, "cold pressed"}),
              "2         tbsp      " + name33 + "\tcold pressed" + std::string(20, ' ') + "\r\n");
    // 32 characters still fill the column exactly: the note follows at column 52.
    const std::string name32 = name33.substr(0, 32);
    EXPECT_EQ(FormatRecipeTextIngredientLine({"2", "tbsp", name32, "cold pressed"}),
              "2         tbsp      " + name32 + "cold pressed" + std::string(20, ' ') + "\r\n");
    // A tab or line break inside a value cannot split the line.
    EXPECT_EQ(FormatRecipeTextIngredientLine({"1", "g", "a\tb", "x\r\ny"}).substr(20, 4), "a b ");
}

TEST_F(RecipeTextWriterTest, ParagraphOf200CharactersIsBrokenWithBackslashes) {
    const std::string paragraph =
        "Peel the apples and cut them into thin slices, then toss them with the sugar, the "
        "cinnamon and a little lemon juice so that they keep their colour while you roll out "
        "the pastry for the deep apple pie.";
    ASSERT_EQ(paragraph.size(), 200u);
    const std::vector<std::string> lines = TextLines(FormatRecipeTextMethod(paragraph));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0],
              "Peel the apples and cut them into thin slices, then toss them with the sugar,\\");
    EXPECT_EQ(lines[1],
              "the cinnamon and a little lemon juice so that they keep their colour while\\");
    EXPECT_EQ(lines[2], "you roll out the pastry for the deep apple pie.");
}

TEST_F(RecipeTextWriterTest, EmptyMethodIsOneEmptyLine) {
    EXPECT_EQ(FormatRecipeTextMethod(""), "\r\n");
    RecipeTextValues recipe = AppleCrumble();
    recipe.method.clear();
    EXPECT_NE(Write(recipe).find("-----\r\n\r\n-----\r\n"), std::string::npos);
}

TEST_F(RecipeTextWriterTest, RunWithoutBlanksIsBrokenWithADoubleBackslash) {
    const std::string run(250, 'a');
    const std::vector<std::string> lines = TextLines(FormatRecipeTextMethod("See " + run + " now"));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "See " + std::string(96, 'a') + "\\\\");
    EXPECT_EQ(lines[1], std::string(100, 'a') + "\\\\");
    EXPECT_EQ(lines[2], std::string(54, 'a') + " now");
}

TEST_F(RecipeTextWriterTest, BlankAfterABackslashIsNotABreak) {
    // Breaking there would end the line in "\\", which reads as a break inside a word.
    const std::string text = std::string(70, 'a') + "\\ b c";
    EXPECT_EQ(FormatRecipeTextMethod(text), std::string(70, 'a') + "\\ b\\\r\nc\r\n");
}

TEST_F(RecipeTextWriterTest, LinesTheReaderWouldMisreadAreMadeSafe) {
    // "-----" would end the method; a first line of two characters would be skipped.
    EXPECT_EQ(FormatRecipeTextMethod("Go\n----- Sauce -----\nStir."),
              "Go \r\n ----- Sauce -----\r\nStir.\r\n");
    EXPECT_EQ(FormatRecipeTextMethod("\r\n1.\r\n2."),
              "\r\n1. \r\n2.\r\n");  // only the first counts
}

TEST_F(RecipeTextWriterTest, OneLineValuesCannotBreakTheLayout) {
    RecipeTextValues recipe = AppleCrumble();
    recipe.name = "Two\r\nLines";
    recipe.reference = "Book\nPage 3";
    const std::vector<std::string> lines = TextLines(Write(recipe));
    EXPECT_EQ(lines.size(), 26u);
    EXPECT_EQ(lines[2].substr(0, 22), "Name    : Two  Lines  ");
    EXPECT_EQ(lines[22], "Reference : Book Page 3");
}

TEST_F(RecipeTextWriterTest, OwnMeasureKindComesFromTheCatalogue) {
    IngredientRecord milk;
    milk.name = "Milk";
    milk.units = kVolume;
    catalog_.Put(milk);
    RecipeTextValues recipe = AppleCrumble();
    recipe.ingredients = {{"Milk", {250.0f, 1, kOwnMeasureKind, ""}},
                          {"Mystery", {3.0f, 1, kOwnMeasureKind, ""}}};
    const std::vector<RecipeTextLine> lines =
        ShowRecipeTextLines({settings_, catalog_, sink_}, recipe.ingredients);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].unit, "ml");
    EXPECT_EQ(lines[1].unit, "g");  // unknown ingredient: weight, as the recipe window shows it
    EXPECT_EQ(sink_.Ids(), std::vector<int>{604});
}

}  // namespace
}  // namespace kw
