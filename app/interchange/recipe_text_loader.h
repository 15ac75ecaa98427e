// A stored recipe read for the recipe text: its KWRECIPE record, its KWRECING lines and its
// KWRCPCAT links, straight from the open recipe database. kwtool's "text" command uses it; the
// recipe window writes the text from its own contents instead (it fills a RecipeTextValues from
// its controls, or hands its grid texts to FormatRecipeText), so this is the only place that
// reads the three tables for the text.
//
//   KWRECIPE  exact search on index 0 (CATEGORY+NAME, unique, case ignored)
//   KWRECING  index 0 (CATEGORY+NAME) from the first entry at or after the recipe's key, while
//             NAME and CATEGORY equal the recipe's (case ignored): the lines in list order
//   KWRCPCAT  index 0 (CATEGORY+NAME) likewise: OTHERCAT of every link, in index order (the
//             link to the primary category included; the writer leaves it out)
//
// Stored values become the value struct's: CALORIES below 0 and COST below 0 (or not a number)
// as "not known", DIFFICUL as its code letter ('A' when empty), the logical fields as flags. A
// line whose MEASURED is 100 (the ingredient's own kind) gets the UNITS of its KWINGDAT record
// when there is one; otherwise it keeps 100, and the writer's catalogue lookup decides as the
// recipe window would (weight, message 604).
#pragma once

#include <string_view>

#include "app/data/database.h"
#include "app/interchange/recipe_text_writer.h"

namespace kw {

// Reads the recipe filed under category with that name (letter case ignored) from database,
// which is open with the recipe schema. Returns KW_OK with *recipe filled; KW_NOTFOUND when no
// such recipe is stored (also for a name or category longer than its field); otherwise the
// engine's or the record's code, *recipe then being incomplete.
KWRESULT LoadRecipeTextValues(CKWDatabase &database, std::string_view name,
                              std::string_view category, RecipeTextValues *recipe);

}  // namespace kw
