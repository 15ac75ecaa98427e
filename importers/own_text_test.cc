// The own recipe text filter on text laid out line by line as the recipe window writes it.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "import_test_support.h"

namespace kw::import {
namespace {

using testing::CapturedLog;
using testing::ReadAll;
using testing::ReadOne;

constexpr int32_t kOwnText = KWIMPT_OWN_TEXT;

template <typename... Args>
std::string Line(const char *format, Args... args) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, format, args...);
    return std::string(buffer) + "\r\n";
}

struct Sample {
    std::string name = "Apple Pie";
    std::string category = "Desserts";
    std::vector<std::string> others = {"Baking", "Fruit"};
    std::vector<std::vector<const char *>> ingredients = {{"1 1/2", "cup", "flour", "sifted"},
                                                          {"500", "g", "apples", "peeled"}};
    std::vector<std::string> methodLines = {"Mix the flour and the butter.", "Bake."};
    char vegetarian = 'Y', glutenFree = 'N', dairyFree = 'N';
    std::string calories = "2400", cost = "3.50", difficulty = "Medium";
    std::string reference = "Grandmother";
    int serves = 8;
    std::string prep = "0:30", total = "1:15";

    // The nineteen lines of the text format, in order.
    std::string Text() const {
        std::string t = Line("===== Recipe By Kettleworth %s [%s] =====", "2.0", "test");
        t += Line("===== %s", "https://kettleworth.example/");
        t += Line("Name    : %-32s", name.c_str());
        t += Line("Category: %-32s", category.c_str());
        t += "Other   : ";
        for (const auto &other : others)
            t += other + ", ";
        t += "\r\n";
        t += Line("-----");
        for (const auto &ing : ingredients)
            t += Line("%-10s%-10s%-32s%-32s", ing[0], ing[1], ing[2], ing[3]);
        t += Line("-----");
        for (const auto &line : methodLines)
            t += line + "\r\n";
        t += Line("-----");
        t += Line("Vegetarian: %c  Gluten Free: %c", vegetarian, glutenFree);
        t += Line("Dairy Free: %c", dairyFree);
        t += Line("Calories  : %s", calories.c_str());
        t += Line("Cost      : %s", cost.c_str());
        t += Line("Difficulty: %s", difficulty.c_str());
        t += Line("Reference : %s", reference.c_str());
        t += Line("Serves    : %d", serves);
        t += Line("Prep Time : %-10s Total Time: %-10s", prep.c_str(), total.c_str());
        t += Line("===== End =====");
        return t;
    }
};

TEST(OwnText, ReadsBackEveryField) {
    const auto r = ReadOne(Sample().Text(), kOwnText);
    ASSERT_EQ(r.result, 0);
    EXPECT_EQ(r.warnings, 0);
    EXPECT_EQ(r.name, "Apple Pie");
    EXPECT_EQ(r.category, "Desserts");
    EXPECT_EQ(r.others, (std::vector<std::string>{"Baking", "Fruit"}));  // no blank last entry
    ASSERT_EQ(r.ingredients.size(), 2u);
    EXPECT_EQ(r.ingredients[0].name, "flour");
    EXPECT_EQ(r.ingredients[0].note, "sifted");
    EXPECT_FLOAT_EQ(r.ingredients[0].quantity, 354.882f);
    EXPECT_EQ(r.ingredients[0].kind, KWIMPT_VOLUME);
    EXPECT_EQ(r.ingredients[0].choice, 1);
    EXPECT_FLOAT_EQ(r.ingredients[1].quantity, 500);
    EXPECT_EQ(r.ingredients[1].kind, KWIMPT_WEIGHT);
    EXPECT_EQ(r.ingredients[1].choice, 1);
    EXPECT_EQ(r.method, "Mix the flour and the butter.\r\nBake.\r\n");
    EXPECT_EQ(r.vegetarian, 'Y');
    EXPECT_EQ(r.glutenFree, 'N');
    EXPECT_EQ(r.dairyFree, 'N');
    EXPECT_EQ(r.calories, 2400);
    EXPECT_FLOAT_EQ(r.cost, 3.5f);
    EXPECT_EQ(r.difficulty, 'B');
    EXPECT_EQ(r.reference, "Grandmother");
    EXPECT_EQ(r.servings, 8);
    EXPECT_EQ(r.prepTime, 30);
    EXPECT_EQ(r.totalTime, 75);
}

TEST(OwnText, UnknownCaloriesAndCostAndTheDifficulties) {
    Sample sample;
    sample.calories = "Unknown";
    sample.cost = "Unknown";
    for (const auto &[text, code] : std::vector<std::pair<std::string, char>>{
             {"Easy", 'A'}, {"Medium", 'B'}, {"Hard", 'C'}, {"whatever", 'A'}}) {
        sample.difficulty = text;
        const auto r = ReadOne(sample.Text(), kOwnText);
        EXPECT_EQ(r.calories, -1);
        EXPECT_FLOAT_EQ(r.cost, -1.0f);
        EXPECT_EQ(r.difficulty, code) << text;
    }
}

TEST(OwnText, EmptyOtherLineGivesNoOtherCategories) {
    Sample sample;
    sample.others.clear();
    const std::string text = sample.Text();
    ASSERT_NE(text.find("\r\nOther   : \r\n"), std::string::npos);
    const auto r = ReadOne(text, kOwnText);
    EXPECT_TRUE(r.others.empty());
    EXPECT_EQ(r.category, "Desserts");
}

TEST(OwnText, TheOtherListHoldsWhatTheLineHolds) {
    // The writer leaves the primary category off the "Other" line; the reader adds nothing.
    Sample sample;
    sample.others = {"Baking", "Fruit", "Sunday Lunch"};
    EXPECT_EQ(ReadOne(sample.Text(), kOwnText).others,
              (std::vector<std::string>{"Baking", "Fruit", "Sunday Lunch"}));
}

TEST(OwnText, LongParagraphBrokenWithBackslashesIsRejoined) {
    // A paragraph of over 200 characters as the writer breaks it: at the first blank met when
    // the line holds 71 characters or more, the blank replaced by '\'.
    const std::string paragraph =
        "Peel the apples and cut them into thin slices, then toss them with the sugar, the "
        "cinnamon and a little lemon juice so that they keep their colour while you roll out "
        "the pastry for the pie and heat the oven.";
    ASSERT_EQ(paragraph.size(), 207u);
    Sample sample;
    sample.methodLines = {
        "Peel the apples and cut them into thin slices, then toss them with the sugar,\\",
        "the cinnamon and a little lemon juice so that they keep their colour while\\",
        "you roll out the pastry for the pie and heat the oven.", "Bake for 40 minutes."};
    const auto r = ReadOne(sample.Text(), kOwnText);
    EXPECT_EQ(r.method, paragraph + "\r\nBake for 40 minutes.\r\n");
}

TEST(OwnText, EmptyMethodIsOneEmptyLine) {
    Sample sample;
    sample.methodLines = {""};
    const std::string text = sample.Text();
    ASSERT_NE(text.find("-----\r\n\r\n-----\r\n"), std::string::npos);
    const auto r = ReadOne(text, kOwnText);
    EXPECT_EQ(r.method, "");
    EXPECT_EQ(r.vegetarian, 'Y');  // the trailer is still found
}

TEST(OwnText, EmptyLinesBetweenParagraphsComeBack) {
    Sample sample;
    sample.methodLines = {"First paragraph.", "", "", "Second paragraph."};
    EXPECT_EQ(ReadOne(sample.Text(), kOwnText).method,
              "First paragraph.\r\n\r\n\r\nSecond paragraph.\r\n");
}

TEST(OwnText, FullLengthNameCategoryAndReferenceComeBackWhole) {
    Sample sample;
    sample.name = std::string(48, 'N');
    sample.category = std::string(32, 'C');
    sample.reference = std::string(48, 'R');
    const auto r = ReadOne(sample.Text(), kOwnText);
    EXPECT_EQ(r.name, sample.name);
    EXPECT_EQ(r.category, sample.category);
    EXPECT_EQ(r.reference, sample.reference);
}

TEST(OwnText, NameAndCategoryAreCleaned) {
    Sample sample;
    sample.name = "Mom's \"Best\" Pie";
    EXPECT_EQ(ReadOne(sample.Text(), kOwnText).name, "Mom-s -Best- Pie");
}

TEST(OwnText, EveryUnitTheProgramShows) {
    Sample sample;
    sample.ingredients = {
        {"2", "Kg", "a", ""},        {"3/4", "lb", "b", ""}, {"4", "oz", "c", ""},
        {"1", "ltr", "d", ""},       {"1", "pt", "e", ""},   {"100", "ml", "f", ""},
        {"2", "fl-oz", "g", ""},     {"2", "tbsp", "h", ""}, {"1", "tsp", "i", ""},
        {"3", "items", "j", ""},     {"1", "item", "k", ""}, {"2", "item(s)", "l", ""},
        {"-", "-", "m", "to taste"}, {"2.5", "cup", "n", ""}};
    const auto r = ReadOne(sample.Text(), kOwnText);
    EXPECT_EQ(r.warnings, 0);
    ASSERT_EQ(r.ingredients.size(), 14u);
    const float quantities[] = {2000, 340.2f, 113.4f, 1000, 570, 100, 57,
                                30,   5,      3,      1,    2,   0,   591.47f};
    const int kinds[] = {0, 0, 0, 1, 1, 1, 1, 1, 1, 2, 2, 2, 0, 1};
    const int choices[] = {0, 0, 1, 0, 0, 1, 1, 2, 3, 0, 0, 0, 4, 1};
    for (size_t i = 0; i < 14; ++i) {
        EXPECT_FLOAT_EQ(r.ingredients[i].quantity, quantities[i]) << i;
        EXPECT_EQ(r.ingredients[i].kind, kinds[i]) << i;
        EXPECT_EQ(r.ingredients[i].choice, choices[i]) << i;
    }
    EXPECT_EQ(r.ingredients[12].note, "to taste");
}

TEST(OwnText, UnknownUnitIsItemsWithAWarning) {
    Sample sample;
    sample.ingredients = {{"2", "handful", "herbs", ""}, {"1", "cup", "", ""}};
    CapturedLog log;
    const auto r = ReadOne(sample.Text(), kOwnText, 0, log.fd());
    ASSERT_EQ(r.ingredients.size(), 1u);
    EXPECT_EQ(r.ingredients[0].kind, KWIMPT_ITEMS);
    EXPECT_FLOAT_EQ(r.ingredients[0].quantity, 2);
    EXPECT_EQ(r.warnings, 2);
    EXPECT_NE(log.Text().find("*** Invalid measurement type\r\n"), std::string::npos);
    EXPECT_NE(log.Text().find("*** Missing Ingredient Name\r\n"), std::string::npos);
}

TEST(OwnText, TwoRecipesOneAfterTheOther) {
    Sample first;
    Sample second;
    second.name = "Pear Tart";
    second.methodLines = {"Slice the pears."};
    const auto all = ReadAll(first.Text() + second.Text(), kOwnText);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].name, "Apple Pie");
    EXPECT_EQ(all[0].end, static_cast<int32_t>(first.Text().size()));  // end line consumed
    EXPECT_EQ(all[1].name, "Pear Tart");
    EXPECT_EQ(all[1].method, "Slice the pears.\r\n");
}

TEST(OwnText, MissingNameIsResultOne) {
    Sample sample;
    sample.name = "";
    CapturedLog log;
    const auto r = ReadOne(sample.Text(), kOwnText, 0, log.fd());
    EXPECT_EQ(r.result, 1);
    EXPECT_EQ(r.ingredients.size(), 2u);
    EXPECT_NE(log.Text().find("*** No Name or Category found\r\n"), std::string::npos);
}

TEST(OwnText, TextEndingBeforeTheIngredientsReadsNothing) {
    const std::string text = Sample().Text();
    const std::string cut = text.substr(0, text.find("-----") + 7);
    EXPECT_EQ(ReadOne(cut, kOwnText).result, -1);
    EXPECT_EQ(ReadOne("", kOwnText).result, -1);
}

TEST(OwnText, MethodTooLongKeepsWhatFitsAndTheTrailer) {
    Sample sample;
    sample.methodLines.assign(80, std::string(70, 'x'));
    sample.methodLines.push_back("Calories  : 5");  // method text, never a trailer field
    CapturedLog log;
    const auto r = ReadOne(sample.Text(), kOwnText, 0, log.fd());
    EXPECT_EQ(r.warnings, 1);
    EXPECT_EQ(r.method.size(), 56u * 72u);
    EXPECT_EQ(r.calories, 2400);
    EXPECT_NE(log.Text().find("*** Method truncated\r\n"), std::string::npos);
}

TEST(OwnText, HandEditedTextWithExtraLinesAndMissingTrailer) {
    const std::string text =
        "===== Recipe By Kettleworth 2.0 [x] =====\r\n===== site\r\n\r\n"
        "Category: Soups\r\nName    : Broth\r\n-----\r\n2         cups      water\r\n"
        "-----\r\nBoil.\r\n-----\r\n===== End =====\r\n";
    const auto r = ReadOne(text, kOwnText);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.name, "Broth");
    EXPECT_EQ(r.category, "Soups");
    EXPECT_EQ(r.calories, -1);
    EXPECT_FLOAT_EQ(r.cost, -1.0f);
    ASSERT_EQ(r.ingredients.size(), 1u);
    EXPECT_FLOAT_EQ(r.ingredients[0].quantity, 2 * 236.588f);
}

}  // namespace
}  // namespace kw::import
