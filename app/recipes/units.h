// Units and quantities: the unit vocabulary of the three unit systems, the conversion between a
// shown amount and the stored base amount (grams, millilitres, a count), unit names and unit
// texts, and the shown form of a stored ingredient line. Every operation reads the settings it is
// given at the moment of the call; nothing is cached.
//
// Stored amounts never change with the settings; only what is shown does. An amount is kept as
// (measure kind, unit choice, base amount): the unit choice picks the unit within the kind in
// whatever unit system is in force, so switching systems changes every shown unit at once.
//
// One text form per number, whoever shows or reads it:
//   recipe grid, filled from records    FormatIngredientLine(..., items_spelling = false)
//   recipe grid, a typed cell           IngredientGrid::EditCell / CheckCell (ingredient_grid.h)
//   recipe grid, a dialog's line        IngredientGrid::AddLine / ReplaceLine
//   recipe grid read back (save, calculations)   IngredientGrid::ParseRow -> ParseQuantity,
//   ParseUnit recipe printout, recipe text        the grid's cell texts as they stand; FormatCost
//   for cost,
//                                       the calories as "%d"
//   export file                         FormatIngredientLine(..., items_spelling = true), with the
//                                       settings' decimal forced to 1: the file's reader splits a
//                                       line at the first blank, so a fraction ("1 1/2") cannot go
//                                       there. The loader reads the quantity with ParseQuantity.
//   shopping list                       FromBaseAmount + FormatQuantity(2 places, exact for items)
//                                       + UnitName; reads back with ParseQuantity + ParseUnit;
//                                       merges with MergeAmounts
//   ingredient form                     ingredient_values.h (figures per chosen unit)
//   costs anywhere                      FormatCost / ParseCost (number_text.h)
#pragma once

#include <string>
#include <string_view>

#include "app/core/messages.h"
#include "app/recipes/ingredient_catalog.h"
#include "app/recipes/number_settings.h"
#include "app/recipes/number_text.h"

namespace kw {

// Measure kinds (KWRECING.MEASURED, KWLISTCT.MEASURED, KWINGDAT.UNITS).
enum MeasureKind : int { kWeight = 0, kVolume = 1, kItems = 2 };
// The unit choice of a line without an amount (shown as "-"); valid with every kind.
constexpr int kUnspecifiedChoice = 4;
// KWRECING.MEASURED value meaning "the ingredient's own measure kind"; readers of a line whose
// MEASURED field cannot be read use it too.
constexpr int kOwnMeasureKind = 100;

// What the operations that may look up an ingredient or speak to the user need, built by the
// caller for each call from the current settings.
struct UnitContext {
    NumberSettings settings;
    IngredientCatalog &catalog;
    MessageSink &sink;
};

// The unit abbreviation of the table ("Kg", "fl-oz", "item(s)"); "" for an empty slot or
// arguments outside system 0..2, kind 0..2, choice 0..3.
const char *UnitTableEntry(int system, int kind, int choice);

// Units per base amount (units per gram or millilitre) as the exact double of the stated literal
// or fraction (a UK pint is 570 ml: 0.001754386; a US cup 1/236.588); 0.0 where kind and choice
// name no unit (items, the unspecified choice, weight choices 2 and 3, anything out of range).
double UnitFactor(int system, int kind, int choice);

// Whether the choice names a unit of the kind: weight 0-1, volume 0-3, items 0.
bool IsUnitOfKind(int kind, int choice);

enum class BaseDirection { kFromBase = 0, kToBase = 1 };

// Converts between a shown amount and the base amount (from base: multiply by the factor; to
// base: divide). Where kind and choice name no convertible unit the amount is returned as it is,
// so items, "no amount" and damaged choices never divide by zero.
double ConvertBaseAmount(const NumberSettings &settings, BaseDirection direction, int kind,
                         int choice, double amount);
inline double ToBaseAmount(const NumberSettings &s, int kind, int choice, double amount) {
    return ConvertBaseAmount(s, BaseDirection::kToBase, kind, choice, amount);
}
inline double FromBaseAmount(const NumberSettings &s, int kind, int choice, double base) {
    return ConvertBaseAmount(s, BaseDirection::kFromBase, kind, choice, base);
}

// An amount in unit from_choice as an amount in to_choice: amount x factor(to) / factor(from);
// unchanged unless both choices name units of the kind (so items, choice 4 and negative choices
// leave it as it is).
double ConvertAmount(const NumberSettings &settings, int kind, int from_choice, int to_choice,
                     double amount);

// Two amounts of one ingredient and kind combined into one line in the smaller unit choice (the
// larger unit: Kg before g): equal choices add, otherwise the amount in the larger choice is
// converted into the smaller one and added. An amount in the unspecified choice counts as none.
struct MergedAmount {
    int choice;
    double amount;
};
MergedAmount MergeAmounts(const NumberSettings &settings, int kind, int choice_a, double amount_a,
                          int choice_b, double amount_b);

// The unit's name: "-" for no unit (choice 4 and above, a negative choice, a kind outside 0..2, an
// empty slot); the table entry for weight and volume; for items "item(s)" with items_spelling,
// else "item" when singular, else "items". The caller decides singular.
std::string UnitName(const NumberSettings &settings, int kind, int choice, bool singular,
                     bool items_spelling);

// ParseUnit's answer. result: 0 a unit of the current system, 1 "-" (no amount, the kind is the
// ingredient's own), -1 not recognised (taken as items).
struct UnitParse {
    int kind;
    int choice;
    int result;
};

// A unit text as measure kind and choice: a unit of the current system (case ignored; "cups" is
// read as the system's "cup"), "-" as no amount in the ingredient's own kind, a text starting
// "item" as items; anything else as items with result -1 and, when warn is set, message 1704.
UnitParse ParseUnit(const UnitContext &context, std::string_view ingredient_name,
                    std::string_view unit_text, bool warn);

// The ingredient's own measure kind (KWINGDAT.UNITS); 0 (weight) when it is not in the catalogue,
// with message 604 (exclamation) when warn is set.
int IngredientMeasureKind(IngredientCatalog &catalog, MessageSink &sink, std::string_view name,
                          bool warn);

// The stored fields of one ingredient line (KWRECING) or list item (KWLISTCT).
struct StoredIngredientLine {
    float quantity = 0.0f;           // QUANTITY: the base amount
    int opts = kUnspecifiedChoice;   // OPTS: unit choice
    int measured = kOwnMeasureKind;  // MEASURED: kind, or kOwnMeasureKind
    std::string preparation;         // PREPARAT
};

// The shown texts of a stored line.
struct IngredientLineText {
    std::string quantity;
    std::string unit;
    std::string preparation;
};

// A stored line as shown: the amount converted to its unit choice; "-" for the unspecified
// choice, else FormatQuantity with 2 places (exact for items); the unit singular when the shown
// amount is at most 1. MEASURED 100 takes the ingredient's own kind (message 604 when unknown).
IngredientLineText FormatIngredientLine(const UnitContext &context,
                                        const StoredIngredientLine &line,
                                        std::string_view ingredient_name, bool items_spelling);

}  // namespace kw
