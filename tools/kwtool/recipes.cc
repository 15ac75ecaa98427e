// kwtool recipes [--category NAME]: lists the recipes of KWDATA2, one per line as its title and
// its primary category separated by a tab, in title order. With --category only the recipes
// filed under NAME (as primary category or as a further one). With --json one JSON array of
// {"name", "category"}. Titles and categories are printed as UTF-8.
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "app/recipes/category_store.h"
#include "app/recipes/name_compare.h"
#include "command.h"
#include "command_database.h"
#include "json_text.h"
#include "platform/text_encoding.h"

namespace kwtool {
namespace {

using kw::platform::Cp1252ToUtf8;

bool IsCategory(kw::CKWDatabase &database, const std::string &name) {
    for (const std::string &category : kw::recipedb::CategoryNames(database))
        if (kw::EqualsIgnoringCase(category, name)) return true;
    return false;
}

int RunRecipes(const Options &options) {
    std::vector<std::string> args = options.args;
    std::string category;
    const bool byCategory = TakeOption(&args, "--category", &category);
    if (!args.empty() || (byCategory && category.empty())) return Usage(options, "recipes");
    category = kw::platform::Utf8ToCp1252(category);

    CommandDatabase opened;
    if (int status = opened.Open(DatabaseUse::kRead, ReportOpenFailure)) return status;
    kw::CKWDatabase &database = opened.Database();
    const std::vector<kw::recipedb::RecipeId> recipes =
        byCategory ? kw::recipedb::RecipesFiledUnder(database, category)
                   : kw::recipedb::AllRecipes(database);
    const bool unknownCategory = byCategory && recipes.empty() && !IsCategory(database, category);
    if (int status = opened.Close()) return status;
    if (unknownCategory) return Fail("no category '" + Cp1252ToUtf8(category) + "'");

    if (options.json) {
        std::cout << "[";
        for (size_t i = 0; i < recipes.size(); ++i)
            std::cout << (i ? "," : "") << "{\"name\":" << JsonString(Cp1252ToUtf8(recipes[i].name))
                      << ",\"category\":" << JsonString(Cp1252ToUtf8(recipes[i].category)) << "}";
        std::cout << "]\n";
        return 0;
    }
    for (const kw::recipedb::RecipeId &recipe : recipes)
        std::cout << Cp1252ToUtf8(recipe.name) << "\t" << Cp1252ToUtf8(recipe.category) << "\n";
    return 0;
}

}  // namespace

KWTOOL_COMMAND("recipes", "[--category NAME]",
               "list the recipes (title and category), or those filed under a category",
               RunRecipes);

}  // namespace kwtool
