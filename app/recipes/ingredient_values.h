// The ingredient form's figures without the form: calories and cost are stored per base amount
// (per gram, millilitre or item) and shown per the unit the user chose (KWINGDAT.OPTS) in the
// current unit system. Also the type codes, the "Per" labels and the unit radio texts.
//
// Opening shows the stored figures (ShownFigures), the radios change them (ChangeMeasureKind,
// ChangeUnitChoice), saving stores them (StoredFigures). Settings are passed to each call.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/recipes/number_settings.h"

namespace kw {

// The form's bounds for the figures per chosen unit.
constexpr double kMaxShownCalories = 100000.0;
constexpr double kMaxShownCost = 99.99;

// KWINGDAT.UNITS, OPTS, CALORIES and COST.
struct IngredientFigures {
    int units = 0;           // own measure kind
    int opts = 0;            // unit choice the figures are shown in
    float calories = -1.0f;  // per base amount; negative unknown
    float cost = -1.0f;      // per base amount; negative unknown
};

// What the form shows.
struct ShownFigures {
    int kind = 0;           // "Measure By:" radio
    int choice = 0;         // unit radio
    float calories = 0.0f;  // per chosen unit
    bool calories_unknown = true;
    float cost = 0.0f;  // per chosen unit
    bool cost_unknown = true;
};

// Opening: figures per chosen unit (stored / factor; items as stored); a negative figure shows 0
// with its "Unknown" box checked. A kind outside 0..2 shows as weight, and a choice the kind does
// not have (negative, 4, weight 2 or 3) as choice 0.
ShownFigures ShowFigures(const NumberSettings &settings, const IngredientFigures &stored);

// "&Weight", "&Volume", "&Quantity": figures per unit of the old kind mean nothing for the new
// one, so both become 0 and unknown; a choice the new kind does not have becomes 0.
ShownFigures ChangeMeasureKind(const ShownFigures &shown, int kind);

// A unit radio: the calories are converted to the new unit (per-unit values: x factor(old) /
// factor(new)); the cost is kept as typed and from now on counts per the new unit.
ShownFigures ChangeUnitChoice(const NumberSettings &settings, const ShownFigures &shown,
                              int choice);

// Saving: -1.0 for an unknown figure, else shown x factor of the chosen unit (items as shown).
IngredientFigures StoreFigures(const NumberSettings &settings, const ShownFigures &shown);

// The label beside calories and cost: "/" and the unit's plural name ("/Kg", "/fl-oz"), "/Item"
// for items.
std::string PerLabel(const NumberSettings &settings, int kind, int choice);

// The unit radio texts of a kind ("Kg", "Grams"; "Pints", "Fl Oz", "tbsp", "tsp"; none for items).
std::vector<std::string> IngredientUnitRadioTexts(const NumberSettings &settings, int kind);

// The ingredient types, in the order of their texts (the form's sorted list).
struct IngredientType {
    char code;         // KWINGDAT.TYPE
    const char *text;  // shown text
};
const std::vector<IngredientType> &IngredientTypes();
// The text of a code, "" for an unknown code; the code of a text, '\0' for an unknown text.
const char *IngredientTypeText(char code);
char IngredientTypeCode(std::string_view text);

}  // namespace kw
