// The generated Meal-Master text read back through the real Meal-Master filter: every recipe
// comes back whole, with the head, the ingredients and the method it was generated with.
#include "mealmaster_gen.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "kwimpt.h"

namespace kw::bench {
namespace {

std::string Text(const char *slot) {
    return slot;
}

// Ingredient lines of a recipe text that hold a right-column ingredient.
int TwoColumnLines(const std::string &text) {
    std::istringstream lines(text);
    int count = 0;
    for (std::string line; std::getline(lines, line);) {
        // Blanks where an ingredient line has them around its columns, and text at 52.
        const bool ingredient = line.size() > 52 && line[3] == ' ' && line[7] == ' ' &&
                                line[10] == ' ' && line.find(':') == std::string::npos;
        if (!ingredient || line[48] != ' ' || line[51] != ' ' || line[52] == ' ') continue;
        ++count;
        // The right column holds no mixed amount: the filter would miss its whole part.
        EXPECT_EQ(line.substr(41, 4), "    ") << line;
    }
    return count;
}

std::vector<GeneratedRecipe> Generate(uint64_t seed, int count, GeneratorOptions options = {}) {
    MealMasterGenerator generator(seed, options);
    std::vector<GeneratedRecipe> recipes;
    for (int i = 0; i < count; ++i)
        recipes.push_back(generator.Next());
    return recipes;
}

std::string Joined(const std::vector<GeneratedRecipe> &recipes) {
    std::string text;
    for (const GeneratedRecipe &r : recipes)
        text += r.text;
    return text;
}

TEST(MealMasterGenerator, EveryRecipeReadsBackThroughTheFilter) {
    const std::vector<GeneratedRecipe> recipes = Generate(7, 400);
    const std::string text = Joined(recipes);

    auto record = std::make_unique<RecipeImportRecord>();
    int32_t position = 0;
    int twoColumnLines = 0, sections = 0, continuations = 0, longMethods = 0;
    for (const GeneratedRecipe &expected : recipes) {
        SCOPED_TRACE(expected.name);
        int32_t warnings = -1;
        ASSERT_EQ(
            ImportRecipe(&position, text.c_str(), record.get(), &warnings, KWIMPT_MEAL_MASTER, -1),
            0);
        EXPECT_EQ(warnings, 0);
        EXPECT_EQ(Text(record->name), expected.name);
        EXPECT_EQ(Text(record->category), expected.categories.front());
        // The record is packed: its numbers are copied before they are compared.
        const int32_t others = record->otherCategoryCount, servings = record->servings,
                      ingredients = record->ingredientCount;
        ASSERT_EQ(others, static_cast<int32_t>(expected.categories.size()));
        for (size_t c = 0; c < expected.categories.size(); ++c)
            EXPECT_EQ(Text(record->otherCategories[c]), expected.categories[c]);
        EXPECT_EQ(servings, expected.servings);
        ASSERT_EQ(ingredients, static_cast<int32_t>(expected.ingredients.size()));
        for (size_t i = 0; i < expected.ingredients.size(); ++i) {
            const ImportedIngredient &read = record->ingredients[i];
            // Every amount reads back (the right column's whole part is read from two columns
            // only, so the generator writes no mixed amounts there), or there is none.
            const float quantity = read.quantity;
            const int32_t choice = read.unitChoice;
            EXPECT_TRUE(quantity > 0 || choice == KWIMPT_NO_UNIT) << read.name;
            EXPECT_EQ(Text(record->ingredients[i].name), expected.ingredients[i].name);
            EXPECT_EQ(Text(record->ingredients[i].preparation),
                      expected.ingredients[i].preparation);
        }
        // The whole method was read: its first and last lines are in it.
        const std::string method = record->method;
        EXPECT_NE(method.find(expected.methodLines.front()), std::string::npos);
        EXPECT_NE(method.find(expected.methodLines.back()), std::string::npos);

        twoColumnLines += TwoColumnLines(expected.text);
        sections += expected.text.find("\r\nMMMMM-") != std::string::npos;
        continuations += expected.text.find("\r\n           -") != std::string::npos;
        longMethods += method.size() > 1500;
    }
    // The text is used up: an import driver reading on would find no further recipe.
    EXPECT_EQ(position, static_cast<int32_t>(text.size()));
    // The variety the benchmark relies on is there.
    EXPECT_GT(sections, 20);
    EXPECT_GT(continuations, 20);
    EXPECT_GT(longMethods, 10);
    EXPECT_GT(twoColumnLines, 20);
}

TEST(MealMasterGenerator, SameSeedSameTextOtherSeedOtherText) {
    const std::string a = Joined(Generate(42, 50)), b = Joined(Generate(42, 50)),
                      c = Joined(Generate(43, 50));
    EXPECT_EQ(a, b);
    EXPECT_NE(a, c);
}

TEST(MealMasterGenerator, NamesRepeatButTitleAndCategoryCollideRarely) {
    const int count = 5000;
    const std::vector<GeneratedRecipe> recipes = Generate(3, count);
    std::set<std::string> names, pairs, categories;
    for (const GeneratedRecipe &r : recipes) {
        names.insert(RecipeWords::Capitals(r.name));
        categories.insert(RecipeWords::Capitals(r.categories.front()));
        pairs.insert(RecipeWords::Capitals(r.categories.front()) + "|" +
                     RecipeWords::Capitals(r.name));
    }
    // Common titles come back across categories, categories are few, and only the deliberate
    // reposts share title and category.
    EXPECT_LT(names.size(), static_cast<size_t>(count * 95 / 100));
    EXPECT_GT(names.size(), static_cast<size_t>(count / 2));
    EXPECT_LT(categories.size(), 100u);
    EXPECT_GE(pairs.size(), static_cast<size_t>(count - count / 100));
    EXPECT_LT(pairs.size(), static_cast<size_t>(count));

    const std::vector<GeneratedRecipe> distinct = Generate(3, count, GeneratorOptions{0.0});
    pairs.clear();
    for (const GeneratedRecipe &r : distinct)
        pairs.insert(RecipeWords::Capitals(r.categories.front()) + "|" +
                     RecipeWords::Capitals(r.name));
    EXPECT_EQ(pairs.size(), static_cast<size_t>(count));
}

}  // namespace
}  // namespace kw::bench
