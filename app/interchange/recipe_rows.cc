// Record helpers of the interchange code (see recipe_rows.h).
#include "app/interchange/recipe_rows.h"

#include <algorithm>

#include "app/core/schema.h"
#include "app/recipes/name_compare.h"

namespace kw::interchange {

std::string RecipeKey(std::string_view category, std::string_view name) {
    std::string key(schema::kCategoryWidth + schema::kTitleWidth, '\0');
    category = category.substr(0, schema::kCategoryWidth);
    name = name.substr(0, schema::kTitleWidth);
    std::copy(category.begin(), category.end(), key.begin());
    std::copy(name.begin(), name.end(), key.begin() + schema::kCategoryWidth);
    return key;
}

KWRESULT PutTextCut(CKWRecord &record, const char *field, std::string_view text, int32_t width) {
    if (width >= 0 && text.size() > static_cast<size_t>(width))
        text = text.substr(0, static_cast<size_t>(width));
    return record.PutString(field, text);
}

std::string FieldText(CKWRecord &record, const char *field) {
    std::string text;
    if (record.GetString(field, &text) != KW_OK) text.clear();
    return text;
}

KWRESULT ForEachRecipeRow(CKWQuery &query, std::string_view category, std::string_view name,
                          const std::function<void()> &visit) {
    const std::string key = RecipeKey(category, name);
    CKWRecord &record = *query.Record();
    for (KWRESULT r = query.GetExact(key.data(), static_cast<int32_t>(key.size()));;
         r = query.GetNext()) {
        if (r == KW_END || r == KW_START || r == KW_NOTFOUND) return KW_OK;
        if (r != KW_OK) return r;
        if (!EqualsIgnoringCase(FieldText(record, schema::kFieldCategory), category) ||
            !EqualsIgnoringCase(FieldText(record, schema::kFieldName), name))
            return KW_OK;
        visit();
    }
}

KWRESULT OpenIndexed(CKWDatabase &database, const char *table, int32_t index, CKWRecord *record,
                     CKWQuery *query) {
    if (KWRESULT r = record->OpenByName(&database, table)) return r;
    return query->SetIndex(record, index);
}

}  // namespace kw::interchange
