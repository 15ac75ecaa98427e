// The relations between tables that the program keeps and the engine does not, checked by
// kwtool check as warnings (the files are sound; the data is not what the program would write):
//
//   KWRECING  every line's recipe (CATEGORY, NAME) is in KWRECIPE
//   KWRCPCAT  every recipe has its link to its own category (OTHERCAT = CATEGORY), and every
//             link's recipe is in KWRECIPE
//   KWCAT     every recipe's CATEGORY and every link's OTHERCAT is a category
//   KWMEALCT  every meal entry's meal is in KWMEALS and its recipe (CATEGORY, RECIPE) in KWRECIPE
//   KWLISTCT  every list item's list is in KWLIST
//
// Names compare with A-Z case ignored, as the tables' indexes compare them. Findings are grouped
// (one warning per missing recipe, category, meal or list) so a large gap stays readable.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "check_findings.h"
#include "check_table.h"

namespace kwtool {

// The fields each table's rows must carry for CheckRelations, by table name.
const std::map<std::string, std::vector<std::string>> &RelationFields();

// rows holds the tables that could be read, with the fields of RelationFields(); relations
// involving a table that is absent are not checked.
void CheckRelations(const std::map<std::string, TableRows> &rows, Findings &findings);

}  // namespace kwtool
