// kwtool categories: lists the recipe categories of KWDATA2 in index order, each with the number
// of recipes whose primary category it is and the number of recipes filed under it (primary and
// further categories: the links to it), separated by tabs. With --json one JSON array of
// {"name", "recipes", "filed"}.
#include <iostream>
#include <string>
#include <vector>

#include "app/recipes/category_store.h"
#include "command.h"
#include "command_database.h"
#include "json_text.h"
#include "platform/text_encoding.h"

namespace kwtool {
namespace {

struct CategoryCounts {
    std::string name;
    int recipes = 0;
    int filed = 0;
};

int RunCategories(const Options &options) {
    if (!options.args.empty()) return Usage(options, "categories");
    CommandDatabase opened;
    if (int status = opened.Open(DatabaseUse::kRead, ReportOpenFailure)) return status;
    kw::CKWDatabase &database = opened.Database();
    std::vector<CategoryCounts> categories;
    for (const std::string &name : kw::recipedb::CategoryNames(database))
        categories.push_back({kw::platform::Cp1252ToUtf8(name),
                              kw::recipedb::CountRecipesOfCategory(database, name),
                              kw::recipedb::CountLinksToCategory(database, name)});
    if (int status = opened.Close()) return status;

    if (options.json) {
        std::cout << "[";
        for (size_t i = 0; i < categories.size(); ++i)
            std::cout << (i ? "," : "") << "{\"name\":" << JsonString(categories[i].name)
                      << ",\"recipes\":" << categories[i].recipes
                      << ",\"filed\":" << categories[i].filed << "}";
        std::cout << "]\n";
        return 0;
    }
    for (const CategoryCounts &c : categories)
        std::cout << c.name << "\t" << c.recipes << " recipes\t" << c.filed << " filed\n";
    return 0;
}

}  // namespace

KWTOOL_COMMAND("categories", "",
               "list the recipe categories with their recipes and the recipes filed under them",
               RunCategories);

}  // namespace kwtool
