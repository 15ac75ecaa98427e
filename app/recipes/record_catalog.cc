// Record-backed ingredient catalogue and preparation terms (see record_catalog.h).
#include "app/recipes/record_catalog.h"

#include <algorithm>

#include "app/core/schema.h"
#include "app/recipes/name_compare.h"

namespace kw {

using namespace schema;

namespace recipedb {

IngredientRecord ReadIngredient(RecordCursor &cursor) {
    IngredientRecord ingredient;
    ingredient.name = cursor.Text(kFieldName);
    ingredient.units = cursor.Int(kFieldUnits);
    ingredient.opts = cursor.Int(kFieldOpts);
    ingredient.calories = cursor.Float(kFieldCalories, -1.0f);
    ingredient.cost = cursor.Float(kFieldCost, -1.0f);
    std::string type = cursor.Text(kFieldType);
    ingredient.type = type.empty() ? '\0' : type[0];
    ingredient.gluten = cursor.Int(kFieldGluten) != 0;
    ingredient.information = cursor.Text(kFieldInformation);
    return ingredient;
}

KWRESULT PutIngredient(CKWRecord &record, const IngredientRecord &ingredient) {
    const std::string type = ingredient.type ? std::string(1, ingredient.type) : std::string();
    KWRESULT results[] = {
        record.PutString(kFieldName, std::string_view(ingredient.name).substr(0, kTitleWidth)),
        record.PutInt(kFieldUnits, ingredient.units),
        record.PutInt(kFieldOpts, ingredient.opts),
        record.PutFloat(kFieldCalories, ingredient.calories),
        record.PutFloat(kFieldCost, ingredient.cost),
        record.PutString(kFieldType, type),
        record.PutInt(kFieldGluten, ingredient.gluten ? 1 : 0),
        record.PutString(kFieldInformation,
                         std::string_view(ingredient.information).substr(0, kInformationWidth)),
    };
    for (KWRESULT r : results)
        if (r != KW_OK) return r;
    return KW_OK;
}

}  // namespace recipedb

RecordIngredientCatalog::RecordIngredientCatalog(CKWDatabase &database) {
    open_ = cursor_.Open(database, kTableIngredient, kIngredientByName) == KW_OK;
}

std::optional<IngredientRecord> RecordIngredientCatalog::FindIngredient(std::string_view name) {
    if (!open_ || name.size() > static_cast<size_t>(kTitleWidth)) return std::nullopt;
    if (cursor_.UseIndex(kIngredientByName) != KW_OK) return std::nullopt;
    if (cursor_.Find(recipedb::TextKey({{name, kTitleWidth}})) != KW_OK) return std::nullopt;
    return recipedb::ReadIngredient(cursor_);
}

std::vector<std::string> RecordIngredientCatalog::NamesBeginningWith(std::string_view letters) {
    std::vector<std::string> names;
    if (!open_ || letters.empty()) return names;
    std::string_view searched = letters.substr(0, 3);
    const int32_t width = static_cast<int32_t>(searched.size());
    // Indexes 1 to 3 are numbered by the count of leading letters they hold.
    if (cursor_.UseIndex(width) != KW_OK) return names;
    cursor_.ForEach(
        recipedb::TextKey({{searched, width}}),
        [&](recipedb::RecordCursor &c) {
            return StartsWithIgnoringCase(c.Text(kFieldName), searched);
        },
        [&](recipedb::RecordCursor &c) {
            std::string name = c.Text(kFieldName);
            if (StartsWithIgnoringCase(name, letters)) names.push_back(std::move(name));
        });
    return names;
}

RecordPreparationTerms::RecordPreparationTerms(CKWDatabase &database) {
    open_ = cursor_.Open(database, kTablePreparation, kPreparationByTerm) == KW_OK;
}

std::vector<std::string> RecordPreparationTerms::AllTerms() {
    std::vector<std::string> terms;
    if (!open_) return terms;
    for (KWRESULT r = cursor_.Query().GetFirst(); r == KW_OK; r = cursor_.Query().GetNext())
        terms.push_back(cursor_.Text(kFieldPreparation));
    return terms;
}

bool RecordPreparationTerms::HasTerm(std::string_view term) {
    if (!open_ || term.size() > static_cast<size_t>(kPreparationWidth)) return false;
    return cursor_.Find(recipedb::TextKey({{term, kPreparationWidth}})) == KW_OK;
}

bool RecordPreparationTerms::AddTerm(std::string_view term) {
    if (!open_ || term.empty() || term.size() > static_cast<size_t>(kPreparationWidth))
        return false;
    CKWRecord &record = cursor_.Record();
    return record.ClearRecord() == KW_OK && record.PutString(kFieldPreparation, term) == KW_OK &&
           record.Insert() == KW_OK;
}

}  // namespace kw
