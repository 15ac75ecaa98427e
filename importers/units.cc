// The unit name table and its lookup (case-blind whole spellings, case-kept plurals).
#include "units.h"

#include <algorithm>
#include <vector>

#include "fields.h"

namespace kw::import {

const UnitName kUnitNameTable[] = {
    {"item(s)", KWIMPT_ITEMS, 0, 1},
    {"Kg", KWIMPT_WEIGHT, 0, 1000},
    {"g", KWIMPT_WEIGHT, 1, 1},
    {"ltr", KWIMPT_VOLUME, 0, 1000},
    {"litre", KWIMPT_VOLUME, 0, 1000},
    {"ml", KWIMPT_VOLUME, 1, 1},
    {"tbsp", KWIMPT_VOLUME, 2, 15},
    {"tablespoon", KWIMPT_VOLUME, 2, 15},
    {"tb", KWIMPT_VOLUME, 2, 15},
    {"T", KWIMPT_VOLUME, 2, 15},
    {"tsp", KWIMPT_VOLUME, 3, 5},
    {"ts", KWIMPT_VOLUME, 3, 5},
    {"teaspoon", KWIMPT_VOLUME, 3, 5},
    {"lb", KWIMPT_WEIGHT, 0, 453.6},
    {"pound", KWIMPT_WEIGHT, 0, 453.6},
    {"oz", KWIMPT_WEIGHT, 1, 28.35},
    {"ounce", KWIMPT_WEIGHT, 1, 28.35},
    {"pt", KWIMPT_VOLUME, 0, 570},
    {"fl-oz", KWIMPT_VOLUME, 1, 28.5},
    {"floz", KWIMPT_VOLUME, 1, 28.5},
    {"cup", KWIMPT_VOLUME, 1, 236.588},
    {"c", KWIMPT_VOLUME, 1, 236.588},
    {"-", KWIMPT_WEIGHT, KWIMPT_NO_UNIT, 1},
    {"item", KWIMPT_ITEMS, 0, 1},
    {"items", KWIMPT_ITEMS, 0, 1},
    {"", -1, 0, 0},
};

namespace {
char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return AsciiLower(x) == AsciiLower(y);
           });
}
// The spellings of the table's rows as views, measured once: a lookup runs for every ingredient
// and would otherwise measure every spelling again.
const std::vector<std::string_view> &Spellings() {
    static const std::vector<std::string_view> spellings = [] {
        std::vector<std::string_view> views;
        for (const UnitName *row = kUnitNameTable; row->kind >= 0; ++row)
            views.emplace_back(row->spelling);
        return views;
    }();
    return spellings;
}

}  // namespace

UnitLookup LookupUnit(double quantity, std::string_view unit) {
    const std::vector<std::string_view> &spellings = Spellings();
    for (size_t i = 0; i < spellings.size(); ++i) {
        const UnitName *row = &kUnitNameTable[i];
        const std::string_view spelling = spellings[i];
        const bool plural = unit.size() > spelling.size() &&
                            unit.substr(0, spelling.size()) == spelling &&
                            unit[spelling.size()] == 's';
        if (EqualIgnoringCase(unit, spelling) || plural)
            return {true, row->kind, row->choice, ClampToFloat(quantity * row->factor)};
    }
    return {false, kUnitNameTable[0].kind, kUnitNameTable[0].choice, ClampToFloat(quantity)};
}

void ApplyUnit(const UnitLookup &unit, ImportedIngredient *entry) {
    entry->measureKind = unit.kind;
    entry->unitChoice = unit.choice;
    entry->quantity = unit.quantity;
}

}  // namespace kw::import
