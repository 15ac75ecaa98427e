// The recipe's two times as the form shows and reads them: minutes as "h:mm" ("%d:%02d", hours
// and minutes), and a typed text back as minutes in the manner of "%d:%d".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kw {

// "1:05" for 65 minutes. A negative count (a damaged record) shows as "0:00".
std::string FormatRecipeTime(int32_t minutes);

// A typed time as minutes: "h:mm" with hours not negative and minutes 0 to 59, or a single
// number of minutes 0 to 59; anything else is 0. Blanks before either number are skipped, as
// "%d" skips them. Hours too large for a count of minutes give the largest count (which every
// time check refuses as too long).
int32_t ParseRecipeTime(std::string_view text);

}  // namespace kw
