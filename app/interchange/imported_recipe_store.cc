// Storing one imported recipe (see imported_recipe_store.h).
#include "app/interchange/imported_recipe_store.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "app/core/schema.h"
#include "app/interchange/recipe_rows.h"

namespace kw {
namespace {

using namespace schema;
using interchange::PutTextCut;

// The text of a fixed slot: up to its terminator, never past the slot.
template <size_t N>
std::string_view SlotText(const char (&slot)[N]) {
    return std::string_view(slot, strnlen(slot, N));
}

const char *const kTables[] = {kTableRecipe, kTableCategory, kTableRecipeIngredient,
                               kTableRecipeCategory};

}  // namespace

ImportedRecipeStore::ImportedRecipeStore(CKWDatabase &database, ImportLogFile &log)
    : database_(database), log_(log) {}

KWRESULT ImportedRecipeStore::Open() {
    CKWRecord *records[] = {&recipes_, &categories_, &lines_, &links_};
    for (size_t i = 0; i < std::size(records); ++i)
        if (KWRESULT r = records[i]->OpenByName(&database_, kTables[i])) return r;
    return KW_OK;
}

void ImportedRecipeStore::AddCategory(std::string_view text) {
    if (text.size() > static_cast<size_t>(kCategoryWidth)) text = text.substr(0, kCategoryWidth);
    const std::string key(text);
    if (knownCategories_.contains(key)) return;
    categories_.ClearRecord();
    PutTextCut(categories_, kFieldName, text, kCategoryWidth);
    const KWRESULT result = categories_.Insert();
    // Only a stored or an existing category is certain to be there; after any other refusal the
    // next recipe tries again.
    if (result == KW_OK || result == BTERR_DUPLICATE) knownCategories_.insert(key);
}

bool ImportedRecipeStore::Store(const RecipeImportRecord &recipe, int *warnings) {
    const std::string name = std::string(SlotText(recipe.name));
    const std::string category = std::string(SlotText(recipe.category));
    // Packed members: copied out, never referenced.
    const int32_t totalTime = recipe.totalTime, prepTime = recipe.prepTime,
                  servings = recipe.servings, calories = recipe.calories;
    const float cost = recipe.cost;
    const char difficulty = recipe.difficulty;

    CKWRecord &r = recipes_;
    r.ClearRecord();
    PutTextCut(r, kFieldName, name, kTitleWidth);
    PutTextCut(r, kFieldCategory, category, kCategoryWidth);
    PutTextCut(r, kFieldMethod, SlotText(recipe.method), kMethodWidth);
    r.PutInt(kFieldTotalTime, totalTime);
    r.PutInt(kFieldPrepTime, prepTime);
    r.PutInt(kFieldServings, servings);
    r.PutInt(kFieldCalories, calories);
    r.PutFloat(kFieldCost, cost);
    r.PutInt(kFieldDairyFree, recipe.dairyFree == 'Y');
    r.PutInt(kFieldGlutenFree, recipe.glutenFree == 'Y');
    r.PutInt(kFieldVegetarian, recipe.vegetarian == 'Y');
    PutTextCut(r, kFieldDifficulty, std::string_view(&difficulty, difficulty ? 1 : 0), kCodeWidth);
    PutTextCut(r, kFieldReference, SlotText(recipe.reference), kReferenceWidth);
    if (KWRESULT result = r.Insert()) {
        if (result == BTERR_DUPLICATE)
            log_.Printf("*** Duplicate Recipe '%s' in '%s'\r\n", name.c_str(), category.c_str());
        else
            log_.Printf("*** Cannot store Recipe '%s' in '%s' (%d)\r\n", name.c_str(),
                        category.c_str(), result);
        return false;
    }

    AddCategory(category);

    const int32_t storedLines = recipe.ingredientCount;  // std::clamp would bind a reference
    const int32_t lineCount = std::clamp<int32_t>(storedLines, 0, KWIMPT_MAX_INGREDIENTS);
    for (int32_t i = 0; i < lineCount; ++i) {
        const ImportedIngredient &entry = recipe.ingredients[i];
        const std::string ingredient = std::string(SlotText(entry.name));
        const float quantity = entry.quantity;
        const int32_t choice = entry.unitChoice, kind = entry.measureKind;
        lines_.ClearRecord();
        PutTextCut(lines_, kFieldName, name, kTitleWidth);
        PutTextCut(lines_, kFieldCategory, category, kCategoryWidth);
        PutTextCut(lines_, kFieldIngredient, ingredient, kTitleWidth);
        lines_.PutFloat(kFieldQuantity, quantity);
        lines_.PutInt(kFieldOpts, choice);
        lines_.PutInt(kFieldMeasured, kind);
        PutTextCut(lines_, kFieldPreparation, SlotText(entry.preparation), kPreparationWidth);
        if (KWRESULT result = lines_.Insert()) {
            if (result == BTERR_DUPLICATE)
                log_.Printf("*** Duplicate Ingredient '%s'\r\n", ingredient.c_str());
            else
                log_.Printf("*** Cannot store Ingredient '%s' (%d)\r\n", ingredient.c_str(),
                            result);
            ++*warnings;
        }
    }

    auto link = [&](std::string_view other) {
        links_.ClearRecord();
        PutTextCut(links_, kFieldName, name, kTitleWidth);
        PutTextCut(links_, kFieldCategory, category, kCategoryWidth);
        PutTextCut(links_, kFieldOtherCategory, other, kCategoryWidth);
        links_.Insert();
    };
    const int32_t storedOthers = recipe.otherCategoryCount;
    const int32_t otherCount = std::clamp<int32_t>(storedOthers, 0, KWIMPT_MAX_OTHER_CATEGORIES);
    for (int32_t i = 0; i < otherCount; ++i) {
        const std::string_view other = SlotText(recipe.otherCategories[i]);
        AddCategory(other);
        link(other);
    }
    link(category);
    return true;
}

}  // namespace kw
