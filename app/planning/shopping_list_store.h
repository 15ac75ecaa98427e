// A shopping list's records: KWLIST (one per list, NAME) and KWLISTCT (one per line: NAME of
// the list, INGREDIE, QUANTITY as a base amount, OPTS unit choice, MEASURED measure kind), and
// filling a list from a recipe's ingredient lines or a meal's recipes.
//
//   LoadListContents    KWLISTCT from the list name on its NAME index, while NAME equals the
//                       name with letter case ignored; each record appended as an entry in index
//                       order: the shown amount FromBaseAmount, quantity text "-" for choice 4
//                       else FormatQuantity (2 places, exact for items), unit text UnitName,
//                       singular when the shown amount's whole part is 1.
//   DeleteListContents  every KWLISTCT record whose NAME equals the name exactly.
//   WriteListContents   one KWLISTCT record per entry in list order (entries without three parts
//                       are skipped), QUANTITY = ToBaseAmount of the parsed amount. A line without
//                       an amount (quantity "-", also a free-text item) is stored as choice 4 in
//                       the measure kind ParseUnit gives its name. The first failing insert stops:
//                       303 (the same name and kind twice) shows message 804, anything else
//                       message 400, both with the exclamation icon.
//   AddRecipeToList     every KWRECING line of the recipe (CATEGORY and NAME equal exactly, in
//                       index order) added through AddLine with its kind and choice and the
//                       shown amount FromBaseAmount; quantities are not scaled by servings. A line
//                       whose MEASURED stands for the ingredient's own kind (100) takes the
//                       ingredient's kind from the catalogue.
//   AddMealToList       AddRecipeToList for every KWMEALCT record of the meal (NAME equal exactly).
//
//   SaveShoppingList    the Save command: message 800 when the list has no name (nothing
//                       written); a new list's KWLIST record is inserted first — a name that
//                       belongs to a stored list is refused there (message 400) before any stored
//                       line is touched; then the stored lines are deleted and the entries written.
//                       On success the list is stored and unmodified.
//   LoadShoppingList    the KWLIST record (1 when it is missing: the window closes), whose NAME
//                       becomes the list's name as stored (letter case may differ from the name
//                       asked for), then the contents; unmodified afterwards.
//   DeleteShoppingList  asks message 801 (Yes/No); on Yes deletes the KWLIST record and the lines.
#pragma once

#include <string>
#include <string_view>

#include "app/core/messages.h"
#include "app/data/database.h"
#include "app/planning/shopping_list.h"

namespace kw::planning {

// SaveShoppingList's answer for a list without a name (the message it shows).
inline constexpr KWRESULT kListTitleMissing = 800;

KWRESULT LoadListContents(CKWDatabase &database, const UnitContext &context, ShoppingList &list);
KWRESULT DeleteListContents(CKWDatabase &database, const std::string &name);
KWRESULT WriteListContents(CKWDatabase &database, const UnitContext &context,
                           const ShoppingList &list);

KWRESULT AddRecipeToList(CKWDatabase &database, const UnitContext &context, ShoppingList &list,
                         std::string_view category, std::string_view name);
KWRESULT AddMealToList(CKWDatabase &database, const UnitContext &context, ShoppingList &list,
                       std::string_view meal);

KWRESULT SaveShoppingList(CKWDatabase &database, const UnitContext &context, ShoppingList &list);
KWRESULT LoadShoppingList(CKWDatabase &database, const UnitContext &context, ShoppingList &list);
// *deleted tells whether the user said Yes and the records went.
KWRESULT DeleteShoppingList(CKWDatabase &database, MessageSink &sink, ShoppingList &list,
                            bool *deleted);

}  // namespace kw::planning
