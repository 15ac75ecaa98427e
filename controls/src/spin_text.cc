// Formatting and reading the text of a KWSPIN32 control. See spin_text.h.
#include "spin_text.h"

#include <climits>
#include <cstdio>

namespace kw::ctrl {
namespace {

bool IsCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The character after the first blank following the first ':' (0 when the blank ends the
// text), or -1 when there is no ':' or no blank after it.
int SuffixAfterColon(std::string_view text) {
    size_t colon = text.find(':');
    if (colon == std::string_view::npos) return -1;
    size_t blank = text.find(' ', colon + 1);
    if (blank == std::string_view::npos) return -1;
    return blank + 1 < text.size() ? static_cast<unsigned char>(text[blank + 1]) : 0;
}

bool InRange(const SpinPart &part, int64_t value) {
    return part.minimum <= value && value <= part.maximum;
}

}  // namespace

std::string FormatSpinText(const SpinState &state) {
    char buffer[64];
    if (!IsTimeMode(state.style)) {
        std::snprintf(buffer, sizeof buffer, "%d", state.main.value);
    } else if (Is12HourText(state.style)) {
        int hours = state.main.value;
        bool pm = hours > 12;
        std::snprintf(buffer, sizeof buffer, "%d:%02d %2s", pm ? hours - 12 : hours,
                      state.minutes.value, pm ? "pm" : "am");
    } else {
        std::snprintf(buffer, sizeof buffer, "%d:%02d", state.main.value, state.minutes.value);
    }
    return buffer;
}

int DecimalPrefix(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && IsCSpace(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<int64_t>(INT_MAX) + 1) break;
    }
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

SpinReading ReadSpinText(const SpinState &state, std::string_view text) {
    text = text.substr(0, kMaxSpinText);
    SpinReading reading;
    if (!IsTimeMode(state.style)) {
        reading.main = DecimalPrefix(text);
        reading.valid = InRange(state.main, reading.main);
        return reading;
    }
    size_t colon = text.find(':');
    if (colon == std::string_view::npos) {
        reading.minutes = DecimalPrefix(text);
    } else {
        reading.main = DecimalPrefix(text.substr(0, colon));
        reading.minutes = DecimalPrefix(text.substr(colon + 1));
    }
    int suffix = SuffixAfterColon(text);
    if (Is12HourText(state.style) && suffix >= 0 && suffix != 'a' && suffix != 'A' &&
        suffix != 'p' && suffix != 'P')
        return reading;
    int64_t hours = reading.main;
    if ((state.style & (KWSS_CLOCK | KWSS_12HOUR)) && (suffix == 'p' || suffix == 'P')) hours += 12;
    // The "pm" hours are checked after the addition, so "13:00 pm" cannot store hour 25.
    reading.valid = InRange(state.main, hours) && InRange(state.minutes, reading.minutes);
    if (reading.valid) reading.main = static_cast<int>(hours);
    return reading;
}

void StoreSpinReading(SpinState *state, const SpinReading &reading) {
    if (!reading.valid) return;
    state->main.value = reading.main;
    if (IsTimeMode(state->style)) state->minutes.value = reading.minutes;
}

}  // namespace kw::ctrl
