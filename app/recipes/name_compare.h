// Name comparison as the record indexes do it: letters A-Z match their lower-case forms, every
// other byte (also the accented letters of Windows-1252) compares as it is. Ingredient names,
// preparation terms and unit spellings are matched with these.
#pragma once

#include <string_view>

namespace kw {

inline char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

inline bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    return true;
}

inline bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           EqualsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

}  // namespace kw
