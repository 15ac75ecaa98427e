// The Meal-Master text generator behind `gen_mealmaster`: varied recipes in the exact layout the
// Meal-Master import filter reads, reproducible from a seed.
//
// One recipe as written (columns 0-based, "." marks a blank, every line ends in CR LF):
//
//   MMMMM----- Recipe via Meal-Master (tm) v8.05
//   .
//   ......Title: Spicy Chicken Casserole                  title: at most 47 characters
//   .Categories: Main dish, Poultry                       first entry = primary category
//   ......Yield: 6 Servings                               servings = the leading number
//   .
//   MMMMM---------------SAUCE----------------             optional sub-headings
//   ..1.1/2.c..Flour;.sifted..........................1/2.c..Milk    one or two per line
//   ......2.lb.Ground.beef;.browned.and
//   ...........-drained                                  "-" continuation of the note
//   .
//   ..Preheat oven to 350 degrees and grease a 9 x       method: two blanks, wrapped at 72,
//   ..13-inch baking pan.                                paragraphs parted by a line of two
//   ..                                                   blanks; under 3,000 characters
//   ..Bake for 30 minutes ...
//   .
//   MMMMM                                                end marker, then an empty line
//
// Ingredient columns: quantity right-aligned in 0-6 (whole part ending at 2 and fraction in 4-6
// when mixed), unit 8-9, text 11-39; the right column of a two-column line is the same shifted
// by 41. A right-column quantity is never mixed: the filter reads its whole part from 41-42 only,
// where Meal-Master puts it at 43. Ingredient texts fit their 29 columns; a preparation note
// that does not fit goes to a continuation line. Ingredient names are distinct within a recipe.
//
// Pairs of title and primary category are distinct, except that with the repeat rate a recipe
// repeats an earlier one's head (as reposts do in real archives).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bench_random.h"
#include "recipe_words.h"

namespace kw::bench {

struct GeneratedIngredient {
    std::string name;
    std::string preparation;  // as the filter reads it back, continuation included
};

struct GeneratedRecipe {
    std::string name;
    std::vector<std::string> categories;  // the first is the primary category
    int servings = 0;
    std::vector<GeneratedIngredient> ingredients;  // in the order the filter stores them
    std::vector<std::string> methodLines;          // without their indent; "" parts paragraphs
    std::string text;                              // the recipe in Meal-Master layout
};

struct GeneratorOptions {
    double repeatRate = 0.002;  // share of recipes that repeat an earlier title and category
};

class MealMasterGenerator {
  public:
    explicit MealMasterGenerator(uint64_t seed, GeneratorOptions options = {});

    GeneratedRecipe Next();

  private:
    RecipeHead UniqueHead();
    void MakeMethod(GeneratedRecipe &recipe);
    std::string IngredientLines(GeneratedRecipe &recipe);

    BenchRandom random_;
    GeneratorOptions options_;
    RecipeWords words_;
    UniqueHeads heads_;
    std::vector<RecipeHead> earlier_;  // heads a repeat may take
};

}  // namespace kw::bench
