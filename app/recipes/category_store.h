// The recipe categories in the database: the KWCAT names, the recipes filed under a category, and
// the whole-category changes behind Edit Categories — recategorizing every recipe, line and link
// of a category under another name, and deleting a category with everything filed under it.
// Category names compare without regard to letter case, as the indexes do.
//
// Every operation opens its own table instances and closes them before it returns; results are
// the engine's codes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/recipes/recipe_record.h"

namespace kw {

class CKWDatabase;

namespace recipedb {

// Every KWCAT NAME in index order.
std::vector<std::string> CategoryNames(CKWDatabase &database);
// Inserts a KWCAT record; 303 when the name exists (in any letter case).
KWRESULT InsertCategory(CKWDatabase &database, std::string_view name);
// The KWCAT record of from takes the name to: 1 when from is not there, 303 when to is taken.
KWRESULT RenameCategoryRecord(CKWDatabase &database, std::string_view from, std::string_view to);
// Deletes the KWCAT record; 1 when it is not there.
KWRESULT DeleteCategoryRecord(CKWDatabase &database, std::string_view name);

// Recipes whose primary category is c (KWRECIPE index 1), and links whose OTHERCAT is c (KWRCPCAT
// index 2, the recipes' own links included).
int CountRecipesOfCategory(CKWDatabase &database, std::string_view c);
int CountLinksToCategory(CKWDatabase &database, std::string_view c);

// Every recipe in title order (KWRECIPE index 2).
std::vector<RecipeId> AllRecipes(CKWDatabase &database);
// The recipes filed under c: those with c as primary category and those linked to it, each once,
// in title order.
std::vector<RecipeId> RecipesFiledUnder(CKWDatabase &database, std::string_view c);

struct RecategorizeResult {
    KWRESULT result = KW_OK;
    // Recipes that stayed in the old category because the new one has a recipe of the same
    // title: their lines and links stay with them.
    std::vector<std::string> left_behind;
};
// Files everything of category from under to: KWRECIPE.CATEGORY (index 1), KWRECING.CATEGORY
// (index 3), KWRCPCAT.CATEGORY (index 3) and KWRCPCAT.OTHERCAT (index 2). A link the recipe
// already has under to replaces the old one. A recipe whose title to already holds is left where
// it is, with its lines and links, rather than joining the other recipe's lines.
RecategorizeResult RecategorizeRecipes(CKWDatabase &database, std::string_view from,
                                       std::string_view to);

// Deletes, in this order, every recipe whose primary category is c, every line of c, every link
// of a recipe of c and every link to c: the recipes of c go entirely, recipes that only had c as a
// further category lose that link.
KWRESULT DeleteCategoryContents(CKWDatabase &database, std::string_view c);

}  // namespace recipedb
}  // namespace kw
