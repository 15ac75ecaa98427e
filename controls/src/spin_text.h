// The text of a KWSPIN32 control: how its values are written into the edit box and how the
// edit box's text is read back and checked. Texts are single-byte (Windows-1252) strings.
//
//   number mode       "%d"                     7
//   time mode         "%d:%02d"                1:05     (hours, minutes)
//   12-hour text      "%d:%02d %2s"            1:05 pm  (hours above 12 less 12 with "pm",
//                                                        else the hours with "am": 12 is
//                                                        "12:00 am", 24 is "12:00 pm")
#pragma once

#include <string>
#include <string_view>

#include "spin_state.h"

namespace kw::ctrl {

// Longest text read back; the rest is ignored.
inline constexpr size_t kMaxSpinText = 79;

std::string FormatSpinText(const SpinState &state);

// What a text says, and whether the control may store it.
struct SpinReading {
    bool valid = false;
    int main = 0;     // the number, or the hours with a "pm" suffix already added
    int minutes = 0;  // time mode only
};

// Reads at most kMaxSpinText characters. Number mode: the decimal integer prefix. Time mode:
// the text before the first ':' gives the hours and the text after it the minutes (each a
// decimal integer prefix); without a ':' the hours are 0 and the whole text gives the minutes.
// The suffix is the character after the first blank that follows the ':'. With the 12-hour
// text it must be 'a'/'A' or 'p'/'P' when there is such a blank; in clock and 12-hour modes a
// 'p'/'P' suffix adds 12 to the hours (the 24-hour clock applies it without checking the
// suffix otherwise). Valid means the hours (after that addition) within the main range and the
// minutes within 0-59, or the number within the main range.
SpinReading ReadSpinText(const SpinState &state, std::string_view text);

// Stores a valid reading into the state.
void StoreSpinReading(SpinState *state, const SpinReading &reading);

// The decimal integer prefix of text as C's atoi reads it (leading white space, a sign, the
// digits), saturated at the int range instead of overflowing.
int DecimalPrefix(std::string_view text);

}  // namespace kw::ctrl
