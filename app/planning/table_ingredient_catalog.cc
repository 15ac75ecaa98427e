// The KWINGDAT-backed ingredient catalogue (see table_ingredient_catalog.h).
#include "app/planning/table_ingredient_catalog.h"

#include "app/core/schema.h"
#include "app/recipes/name_compare.h"

namespace kw::planning {

using namespace kw::schema;

TableIngredientCatalog::TableIngredientCatalog(CKWDatabase &database) {
    record_.OpenByName(&database, kTableIngredient);
}

std::optional<IngredientRecord> TableIngredientCatalog::FindIngredient(std::string_view name) {
    CKWQuery byName;
    byName.SetIndex(&record_, kIngredientByName);
    record_.ClearRecord();
    if (record_.PutString(kFieldName, name) || byName.GetExactFromRecord()) return std::nullopt;
    IngredientRecord found;
    std::string type;
    int32_t gluten = 0;
    record_.GetString(kFieldName, &found.name);
    record_.GetInt(kFieldUnits, &found.units);
    record_.GetInt(kFieldOpts, &found.opts);
    record_.GetFloat(kFieldCalories, &found.calories);
    record_.GetFloat(kFieldCost, &found.cost);
    record_.GetString(kFieldType, &type);
    found.type = type.empty() ? 'X' : type[0];
    record_.GetInt(kFieldGluten, &gluten);
    found.gluten = gluten != 0;
    record_.GetString(kFieldInformation, &found.information);
    return found;
}

std::vector<std::string> TableIngredientCatalog::NamesBeginningWith(std::string_view letters) {
    std::vector<std::string> names;
    if (letters.empty() || letters.size() > 3) return names;
    CKWQuery byLetters;
    byLetters.SetIndex(&record_, static_cast<int32_t>(letters.size()));
    record_.ClearRecord();
    if (record_.PutString(kFieldName, letters)) return names;
    std::string name;
    for (KWRESULT r = byLetters.GetExactFromRecord(); r == KW_OK; r = byLetters.GetNext()) {
        if (record_.GetString(kFieldName, &name) || !StartsWithIgnoringCase(name, letters)) break;
        names.push_back(name);
    }
    return names;
}

}  // namespace kw::planning
