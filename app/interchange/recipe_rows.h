// Record helpers shared by the export, the load of an export file and the recipe import: texts
// put into fixed-width fields cut to the field, and the walk over the rows that belong to one
// recipe (its KWRECING lines, its KWRCPCAT links) on their CATEGORY+NAME index.
//
// A recipe's rows are found with the 80-byte key of that index: the category zero-padded to 32
// bytes, then the name zero-padded to 48. The index ignores letter case, so the walk also compares
// NAME and CATEGORY ignoring case (A-Z only, as the index does) and stops at the first row of
// another recipe.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "app/data/database.h"
#include "app/data/query.h"
#include "app/data/record.h"

namespace kw::interchange {

// The search key of the CATEGORY+NAME indexes (KWRECIPE 0, KWRECING 0, KWRCPCAT 0).
std::string RecipeKey(std::string_view category, std::string_view name);

// Puts text into a character field of the given width, cut to that width.
KWRESULT PutTextCut(CKWRecord &record, const char *field, std::string_view text, int32_t width);

// The text of a field, "" when it cannot be read.
std::string FieldText(CKWRecord &record, const char *field);

// Calls visit with query's record on each row of the recipe (category, name), in index order.
// query must be set on a CATEGORY+NAME index of KWRECING or KWRCPCAT. Returns KW_OK when the walk
// ended normally (also when the recipe has no rows), else the engine's failure.
KWRESULT ForEachRecipeRow(CKWQuery &query, std::string_view category, std::string_view name,
                          const std::function<void()> &visit);

// Opens record on the database's table of that name and sets query on its index number.
KWRESULT OpenIndexed(CKWDatabase &database, const char *table, int32_t index, CKWRecord *record,
                     CKWQuery *query);

}  // namespace kw::interchange
