// The field extractors the filters share. They work on one line (a string_view of at most 128
// bytes) and never read outside it; every result is bounded by the width the caller names, and
// every copy into a record slot is cut to the slot. Nothing here keeps state, so any number of
// imports may run at once.
//
// Columns are 0-based and inclusive. "Blank" means the space character; where tabs count too the
// function says so. Letters and digits are the ASCII ones: the text is Windows-1252 and bytes
// above 0x7F are neither.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "kwimpt.h"

namespace kw::import {

// --- small text helpers -------------------------------------------------------------------

bool StartsWith(std::string_view text, std::string_view prefix);
bool Contains(std::string_view text, std::string_view part);
std::string_view SkipLeadingBlanks(std::string_view text);  // blanks only
std::string_view TrimBlanksAndTabs(std::string_view text);  // both ends
std::string_view TrimTrailingBlanksAndTabs(std::string_view text);
bool IsAsciiLetter(char c);
bool IsAsciiDigit(char c);
// The cleaned form of a character: letters, digits, blank, '-', '.' and '/' stay, anything else
// becomes '-'.
char CleanChar(char c);

// Copies text into a fixed slot of size bytes, cut to size - 1 bytes and NUL-terminated; the
// rest of the slot is zeroed.
void SetText(char *slot, size_t size, std::string_view text);
template <size_t N>
void SetText(char (&slot)[N], std::string_view text) {
    SetText(slot, N, text);
}
// The text of a NUL-terminated slot (never reading past the slot).
std::string_view SlotText(const char *slot, size_t size);
template <size_t N>
std::string_view SlotText(const char (&slot)[N]) {
    return SlotText(slot, N);
}

// --- keyword fields -----------------------------------------------------------------------

// Raw keyword field: when line contains keyword (case-sensitive, anywhere) and a ':' at or after
// it, the text after that ':' with leading blanks skipped, cut to width - 1 bytes, trailing
// blanks and tabs removed. A keyword without a ':' after it counts as not found.
std::optional<std::string> RawKeywordField(std::string_view line, std::string_view keyword,
                                           size_t width);
// Cleaned keyword field: the raw field with every character passed through CleanChar.
std::optional<std::string> CleanedKeywordField(std::string_view line, std::string_view keyword,
                                               size_t width);
// Flag field: when line contains keyword, true; when a ':' follows it, *flag becomes the first
// non-blank character after that ':' (untouched when there is none).
bool FlagField(std::string_view line, std::string_view keyword, char *flag);

// --- values -------------------------------------------------------------------------------

// Column first..last of line, blanks and tabs trimmed at both ends (may be empty); nullopt when
// the line is shorter than first bytes.
std::optional<std::string_view> Column(std::string_view line, size_t first, size_t last);

// Decimal integer prefix: leading blanks, an optional sign, digits; 0 when there are none.
// Saturates at the int32 range.
int32_t IntegerPrefix(std::string_view text);
// Decimal number prefix: leading blanks, an optional sign, digits with an optional point;
// 0 when there are none. No exponent, no hexadecimal, no infinities.
double DecimalPrefix(std::string_view text);
// A value as a float32 field holds it: NaN becomes 0 and absurd magnitudes are held at 1e30.
float ClampToFloat(double value);
// Time text: "hours:minutes" gives hours * 60 + minutes, text without ':' is minutes.
// Saturates at the int32 range.
int32_t TimeValue(std::string_view text);
// Mixed quantity: the leading digits of whole plus numerator / denominator read from fraction
// ("1" and "1/2" give 1.5, "" and "3/4" give 0.75, "" and "1.5" give 1.5). A denominator below
// 1.5 counts as 1.
double MixedQuantity(std::string_view whole, std::string_view fraction);
// The quantity text the program itself writes ("1 1/2", "3/4", "2.5", "-"): a whole number, a
// blank and a fraction, or a fraction, or a decimal number; 0 when there is no number.
double QuantityText(std::string_view text);

// --- lists and appends --------------------------------------------------------------------

// Splits text at ',' into the record's other categories, after those already there: each entry
// with leading blanks and tabs skipped, trailing blanks and tabs removed, characters cleaned,
// cut to 32 characters. Empty entries are dropped, and entries beyond the 32 slots are ignored.
// Returns the number of entries added.
int SplitCategoryList(std::string_view text, RecipeImportRecord *record);

// Bounded append: when neither text is longer than 128 characters, appends addition cut to limit
// characters (and to what the slot holds) to the NUL-terminated text in slot.
void BoundedAppend(char *slot, size_t size, std::string_view addition, size_t limit = 32);

}  // namespace kw::import
