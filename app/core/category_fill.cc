// Every recipe's link to its own category.
#include "category_fill.h"

#include <string>

#include "app/data/query.h"
#include "app/data/record.h"
#include "schema.h"
#include "startup_flags.h"

namespace kw {

KWRESULT FillOwnCategoryLinks(CKWDatabase &database) {
    using namespace schema;
    CKWRecord recipe;
    CKWRecord link;
    if (KWRESULT r = recipe.OpenByName(&database, kTableRecipe)) return r;
    if (KWRESULT r = link.OpenByName(&database, kTableRecipeCategory)) return r;
    CKWQuery recipes;
    recipes.SetIndex(&recipe, kRecipeByCategoryName);
    std::string name;
    std::string category;
    KWRESULT r = recipes.GetFirst();
    for (; r == KW_OK; r = recipes.GetNext()) {
        if (recipe.GetString(kFieldName, &name) != KW_OK ||
            recipe.GetString(kFieldCategory, &category) != KW_OK)
            continue;
        if (link.ClearRecord() != KW_OK || link.PutString(kFieldName, name) != KW_OK ||
            link.PutString(kFieldCategory, category) != KW_OK ||
            link.PutString(kFieldOtherCategory, category) != KW_OK)
            continue;
        link.Insert();
    }
    // The walk ends by running off either end of the index (an empty index says so too).
    return r == KW_END || r == KW_START ? KW_OK : r;
}

KWRESULT RunCategoryFill(CKWDatabase &database, platform::Profile &settings) {
    const KWRESULT r = FillOwnCategoryLinks(database);
    ClearCategoryFillRequest(settings);
    return r;
}

}  // namespace kw
