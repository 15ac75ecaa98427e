// Calories and cost per serving computed from the ingredient grid and the ingredient catalogue
// (the recipe form's "Ca&l:" and "C&ost:" buttons). Each line counts its base amount times the
// ingredient's figure per base amount; lines without an amount count as nothing; a line whose
// ingredient is unknown, has no figure, or is measured in another kind than its own makes the
// result unknown (-1) with message 504 or 511. Empty grid rows are not lines.
#pragma once

#include <string>

#include "app/recipes/ingredient_grid.h"

namespace kw {

struct CalorieResult {
    int calories = -1;      // per serving; -1 unknown (KWRECIPE.CALORIES)
    bool unknown = true;    // check the calories "Unknown" box and hide the edit
    bool modified = false;  // differs from the value before: the recipe becomes modified
};

struct CostResult {
    float cost = -1.0f;     // per serving in whole hundredths; -1.0 unknown (KWRECIPE.COST)
    bool unknown = true;    // check the cost "Unknown" box and hide the edit
    bool modified = false;  // differs from the value before
    std::string text;       // the cost edit's text (FormatCost) when known
};

// Each line rounded to whole calories and added; divided by servings (integer division) when
// servings > 0. Message 504 (exclamation) when unknown.
CalorieResult CalculateCalories(const IngredientGrid &grid, int servings, int calories_before,
                                const UnitContext &context);

// Lines added as a 32-bit float; divided by servings when servings > 0; cut (not rounded) to
// whole hundredths. Message 511 (exclamation) when unknown.
CostResult CalculateCost(const IngredientGrid &grid, int servings, float cost_before,
                         const UnitContext &context);

}  // namespace kw
