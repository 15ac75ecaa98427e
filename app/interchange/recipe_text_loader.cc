// Reading a stored recipe for the recipe text; what is read and how is in recipe_text_loader.h.
#include "app/interchange/recipe_text_loader.h"

#include <functional>
#include <string>

#include "app/core/schema.h"
#include "app/data/query.h"
#include "app/data/record.h"
#include "app/recipes/name_compare.h"

namespace kw {
namespace {

using namespace schema;

// The fields of the current record, the first failure remembered and later reads skipped.
class FieldReader {
  public:
    explicit FieldReader(CKWRecord &record) : record_(record) {}

    std::string Text(const char *field) {
        std::string text;
        if (result_ == KW_OK) result_ = record_.GetString(field, &text);
        return text;
    }
    int32_t Int(const char *field) {
        int32_t value = 0;
        if (result_ == KW_OK) result_ = record_.GetInt(field, &value);
        return value;
    }
    float Float(const char *field) {
        float value = 0.0f;
        if (result_ == KW_OK) result_ = record_.GetFloat(field, &value);
        return value;
    }
    KWRESULT result() const { return result_; }

  private:
    CKWRecord &record_;
    KWRESULT result_ = KW_OK;
};

// Puts the recipe's key into a cleared record of a table keyed by CATEGORY+NAME.
KWRESULT PutRecipeKey(CKWRecord &record, std::string_view name, std::string_view category) {
    if (KWRESULT r = record.ClearRecord()) return r;
    if (KWRESULT r = record.PutString(kFieldCategory, category)) return r;
    return record.PutString(kFieldName, name);
}

// Visits every record of table that belongs to the recipe, through the table's index 0
// (CATEGORY+NAME, not unique): from the first entry at or after the key while NAME and CATEGORY
// still equal the recipe's.
KWRESULT ForEachRecipeRecord(CKWDatabase &database, const char *table, const std::string &name,
                             const std::string &category,
                             const std::function<KWRESULT(CKWRecord &)> &visit) {
    CKWRecord record;
    if (KWRESULT r = record.OpenByName(&database, table)) return r;
    if (KWRESULT r = PutRecipeKey(record, name, category)) return r;
    CKWQuery query;
    query.SetIndex(&record, 0);
    KWRESULT r = query.GetExactFromRecord();
    for (; r == KW_OK; r = query.GetNext()) {
        FieldReader fields(record);
        const std::string recordName = fields.Text(kFieldName);
        const std::string recordCategory = fields.Text(kFieldCategory);
        if (fields.result() != KW_OK) return fields.result();
        if (!EqualsIgnoringCase(recordName, name) || !EqualsIgnoringCase(recordCategory, category))
            return KW_OK;
        if (KWRESULT v = visit(record)) return v;
    }
    return r == KW_END ? KW_OK : r;
}

// The ingredient's own measure kind from KWINGDAT, or kOwnMeasureKind when it is not stored.
int StoredMeasureKind(CKWRecord &ingredients, const std::string &name) {
    if (ingredients.ClearRecord() != KW_OK || ingredients.PutString(kFieldName, name) != KW_OK)
        return kOwnMeasureKind;
    CKWQuery query;
    query.SetIndex(&ingredients, kIngredientByName);
    int32_t units = kOwnMeasureKind;
    if (query.GetExactFromRecord() != KW_OK || ingredients.GetInt(kFieldUnits, &units) != KW_OK)
        return kOwnMeasureKind;
    return units;
}

KWRESULT ReadRecipeRecord(CKWRecord &record, RecipeTextValues *recipe) {
    FieldReader fields(record);
    recipe->name = fields.Text(kFieldName);
    recipe->category = fields.Text(kFieldCategory);
    recipe->method = fields.Text(kFieldMethod);
    recipe->totalTime = fields.Int(kFieldTotalTime);
    recipe->prepTime = fields.Int(kFieldPrepTime);
    recipe->servings = fields.Int(kFieldServings);
    const int32_t calories = fields.Int(kFieldCalories);
    recipe->calories = calories >= 0 ? std::optional<int>(calories) : std::nullopt;
    const float cost = fields.Float(kFieldCost);
    recipe->cost = cost >= 0.0f ? std::optional<double>(cost) : std::nullopt;  // NaN: unknown
    recipe->dairyFree = fields.Int(kFieldDairyFree) != 0;
    recipe->glutenFree = fields.Int(kFieldGlutenFree) != 0;
    recipe->vegetarian = fields.Int(kFieldVegetarian) != 0;
    const std::string difficulty = fields.Text(kFieldDifficulty);
    recipe->difficulty = difficulty.empty() ? 'A' : difficulty[0];
    recipe->reference = fields.Text(kFieldReference);
    return fields.result();
}

}  // namespace

KWRESULT LoadRecipeTextValues(CKWDatabase &database, std::string_view name,
                              std::string_view category, RecipeTextValues *recipe) {
    *recipe = RecipeTextValues();
    if (name.size() > static_cast<size_t>(kTitleWidth) ||
        category.size() > static_cast<size_t>(kCategoryWidth))
        return KW_NOTFOUND;

    CKWRecord record;
    if (KWRESULT r = record.OpenByName(&database, kTableRecipe)) return r;
    if (KWRESULT r = PutRecipeKey(record, name, category)) return r;
    CKWQuery query;
    query.SetIndex(&record, kRecipeByCategoryName);
    KWRESULT r = query.GetExactFromRecord();
    if (r == KW_NOTFOUND || r == KW_END || r == KW_START) return KW_NOTFOUND;
    if (r != KW_OK) return r;
    if ((r = ReadRecipeRecord(record, recipe))) return r;

    CKWRecord ingredients;
    if ((r = ingredients.OpenByName(&database, kTableIngredient))) return r;
    r = ForEachRecipeRecord(
        database, kTableRecipeIngredient, recipe->name, recipe->category,
        [&](CKWRecord &line) -> KWRESULT {
            FieldReader fields(line);
            RecipeTextIngredient entry;
            entry.name = fields.Text(kFieldIngredient);
            entry.stored.quantity = fields.Float(kFieldQuantity);
            entry.stored.opts = fields.Int(kFieldOpts);
            entry.stored.preparation = fields.Text(kFieldPreparation);
            if (fields.result() != KW_OK) return fields.result();
            // A MEASURED that cannot be read counts as the ingredient's own kind.
            int32_t measured = kOwnMeasureKind;
            if (line.GetInt(kFieldMeasured, &measured) != KW_OK) measured = kOwnMeasureKind;
            entry.stored.measured =
                measured == kOwnMeasureKind ? StoredMeasureKind(ingredients, entry.name) : measured;
            recipe->ingredients.push_back(std::move(entry));
            return KW_OK;
        });
    if (r != KW_OK) return r;

    return ForEachRecipeRecord(database, kTableRecipeCategory, recipe->name, recipe->category,
                               [&](CKWRecord &link) -> KWRESULT {
                                   std::string other;
                                   if (KWRESULT g = link.GetString(kFieldOtherCategory, &other))
                                       return g;
                                   recipe->otherCategories.push_back(std::move(other));
                                   return KW_OK;
                               });
}

}  // namespace kw
