// What kwtool's search, meal and list commands share (the database itself they open through
// command_database.h): the unit settings the window program would use, and the command-line form of
// a recipe.
#pragma once

#include <string>

#include "app/data/database.h"
#include "app/recipes/number_settings.h"

namespace kwtool {

// "Units", "Decimal" and "Exact" of recipe.INI in the working directory (defaults by locale).
kw::NumberSettings PlanningNumberSettings();

// A recipe on the command line: "TITLE:[CATEGORY]", as a recipe's icon drags (UTF-8 in,
// Windows-1252 out). False when the text has no ":[" or does not end in "]".
bool ParseRecipeArgument(const std::string &argument, std::string *title, std::string *category);

// Whether KWRECIPE holds the recipe (title and category, letter case ignored).
bool RecipeIsStored(kw::CKWDatabase &database, const std::string &title,
                    const std::string &category);

}  // namespace kwtool
