// The recipe's times as "h:mm" texts (see recipe_time.h).
#include "app/recipes/recipe_time.h"

#include <cstdio>
#include <limits>
#include <optional>

namespace kw {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// "%d": blanks skipped, an optional sign, at least one digit. The value stops growing long
// before it could overflow; pos moves past what was read.
std::optional<int64_t> ScanInteger(std::string_view text, size_t &pos) {
    while (pos < text.size() && IsBlank(text[pos]))
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
    const size_t digits = pos;
    int64_t value = 0;
    constexpr int64_t kCap = int64_t{1} << 40;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos)
        if (value < kCap) value = value * 10 + (text[pos] - '0');
    if (pos == digits) return std::nullopt;
    return negative ? -value : value;
}

}  // namespace

std::string FormatRecipeTime(int32_t minutes) {
    if (minutes < 0) minutes = 0;
    char text[24];
    std::snprintf(text, sizeof text, "%d:%02d", minutes / 60, minutes % 60);
    return text;
}

int32_t ParseRecipeTime(std::string_view text) {
    size_t pos = 0;
    std::optional<int64_t> first = ScanInteger(text, pos);
    if (!first) return 0;
    std::optional<int64_t> second;
    if (pos < text.size() && text[pos] == ':') {
        ++pos;
        second = ScanInteger(text, pos);
    }
    int64_t minutes = 0;
    if (second) {
        if (*first < 0 || *second < 0 || *second > 59) return 0;
        minutes = *first * 60 + *second;
    } else {
        if (*first < 0 || *first > 59) return 0;
        minutes = *first;
    }
    constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(minutes > kMax ? kMax : minutes);
}

}  // namespace kw
