// The ingredient line of an export file read back: split into its four parts and its unit text
// resolved to a measure kind, unit choice and base amount.
//
//   "12.5 g plain flour,,sifted"   quantity "12.5", unit "g", ingredient "plain flour",
//                                  preparation "sifted"
//   "- - salt,,"                   quantity "-" (no amount), unit "-"
//
// The quantity is the text up to the first blank, the unit the next word up to the next blank,
// the ingredient the rest up to ",," (or to the end when there is none) and the preparation what
// follows ",,". Missing parts are empty.
//
// The unit is resolved as the recipe form reads a unit in the current unit system (ParseUnit, no
// message). A unit of another system (the file came from a user with other settings: "oz" while
// Metric is in force) is looked up in all three systems' tables, systems 0, 1, 2 in turn: the
// first match gives kind and choice, and the amount is taken in that system's unit. Any other
// text gives items (kind 2, choice 0) and the amount as a count.
#pragma once

#include <string>
#include <string_view>

#include "app/recipes/units.h"

namespace kw {

struct ExportedIngredientLine {
    std::string quantity;
    std::string unit;
    std::string ingredient;
    std::string preparation;
};

ExportedIngredientLine SplitExportedIngredientLine(std::string_view line);

struct LoadedAmount {
    int kind = kItems;
    int choice = 0;
    double baseAmount = 0.0;  // grams, millilitres or a count (0 for no amount)
};

// The amount of quantity (as read from the line) in unit, for the ingredient named.
LoadedAmount ResolveExportedAmount(const UnitContext &context, std::string_view ingredient,
                                   std::string_view unit, double quantity);

}  // namespace kw
