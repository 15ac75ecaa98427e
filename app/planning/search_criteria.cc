// The criterion table and the reading of entered values (see search_criteria.h).
#include "app/planning/search_criteria.h"

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cstdint>
#include <iterator>

#include "app/core/schema.h"
#include "app/recipes/number_text.h"

namespace kw::planning {
namespace {

using namespace kw::schema;

constexpr CriterionOption kComparisons[] = {
    {'<', "Less than"}, {'=', "Equal"}, {'>', "Greater than"}};
constexpr CriterionOption kDifficulties[] = {{'A', "Easy"}, {'B', "Medium"}, {'C', "Hard"}};

using Test = CriterionTest;
using Entry = CriterionEntry;

const CriterionDefinition kDefinitions[] = {
    {"Vegetarian", 'V', true, Test::kFlag, kTableRecipe, kFieldVegetarian, Entry::kNone, "", {}},
    {"Gluten free", 'G', true, Test::kFlag, kTableRecipe, kFieldGlutenFree, Entry::kNone, "", {}},
    {"Dairy produce free",
     'D',
     true,
     Test::kFlag,
     kTableRecipe,
     kFieldDairyFree,
     Entry::kNone,
     "",
     {}},
    {"Contains...",
     'O',
     false,
     Test::kContains,
     kTableRecipeIngredient,
     kFieldIngredient,
     Entry::kIngredient,
     "Ingredient Name",
     {}},
    {"Does not contain...",
     'N',
     false,
     Test::kNotContains,
     kTableRecipeIngredient,
     kFieldIngredient,
     Entry::kIngredient,
     "Ingredient Name",
     {}},
    {"Preparation time...", 'P', true, Test::kCompare, kTableRecipe, kFieldPrepTime, Entry::kTime,
     "Preparation Time", kComparisons},
    {"Total time...", 'T', true, Test::kCompare, kTableRecipe, kFieldTotalTime, Entry::kTime,
     "Total Time", kComparisons},
    {"Calories...", 'C', true, Test::kCompare, kTableRecipe, kFieldCalories, Entry::kInteger,
     "Calories", kComparisons},
    {"Cost...", 'S', true, Test::kCompare, kTableRecipe, kFieldCost, Entry::kDecimal, "Cost",
     kComparisons},
    {"Difficulty...", 'F', true, Test::kDifficulty, kTableRecipe, kFieldDifficulty, Entry::kChoice,
     "", kDifficulties},
    {"In Category...",
     'A',
     false,
     Test::kInCategory,
     kTableRecipeCategory,
     kFieldOtherCategory,
     Entry::kCategory,
     "Category",
     {}},
    {"Not in Category...",
     'X',
     false,
     Test::kNotInCategory,
     kTableRecipeCategory,
     kFieldOtherCategory,
     Entry::kCategory,
     "Category",
     {}},
};

static_assert(std::size(kDefinitions) == kCriterionCount);

}  // namespace

std::span<const CriterionDefinition> CriterionDefinitions() {
    return kDefinitions;
}

const CriterionDefinition *FindCriterionByCode(char code) {
    for (const CriterionDefinition &d : kDefinitions)
        if (d.code == code) return &d;
    return nullptr;
}

const CriterionDefinition *FindCriterionByLabel(std::string_view label) {
    for (const CriterionDefinition &d : kDefinitions)
        if (label == d.label) return &d;
    return nullptr;
}

const char *OptionLabel(const CriterionDefinition &definition, char code) {
    for (const CriterionOption &o : definition.options)
        if (o.code == code) return o.label;
    return nullptr;
}

CriterionControls ControlsFor(const CriterionDefinition &definition) {
    CriterionControls controls;
    controls.optionsBox = !definition.options.empty();
    controls.dataLabel = definition.dataLabel;
    switch (definition.entry) {
        case Entry::kIngredient:
            controls.dataText = true;
            controls.ingredientPicker = true;
            break;
        case Entry::kInteger:
        case Entry::kDecimal:
            controls.dataText = true;
            break;
        case Entry::kCategory:
            controls.categoryBox = true;
            break;
        case Entry::kTime:
            controls.timeControl = true;
            break;
        case Entry::kNone:
        case Entry::kChoice:
            break;
    }
    return controls;
}

int32_t ParseSearchMinutes(std::string_view text) {
    text = text.substr(0, 79);
    int64_t hours = 0;
    int64_t minutes = 0;
    if (size_t colon = text.find(':'); colon != std::string_view::npos) {
        hours = LeadingInteger(text.substr(0, colon));
        minutes = LeadingInteger(text.substr(colon + 1));
    } else {
        minutes = LeadingInteger(text);
    }
    return static_cast<int32_t>(std::clamp<int64_t>(hours * 60 + minutes, INT32_MIN, INT32_MAX));
}

int32_t ParseSearchCalories(std::string_view text) {
    return LeadingInteger(text);
}

float ParseSearchCost(std::string_view text) {
    // A number beyond the float range compares as the largest float of its sign.
    const double value = LeadingNumber(text);
    return static_cast<float>(std::clamp<double>(value, -FLT_MAX, FLT_MAX));
}

}  // namespace kw::planning
