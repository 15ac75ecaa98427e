// Word lists and the makers of recipe titles, categories, ingredients and method sentences for
// the benchmark data and the Meal-Master generator.
//
// Titles and categories come out in the forms a Meal-Master archive holds: title case or all
// capitals, at most 47 characters, only letters, digits, blanks, '-' and '.' (the characters the
// Meal-Master filter keeps unchanged), categories as a list whose first entry is the primary
// one. Words are picked with skewed weights, so common titles ("Chicken Casserole") and common
// categories ("Main dish", "Desserts") repeat as they do in real collections while the whole
// title space stays large. Ingredient names hold no ',' or ';' (the filter cuts the preparation
// note there) and fit the 29-character ingredient column with room for a short note.
#pragma once

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "bench_random.h"

namespace kw::bench {

// How an ingredient is measured in a recipe, which decides its Meal-Master units.
enum class MeasureClass { kVolume, kWeight, kCount, kPinch, kPackage };

struct IngredientWord {
    const char *name;
    MeasureClass measure;
};

struct RecipeHead {
    std::string name;
    std::vector<std::string> categories;  // the first is the primary category; at least one
};

class RecipeWords {
  public:
    RecipeWords();

    // A title with its category list.
    RecipeHead MakeHead(BenchRandom &random) const;
    const IngredientWord &PickIngredient(BenchRandom &random) const;
    // A preparation note such as "chopped" (never empty, no ',' or ';').
    std::string_view PickPreparation(BenchRandom &random) const;
    // A sub-heading of an ingredient list such as "SAUCE".
    std::string_view PickSection(BenchRandom &random) const;
    // One method sentence ending in '.', naming some of the given ingredients.
    std::string MakeSentence(BenchRandom &random,
                             const std::vector<std::string> &ingredients) const;

    // The text with its ASCII letters in capitals (how keys are compared, case ignored).
    static std::string Capitals(std::string_view text);

  private:
    std::string MakeTitle(BenchRandom &random, size_t dish, size_t main) const;

    SkewedPick dishPick_, mainPick_, adjectivePick_, placePick_, categoryPick_, ingredientPick_,
        preparationPick_;
};

// Makes heads whose (primary category, title) pairs are all distinct, ignoring case.
class UniqueHeads {
  public:
    explicit UniqueHeads(const RecipeWords &words) : words_(words) {}

    RecipeHead Next(BenchRandom &random);
    void Reserve(size_t count) { seen_.reserve(count); }

  private:
    const RecipeWords &words_;
    std::unordered_set<std::string> seen_;  // capitalised "category|title"
};

}  // namespace kw::bench
