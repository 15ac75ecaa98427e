// The ingredient catalogue over KWINGDAT (see table_catalog.h).
#include "app/interchange/table_catalog.h"

#include "app/core/schema.h"
#include "app/interchange/recipe_rows.h"
#include "app/recipes/name_compare.h"

namespace kw::interchange {

using namespace schema;

TableIngredientCatalog::TableIngredientCatalog(CKWDatabase &database) {
    if (OpenIndexed(database, kTableIngredient, kIngredientByName, &record_, &query_) != KW_OK)
        record_.Close();
}

IngredientRecord TableIngredientCatalog::Current() {
    IngredientRecord ingredient;
    ingredient.name = FieldText(record_, kFieldName);
    int32_t value = 0;
    if (record_.GetInt(kFieldUnits, &value) == KW_OK) ingredient.units = value;
    if (record_.GetInt(kFieldOpts, &value) == KW_OK) ingredient.opts = value;
    record_.GetFloat(kFieldCalories, &ingredient.calories);
    record_.GetFloat(kFieldCost, &ingredient.cost);
    const std::string type = FieldText(record_, kFieldType);
    if (!type.empty()) ingredient.type = type[0];
    if (record_.GetInt(kFieldGluten, &value) == KW_OK) ingredient.gluten = value != 0;
    ingredient.information = FieldText(record_, kFieldInformation);
    return ingredient;
}

std::optional<IngredientRecord> TableIngredientCatalog::FindIngredient(std::string_view name) {
    if (!Ready() || name.size() > static_cast<size_t>(kTitleWidth)) return std::nullopt;
    std::string key(kTitleWidth, '\0');
    key.replace(0, name.size(), name);
    if (query_.GetExact(key.data(), static_cast<int32_t>(key.size())) != KW_OK) return std::nullopt;
    return Current();
}

std::vector<std::string> TableIngredientCatalog::NamesBeginningWith(std::string_view letters) {
    std::vector<std::string> names;
    if (!Ready() || letters.empty() || letters.size() > 3) return names;
    CKWQuery prefix;
    if (prefix.SetIndex(&record_, static_cast<int32_t>(letters.size())) != KW_OK) return names;
    for (KWRESULT r = prefix.GetExact(letters.data(), static_cast<int32_t>(letters.size()));
         r == KW_OK; r = prefix.GetNext()) {
        std::string name = FieldText(record_, kFieldName);
        if (!StartsWithIgnoringCase(name, letters)) break;
        names.push_back(std::move(name));
    }
    return names;
}

}  // namespace kw::interchange
