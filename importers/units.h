// The unit name table of the import filters and its lookup. Each row is a spelling, the measure
// kind and unit choice it stands for, and the factor that turns one such unit into the base
// amount (grams, millilitres or a count). The table ends with a row of kind -1.
//
// Lookup takes the first row whose spelling equals the unit text ignoring ASCII letter case, or
// that the unit text begins with (case kept) followed by an 's' — the plural rule: "cups", "lbs"
// and "tablespoons" are found, "Cups" is not. Without a match the line counts as items with the
// quantity unchanged.
#pragma once

#include <cstdint>
#include <string_view>

#include "kwimpt.h"

namespace kw::import {

struct UnitName {
    const char *spelling;  // at most 31 characters
    int32_t kind;          // 0 weight, 1 volume, 2 items; -1 ends the table
    int32_t choice;        // unit choice within the kind; 4 = no unit
    double factor;         // base amount of one unit
};

extern const UnitName kUnitNameTable[];

struct UnitLookup {
    bool found;
    int32_t kind;
    int32_t choice;
    float quantity;  // the base amount, as stored in the record
};

UnitLookup LookupUnit(double quantity, std::string_view unit);

// Stores a lookup result in an ingredient entry.
void ApplyUnit(const UnitLookup &unit, ImportedIngredient *entry);

}  // namespace kw::import
