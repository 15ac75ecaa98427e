// Text helpers for settings values.
#include "setting_text.h"

#include <limits>

namespace kw {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

std::optional<int64_t> ParseDecimalField(std::string_view field, int64_t low, int64_t high) {
    size_t i = 0;
    while (i < field.size() && IsBlank(field[i]))
        ++i;
    bool negative = false;
    if (i < field.size() && (field[i] == '-' || field[i] == '+')) negative = field[i++] == '-';
    size_t digits = i;
    // Accumulate as a negative number so that the most negative value still fits.
    int64_t value = 0;
    constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
    while (i < field.size() && IsDigit(field[i])) {
        int d = field[i++] - '0';
        if (value < (kMin + d) / 10) return std::nullopt;
        value = value * 10 - d;
    }
    if (i == digits) return std::nullopt;
    while (i < field.size() && IsBlank(field[i]))
        ++i;
    if (i != field.size()) return std::nullopt;
    if (!negative) {
        if (value == kMin) return std::nullopt;
        value = -value;
    }
    if (value < low || value > high) return std::nullopt;
    return value;
}

int64_t LeadingInt64(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
    int64_t value = 0;
    while (i < text.size() && IsDigit(text[i])) {
        int d = text[i++] - '0';
        if (value > (kMax - d) / 10) return negative ? std::numeric_limits<int64_t>::min() : kMax;
        value = value * 10 + d;
    }
    return negative ? -value : value;
}

std::vector<std::string_view> SplitAtCommas(std::string_view text) {
    std::vector<std::string_view> fields;
    size_t start = 0;
    for (;;) {
        size_t comma = text.find(',', start);
        if (comma == std::string_view::npos) {
            fields.push_back(text.substr(start));
            return fields;
        }
        fields.push_back(text.substr(start, comma - start));
        start = comma + 1;
    }
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i] >= 'a' && a[i] <= 'z' ? static_cast<char>(a[i] - 'a' + 'A') : a[i];
        char y = b[i] >= 'a' && b[i] <= 'z' ? static_cast<char>(b[i] - 'a' + 'A') : b[i];
        if (x != y) return false;
    }
    return true;
}

}  // namespace kw
