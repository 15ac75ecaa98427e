// Quantity and cost texts (see number_text.h). Numbers are read with std::from_chars and written
// with std::to_chars, which never consult the C locale.
#include "app/recipes/number_text.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>

namespace kw {
namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsCSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Rounds half away from zero, so that -1.5 and 1.5 round alike.
double RoundHalfUp(double v) {
    return std::copysign(std::trunc(std::fabs(v) + 0.5), v);
}

double PowerOfTen(int n) {
    double p = 1.0;
    for (int i = 0; i < n; ++i)
        p *= 10.0;
    return p;
}

// "%.*f" without the locale.
std::string FormatFixed(double v, int places) {
    char buf[400];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, places);
    if (r.ec != std::errc()) return "0";
    std::string text(buf, r.ptr);
    // A tiny negative value rounds to "-0.00"; it reads as zero.
    if (text.front() == '-' && text.find_first_not_of("-0.") == std::string::npos) text.erase(0, 1);
    return text;
}

// The rounding that keeps shown amounts readable: quarters up to 4, whole numbers up to 99, two
// significant digits above. A positive amount that would round to nothing keeps its value, so
// that 50 g shown in Kg reads 0.05 and not 0 (which would come back as no amount at all).
double NiceRound(double v) {
    double rounded;
    if (v <= 4.0) {
        rounded = RoundHalfUp(4.0 * v) / 4.0;
    } else if (v <= 99.0) {
        rounded = RoundHalfUp(v);
    } else {
        int digits = 1;
        for (double whole = std::trunc(v); whole >= 10.0; whole /= 10.0)
            ++digits;
        double step = std::pow(10.0, digits - 2);
        rounded = RoundHalfUp(v / step) * step;
    }
    return v > 0.0 && rounded == 0.0 ? v : rounded;
}

// The decimal text: rounded to `places`, printed with six places, trailing zeros and point cut.
std::string FormatDecimal(double v, int places) {
    constexpr double kExactIntegers = 4503599627370496.0;  // 2^52: no fraction digits left above
    double rounded = v;
    if (std::fabs(v) * PowerOfTen(places) < kExactIntegers) {
        rounded = RoundHalfUp(v * PowerOfTen(places)) / PowerOfTen(places);
        while (v > 0.0 && rounded == 0.0 && places < 6) {
            ++places;
            rounded = RoundHalfUp(v * PowerOfTen(places)) / PowerOfTen(places);
        }
    }
    std::string text = FormatFixed(rounded, 6);
    while (!text.empty() && text.back() == '0')
        text.pop_back();
    if (!text.empty() && text.back() == '.') text.pop_back();
    return text;
}

}  // namespace

double LeadingNumber(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && IsCSpace(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    size_t start = i;
    size_t digits = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i)
        ++digits;
    if (i < text.size() && text[i] == '.')
        for (++i; i < text.size() && IsDigit(text[i]); ++i)
            ++digits;
    if (digits == 0) return 0.0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
        if (j < text.size() && IsDigit(text[j])) {
            while (j < text.size() && IsDigit(text[j]))
                ++j;
            i = j;
        }
    }
    double value = 0.0;
    auto r = std::from_chars(text.data() + start, text.data() + i, value);
    if (r.ec != std::errc() || !std::isfinite(value)) return 0.0;
    return negative ? -value : value;
}

int LeadingInteger(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && IsCSpace(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i)
        value = std::min<long long>(value * 10 + (text[i] - '0'), 1LL + INT_MAX);
    if (negative) value = -value;
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

double ParseQuantity(std::string_view text) {
    text = text.substr(0, 79);
    double whole = 0.0;
    std::string_view fraction = text;
    if (size_t blank = text.find(' '); blank != std::string_view::npos) {
        whole = LeadingNumber(text.substr(0, blank));
        fraction = text.substr(blank + 1);
        while (!fraction.empty() && fraction.front() == ' ')
            fraction.remove_prefix(1);
    }
    if (size_t slash = fraction.find('/'); slash != std::string_view::npos) {
        double numerator = LeadingNumber(fraction.substr(0, slash));
        double denominator = LeadingNumber(fraction.substr(slash + 1));
        if (denominator < 0.01) denominator = 1.0;
        return whole + numerator / denominator;
    }
    return LeadingNumber(text);
}

std::optional<std::string> FormatFraction(double amount, double tolerance) {
    if (!std::isfinite(amount) || amount >= static_cast<double>(INT_MAX)) return std::nullopt;
    double whole = std::trunc(amount);
    std::string text;
    double part = amount;
    if (whole > 0.0) {
        text = std::to_string(static_cast<int>(whole)) + " ";
        part = amount - whole;
    }
    if (part <= 0.001) return std::nullopt;
    for (int den = 2; den <= 9; ++den) {
        for (int num = 1; num < den; ++num) {
            if (std::fabs(static_cast<double>(num) / den - part) < tolerance)
                return text + std::to_string(num) + "/" + std::to_string(den);
        }
    }
    return std::nullopt;
}

std::string FormatQuantity(const NumberSettings &settings, double amount, int places, bool exact) {
    if (!std::isfinite(amount)) return "0";
    places = std::clamp(places, 0, 6);
    double v = amount;
    if (settings.exact == 0 && !exact) v = NiceRound(v);
    if (settings.decimal == 0) {
        if (auto fraction = FormatFraction(v, 1.0 / PowerOfTen(places))) return *fraction;
    }
    return FormatDecimal(v, places);
}

std::string FormatCost(double cost) {
    if (!std::isfinite(cost)) return "0.00";
    return FormatFixed(cost, 2);
}

float ParseCost(std::string_view text) {
    return static_cast<float>(LeadingNumber(text));
}

}  // namespace kw
