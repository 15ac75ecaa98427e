// The defaults of "Settings"/"Units" and "Settings"/"Decimal" that depend on the user's language:
// English (United States) starts in US imperial units with fractions, English (United Kingdom)
// in UK imperial units with decimals, every other language and country (and a locale naming no
// country, such as "en" or "C") in metric units with decimals.
//
// A locale is named the POSIX way, "language[_TERRITORY][.codeset][@modifier]"; "en-US" is
// accepted too. Letter case is ignored.
#pragma once

#include <string>
#include <string_view>

namespace kw {

struct UnitDefaults {
    int units;    // 0 metric, 1 UK imperial, 2 US imperial
    int decimal;  // 1 decimals, 0 fractions
};

UnitDefaults UnitDefaultsForLocale(std::string_view locale);

// The user's message locale: the first of LC_ALL, LC_MESSAGES and LANG that is set and not
// empty, or "" when none is.
std::string UserLocale();

}  // namespace kw
