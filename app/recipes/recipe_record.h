// One recipe in the database: its KWRECIPE record as values, its KWRECING ingredient lines and its
// KWRCPCAT category links, with the operations that keep the three together. A recipe is the pair
// (CATEGORY, NAME); its lines and links carry that pair, found through index 0 of their tables
// with the 80-byte recipe key (record_cursor.h). Names and categories compare without regard to
// letter case, as the indexes do.
//
// Every operation opens its own table instances and closes them before it returns; results are
// the engine's codes. Used by the recipe form (recipe_form.h), the category operations, kwtool,
// and the export, import and search of the other parts of the program.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/recipes/record_cursor.h"
#include "app/recipes/units.h"

namespace kw {

class CKWDatabase;

namespace recipedb {

// A recipe's identity.
struct RecipeId {
    std::string name;      // NAME, at most 48 characters
    std::string category;  // CATEGORY (the primary category), at most 32 characters
};

// The KWRECIPE fields.
struct RecipeRecord {
    std::string name;
    std::string category;
    std::string method;      // METHOD, at most 4096 characters
    int32_t total_time = 0;  // TOTALTIM, minutes
    int32_t prep_time = 0;   // PREPTIME, minutes
    int32_t servings = 0;    // NOOFSERV
    int32_t calories = 0;    // CALORIES per serving; -1 unknown
    float cost = 0.0f;       // COST per serving; -1.0 unknown
    bool dairy_free = false;
    bool gluten_free = false;
    bool vegetarian = false;
    char difficulty = 'A';  // DIFFICUL: "A" Easy, "B" Medium, "C" Hard
    std::string reference;  // REFERENC, at most 48 characters
};

// The difficulty codes with their texts, in list order; the first is a new recipe's.
struct DifficultyChoice {
    char code;
    const char *text;
};
const std::vector<DifficultyChoice> &DifficultyChoices();
// "Easy", "Medium", "Hard"; "" for any other code.
const char *DifficultyText(char code);

// One stored ingredient line of a recipe.
struct RecipeLine {
    std::string ingredient;     // INGREDIE
    StoredIngredientLine line;  // QUANTITY, OPTS, MEASURED, PREPARAT
};

// The KWRECIPE fields of the current record, and the other way (texts cut to their fields).
RecipeRecord ReadRecipe(RecordCursor &cursor);
KWRESULT PutRecipe(CKWRecord &record, const RecipeRecord &recipe);

// The recipe's record; 0 found, 1 none, else the engine's code.
KWRESULT FindRecipe(CKWDatabase &database, const RecipeId &id, RecipeRecord *recipe);
bool RecipeExists(CKWDatabase &database, const RecipeId &id);

// The recipe's ingredient lines in index order (the order they were written).
KWRESULT ReadRecipeLines(CKWDatabase &database, const RecipeId &id, std::vector<RecipeLine> *lines);
// Writes one line of the recipe (a duplicate ingredient of the recipe is refused with 303).
KWRESULT InsertRecipeLine(CKWRecord &lines, const RecipeId &id, const RecipeLine &line);
KWRESULT DeleteRecipeLines(CKWDatabase &database, const RecipeId &id);

// The OTHERCAT of every link of the recipe, in index order (the self-link included).
KWRESULT ReadRecipeLinks(CKWDatabase &database, const RecipeId &id,
                         std::vector<std::string> *categories);
// Inserts the link (NAME, CATEGORY, OTHERCAT); 303 when it exists.
KWRESULT InsertRecipeLink(CKWDatabase &database, const RecipeId &id, std::string_view other);
// Deletes the recipe's link to other (case ignored); 0 also when there is none.
KWRESULT DeleteRecipeLink(CKWDatabase &database, const RecipeId &id, std::string_view other);
KWRESULT DeleteRecipeLinks(CKWDatabase &database, const RecipeId &id);

// After the recipe's record became `to`: its lines and links follow. Lines take the new pair. A
// link takes the new pair too, except the link to the old primary category when the category
// changed: the recipe is no longer filed there, and its own link to the new category is made.
// A link the new pair already has replaces the old one. Lines the index refuses (the new pair
// already had lines of that ingredient, left by damage) stay where they were.
KWRESULT MoveRecipeLines(CKWDatabase &database, const RecipeId &from, const RecipeId &to);
KWRESULT MoveRecipeLinks(CKWDatabase &database, const RecipeId &from, const RecipeId &to);

}  // namespace recipedb
}  // namespace kw
