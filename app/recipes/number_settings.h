// The three user settings that decide how amounts are shown: the unit system, decimals or
// fractions, and exact conversions. Callers build a NumberSettings from the application's
// settings at the moment of each call and pass it in; nothing in this library keeps a copy, so a
// change on the preferences page shows in the next call.
#pragma once

namespace kw {

enum UnitSystem : int { kMetric = 0, kUkImperial = 1, kUsImperial = 2 };

struct NumberSettings {
    int units = kMetric;  // setting "Units": 0 Metric, 1 UK Imperial, 2 US Imperial
    int decimal = 1;      // setting "Decimal": 1 quantities as decimals, 0 as fractions
    int exact = 0;        // setting "Exact": 1 no nice rounding of shown quantities
};

// The unit system in force. A value outside 0..2 (a hand-edited settings file) counts as Metric,
// so the unit tables are never indexed out of range.
inline int UnitSystemOf(const NumberSettings &settings) {
    return settings.units >= kMetric && settings.units <= kUsImperial ? settings.units : kMetric;
}

}  // namespace kw
