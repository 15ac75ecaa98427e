// Storing one imported recipe (see imported_recipe_store.h).
#include "app/interchange/imported_recipe_store.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>

#include "app/core/schema.h"
#include "app/data/table.h"

namespace kw {
namespace {

using namespace schema;

// The text of a fixed slot: up to its terminator, never past the slot.
template <size_t N>
std::string_view SlotText(const char (&slot)[N]) {
    return std::string_view(slot, strnlen(slot, N));
}

// An integer into a cleared record (see ImportedRecipeStore::PutCut); a logical field always
// takes its "T" or "F".
void PutInt(CKWRecord &record, const ResolvedField &field, int32_t value) {
    if (value != 0 || field.Type() != 'I') field.PutInt(record, value);
}

void PutFloat(CKWRecord &record, const ResolvedField &field, float value) {
    if (value != 0.0f || std::signbit(value)) field.PutFloat(record, value);
}

// The length of a slot's text for "%.*s" (a slot holds at most a few thousand bytes).
int Length(std::string_view text) {
    return static_cast<int>(text.size());
}

const char *const kTables[] = {kTableRecipe, kTableCategory, kTableRecipeIngredient,
                               kTableRecipeCategory};

}  // namespace

ImportedRecipeStore::ImportedRecipeStore(CKWDatabase &database, ImportLogFile &log)
    : database_(database), log_(log) {}

void ImportedRecipeStore::DeferIndexesFor(size_t textLength) {
    if (deferring_ || !recipes_.IsOpen()) return;
    const size_t expected = textLength / kDeferredImportBytesPerRecipe;
    if (expected < kDeferredImportMinimum) return;
    // Building every index again reads every record: worth it when the import adds at least a
    // quarter of what is stored (each table grows with the recipes in about the same ratio).
    int32_t stored = 0;
    if (recipes_.Table()->GetCount(&stored) != KW_OK || expected < static_cast<size_t>(stored) / 4)
        return;
    deferring_ = true;
    for (CKWRecord *record : {&recipes_, &categories_, &lines_, &links_})
        record->Table()->DeferIndexes(true);
}

KWRESULT EndDeferredIndexes(CKWDatabase &database) {
    KWRESULT first = KW_OK;
    for (const char *name : kTables) {
        CKWTable *table = database.FindTable(name);
        const KWRESULT r = table ? table->DeferIndexes(false) : KW_OK;
        if (first == KW_OK) first = r;
    }
    return first;
}

KWRESULT ImportedRecipeStore::Open() {
    CKWRecord *records[] = {&recipes_, &categories_, &lines_, &links_};
    for (size_t i = 0; i < std::size(records); ++i)
        if (KWRESULT r = records[i]->OpenByName(&database_, kTables[i])) return r;
    struct Binding {
        CKWRecord &record;
        ResolvedField &field;
        const char *name;
    };
    const Binding bindings[] = {
        {recipes_, recipe_.name, kFieldName},
        {recipes_, recipe_.category, kFieldCategory},
        {recipes_, recipe_.method, kFieldMethod},
        {recipes_, recipe_.totalTime, kFieldTotalTime},
        {recipes_, recipe_.prepTime, kFieldPrepTime},
        {recipes_, recipe_.servings, kFieldServings},
        {recipes_, recipe_.calories, kFieldCalories},
        {recipes_, recipe_.cost, kFieldCost},
        {recipes_, recipe_.dairyFree, kFieldDairyFree},
        {recipes_, recipe_.glutenFree, kFieldGlutenFree},
        {recipes_, recipe_.vegetarian, kFieldVegetarian},
        {recipes_, recipe_.difficulty, kFieldDifficulty},
        {recipes_, recipe_.reference, kFieldReference},
        {categories_, categoryName_, kFieldName},
        {lines_, line_.name, kFieldName},
        {lines_, line_.category, kFieldCategory},
        {lines_, line_.ingredient, kFieldIngredient},
        {lines_, line_.quantity, kFieldQuantity},
        {lines_, line_.opts, kFieldOpts},
        {lines_, line_.measured, kFieldMeasured},
        {lines_, line_.preparation, kFieldPreparation},
        {links_, link_.name, kFieldName},
        {links_, link_.category, kFieldCategory},
        {links_, link_.otherCategory, kFieldOtherCategory},
    };
    for (const Binding &binding : bindings)
        if (KWRESULT r = binding.field.Resolve(binding.record, binding.name)) return r;
    return KW_OK;
}

// The puts below go into a record just cleared, whose bytes are all zero: a put that would write
// only zero bytes (an empty text, an integer 0, a float +0) changes nothing and is left out.

void ImportedRecipeStore::PutCut(CKWRecord &record, const ResolvedField &field,
                                 std::string_view text, int32_t width) {
    if (!text.empty()) field.PutText(record, text.substr(0, static_cast<size_t>(width)));
}

void ImportedRecipeStore::AddCategory(std::string_view text) {
    if (text.size() > static_cast<size_t>(kCategoryWidth)) text = text.substr(0, kCategoryWidth);
    if (knownCategories_.contains(text)) return;
    categories_.ClearRecord();
    PutCut(categories_, categoryName_, text, kCategoryWidth);
    const KWRESULT result = categories_.Insert();
    // Only a stored or an existing category is certain to be there; after any other refusal the
    // next recipe tries again.
    if (result == KW_OK || result == BTERR_DUPLICATE) knownCategories_.emplace(text);
}

bool ImportedRecipeStore::Store(const RecipeImportRecord &recipe, int *warnings) {
    const std::string_view name = SlotText(recipe.name);
    const std::string_view category = SlotText(recipe.category);
    // Packed members: copied out, never referenced.
    const int32_t totalTime = recipe.totalTime, prepTime = recipe.prepTime,
                  servings = recipe.servings, calories = recipe.calories;
    const float cost = recipe.cost;
    const char difficulty = recipe.difficulty;

    CKWRecord &r = recipes_;
    r.ClearRecord();
    PutCut(r, recipe_.name, name, kTitleWidth);
    PutCut(r, recipe_.category, category, kCategoryWidth);
    PutCut(r, recipe_.method, SlotText(recipe.method), kMethodWidth);
    PutInt(r, recipe_.totalTime, totalTime);
    PutInt(r, recipe_.prepTime, prepTime);
    PutInt(r, recipe_.servings, servings);
    PutInt(r, recipe_.calories, calories);
    PutFloat(r, recipe_.cost, cost);
    PutInt(r, recipe_.dairyFree, recipe.dairyFree == 'Y');
    PutInt(r, recipe_.glutenFree, recipe.glutenFree == 'Y');
    PutInt(r, recipe_.vegetarian, recipe.vegetarian == 'Y');
    PutCut(r, recipe_.difficulty, std::string_view(&difficulty, difficulty ? 1 : 0), kCodeWidth);
    PutCut(r, recipe_.reference, SlotText(recipe.reference), kReferenceWidth);
    if (KWRESULT result = r.Insert()) {
        if (result == BTERR_DUPLICATE)
            log_.Printf("*** Duplicate Recipe '%.*s' in '%.*s'\r\n", Length(name), name.data(),
                        Length(category), category.data());
        else
            log_.Printf("*** Cannot store Recipe '%.*s' in '%.*s' (%d)\r\n", Length(name),
                        name.data(), Length(category), category.data(), result);
        return false;
    }

    AddCategory(category);

    const int32_t storedLines = recipe.ingredientCount;  // std::clamp would bind a reference
    const int32_t lineCount = std::clamp<int32_t>(storedLines, 0, KWIMPT_MAX_INGREDIENTS);
    for (int32_t i = 0; i < lineCount; ++i) {
        const ImportedIngredient &entry = recipe.ingredients[i];
        const std::string_view ingredient = SlotText(entry.name);
        const float quantity = entry.quantity;
        const int32_t choice = entry.unitChoice, kind = entry.measureKind;
        lines_.ClearRecord();
        PutCut(lines_, line_.name, name, kTitleWidth);
        PutCut(lines_, line_.category, category, kCategoryWidth);
        PutCut(lines_, line_.ingredient, ingredient, kTitleWidth);
        PutFloat(lines_, line_.quantity, quantity);
        PutInt(lines_, line_.opts, choice);
        PutInt(lines_, line_.measured, kind);
        PutCut(lines_, line_.preparation, SlotText(entry.preparation), kPreparationWidth);
        if (KWRESULT result = lines_.Insert()) {
            if (result == BTERR_DUPLICATE)
                log_.Printf("*** Duplicate Ingredient '%.*s'\r\n", Length(ingredient),
                            ingredient.data());
            else
                log_.Printf("*** Cannot store Ingredient '%.*s' (%d)\r\n", Length(ingredient),
                            ingredient.data(), result);
            ++*warnings;
        }
    }

    auto link = [&](std::string_view other) {
        links_.ClearRecord();
        PutCut(links_, link_.name, name, kTitleWidth);
        PutCut(links_, link_.category, category, kCategoryWidth);
        PutCut(links_, link_.otherCategory, other, kCategoryWidth);
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
