// The unit name table lookup: case-blind spellings, case-kept plurals, items as the fallback.
#include "units.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kw::import {
namespace {

TEST(UnitLookup, PluralRuleKeepsCaseWholeSpellingIgnoresIt) {
    const UnitLookup cups = LookupUnit(2, "cups");
    EXPECT_TRUE(cups.found);
    EXPECT_EQ(cups.kind, KWIMPT_VOLUME);
    EXPECT_EQ(cups.choice, 1);
    EXPECT_FLOAT_EQ(cups.quantity, 2 * 236.588f);

    const UnitLookup capital = LookupUnit(2, "Cups");
    EXPECT_FALSE(capital.found);
    EXPECT_EQ(capital.kind, KWIMPT_ITEMS);
    EXPECT_EQ(capital.choice, 0);
    EXPECT_FLOAT_EQ(capital.quantity, 2);

    const UnitLookup pound = LookupUnit(1.5, "lb");
    EXPECT_EQ(pound.kind, KWIMPT_WEIGHT);
    EXPECT_EQ(pound.choice, 0);
    EXPECT_FLOAT_EQ(pound.quantity, 680.4f);

    // 't' and 'T' are both tablespoons in this table.
    for (const char *t : {"t", "T"}) {
        const UnitLookup spoon = LookupUnit(1, t);
        EXPECT_EQ(spoon.kind, KWIMPT_VOLUME) << t;
        EXPECT_EQ(spoon.choice, 2) << t;
        EXPECT_FLOAT_EQ(spoon.quantity, 15) << t;
    }
}

TEST(UnitLookup, OtherSpellings) {
    EXPECT_TRUE(LookupUnit(1, "TSP").found);
    EXPECT_EQ(LookupUnit(1, "TSP").choice, 3);
    EXPECT_EQ(LookupUnit(1, "KG").kind, KWIMPT_WEIGHT);
    EXPECT_FLOAT_EQ(LookupUnit(1, "kg").quantity, 1000);
    EXPECT_TRUE(LookupUnit(1, "tablespoons").found);
    EXPECT_TRUE(LookupUnit(1, "lbs").found);
    EXPECT_FALSE(LookupUnit(1, "Tbsps").found);
    EXPECT_FLOAT_EQ(LookupUnit(3, "ts").quantity, 15);
    EXPECT_EQ(LookupUnit(1, "fl-oz").choice, 1);
    EXPECT_EQ(LookupUnit(1, "item(s)").kind, KWIMPT_ITEMS);
    const UnitLookup none = LookupUnit(0, "-");
    EXPECT_EQ(none.kind, KWIMPT_WEIGHT);
    EXPECT_EQ(none.choice, KWIMPT_NO_UNIT);
    EXPECT_FALSE(LookupUnit(4, "").found);
    EXPECT_FALSE(LookupUnit(4, "qt").found);
}

TEST(UnitLookup, AbsurdAmountsStayInsideTheFloatRange) {
    const UnitLookup huge = LookupUnit(1e300, "lb");
    EXPECT_TRUE(std::isfinite(huge.quantity));
}

}  // namespace
}  // namespace kw::import
