// The text forms of quantities and costs: one function each way, used by every screen, printout
// and file, so that no two of them can disagree about a number. All of it is independent of the
// C locale (a decimal comma in the user's locale changes nothing here).
//
// Quantities are read with ParseQuantity and written with FormatQuantity; costs are read with
// ParseCost and written with FormatCost ("%0.2f"). Who calls what is listed in units.h.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "app/recipes/number_settings.h"

namespace kw {

// The decimal number at the start of text in the manner of C's text-to-double conversion:
// leading white space skipped, optional sign, digits with an optional decimal point and
// exponent; 0 when there is none. Unlike strtod it reads no "inf", "nan" or hexadecimal forms and
// gives 0 for a number too large for a double, so a damaged text never becomes infinite.
double LeadingNumber(std::string_view text);

// The integer at the start of text (blanks skipped, optional sign, digits), 0 when none; the
// manner of C's atoi, clamped to the range of int.
int LeadingInteger(std::string_view text);

// A quantity text as a number: "1 1/2" is 1.5, "3/4" 0.75, "1/0" 1 (a denominator below 0.01
// counts as 1), "2 eggs" 2, and a text without a number 0. Only the first 79 characters count.
double ParseQuantity(std::string_view text);

// A quantity as text with `places` decimal places (2 for display, 3 for the grid's cell check):
// nice rounding unless settings.exact or `exact` is set (to the quarter up to 4, to a whole number
// up to 99, to two significant digits above), then a fraction when settings.decimal is 0 and one
// lies within 10^-places, else the decimal text without trailing zeros ("2.5", "3", "0.13").
// A positive amount is never shown as "0": where the rounding would swallow it, more places are
// used (up to six). A non-finite amount (a damaged record) is shown as "0".
std::string FormatQuantity(const NumberSettings &settings, double amount, int places, bool exact);

// The amount as a whole number and a fraction of denominator 2 to 9 ("1 1/2", "3/8"), the first
// fraction in the order 1/2, 1/3, 2/3, 1/4, ... 8/9 that lies within tolerance of the part after
// the whole number; nullopt when there is no fractional part (at most 0.001), no fraction fits,
// or the amount is negative or too large for a whole-number text.
std::optional<std::string> FormatFraction(double amount, double tolerance);

// The characters a typed quantity may hold: digits, ".", blank and "/".
inline bool IsQuantityCharacter(char c) {
    return (c >= '0' && c <= '9') || c == '.' || c == ' ' || c == '/';
}

// A cost with two decimals ("%0.2f"): 1.5 is "1.50".
std::string FormatCost(double cost);

// A cost text as the 32-bit number the records hold (the leading number, 0 when none).
float ParseCost(std::string_view text);

}  // namespace kw
