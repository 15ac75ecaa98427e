// Small text helpers for settings values and names: strict decimal fields (inside the font and
// window-placement lists), the lenient leading number integer keys are read with, comma lists,
// and names compared without regard to ASCII letter case as the settings file compares them.
//
// A strict field is optional blanks, an optional sign, at least one digit and optional blanks;
// anything else, or a value outside the range asked for, is not a number. Callers rely on this to
// refuse a damaged value as a whole instead of reading half of it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kw {

// The field as a number within [low, high], or nullopt.
std::optional<int64_t> ParseDecimalField(std::string_view field, int64_t low, int64_t high);

// Reads the number at the start of text the lenient way integer settings have always been read
// (blanks, optional sign, digits up to the first other character; no digits reads as 0). Values
// beyond the 64-bit range saturate.
int64_t LeadingInt64(std::string_view text);

// Splits text at every comma (n commas give n + 1 fields).
std::vector<std::string_view> SplitAtCommas(std::string_view text);

// Whether a and b are equal when ASCII letters are compared without regard to case.
bool EqualNoCase(std::string_view a, std::string_view b);

}  // namespace kw
