// The shared field extractors. Every function takes views and returns values or bounded copies;
// none writes outside the slot it is given or reads outside the view.
#include "fields.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace kw::import {

namespace {
constexpr size_t kAppendTextLimit = 128;

bool IsBlankOrTab(char c) {
    return c == ' ' || c == '\t';
}

// Accumulates decimal digits from text[*at] on, saturating; returns whether any were read.
bool ReadDigits(std::string_view text, size_t *at, int64_t *value) {
    bool any = false;
    for (; *at < text.size() && IsAsciiDigit(text[*at]); ++*at) {
        any = true;
        if (*value < std::numeric_limits<int32_t>::max()) *value = *value * 10 + (text[*at] - '0');
    }
    return any;
}

int32_t Saturate(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

// The text after the first ':' at or after the keyword, when the keyword and the ':' are there.
std::optional<std::string_view> KeywordValue(std::string_view line, std::string_view keyword) {
    if (keyword.empty()) return std::nullopt;
    const size_t at = line.find(keyword);
    if (at == std::string_view::npos) return std::nullopt;
    const size_t colon = line.find(':', at);
    if (colon == std::string_view::npos) return std::nullopt;
    return line.substr(colon + 1);
}
}  // namespace

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool Contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

std::string_view SkipLeadingBlanks(std::string_view text) {
    size_t at = 0;
    while (at < text.size() && text[at] == ' ')
        ++at;
    return text.substr(at);
}

std::string_view TrimTrailingBlanksAndTabs(std::string_view text) {
    size_t end = text.size();
    while (end > 0 && IsBlankOrTab(text[end - 1]))
        --end;
    return text.substr(0, end);
}

std::string_view TrimBlanksAndTabs(std::string_view text) {
    size_t at = 0;
    while (at < text.size() && IsBlankOrTab(text[at]))
        ++at;
    return TrimTrailingBlanksAndTabs(text.substr(at));
}

bool IsAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}

char CleanChar(char c) {
    if (IsAsciiLetter(c) || IsAsciiDigit(c) || c == ' ' || c == '-' || c == '.' || c == '/')
        return c;
    return '-';
}

void SetText(char *slot, size_t size, std::string_view text) {
    if (size == 0) return;
    const size_t n = std::min(text.size(), size - 1);
    if (n > 0) std::memcpy(slot, text.data(), n);
    std::memset(slot + n, 0, size - n);
}

std::string_view SlotText(const char *slot, size_t size) {
    const void *end = std::memchr(slot, '\0', size);
    return {slot,
            end == nullptr ? size : static_cast<size_t>(static_cast<const char *>(end) - slot)};
}

std::optional<std::string> RawKeywordField(std::string_view line, std::string_view keyword,
                                           size_t width) {
    const auto value = KeywordValue(line, keyword);
    if (!value) return std::nullopt;
    std::string_view text = SkipLeadingBlanks(*value);
    if (width == 0) return std::string();
    text = text.substr(0, width - 1);
    // A NUL cannot occur inside a line; the terminators of the original are trailing bytes.
    return std::string(TrimTrailingBlanksAndTabs(text));
}

std::optional<std::string> CleanedKeywordField(std::string_view line, std::string_view keyword,
                                               size_t width) {
    auto field = RawKeywordField(line, keyword, width);
    if (field) {
        for (char &c : *field)
            c = CleanChar(c);
    }
    return field;
}

bool FlagField(std::string_view line, std::string_view keyword, char *flag) {
    if (keyword.empty() || !Contains(line, keyword)) return false;
    const auto value = KeywordValue(line, keyword);
    if (value) {
        const std::string_view rest = SkipLeadingBlanks(*value);
        if (!rest.empty()) *flag = rest.front();
    }
    return true;
}

std::optional<std::string_view> Column(std::string_view line, size_t first, size_t last) {
    if (line.size() < first || last < first) return std::nullopt;
    return TrimBlanksAndTabs(line.substr(first, last - first + 1));
}

int32_t IntegerPrefix(std::string_view text) {
    size_t at = 0;
    while (at < text.size() && text[at] == ' ')
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '-' || text[at] == '+')) negative = text[at++] == '-';
    int64_t value = 0;
    ReadDigits(text, &at, &value);
    return Saturate(negative ? -value : value);
}

double DecimalPrefix(std::string_view text) {
    size_t at = 0;
    while (at < text.size() && text[at] == ' ')
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '-' || text[at] == '+')) negative = text[at++] == '-';
    double value = 0;
    for (; at < text.size() && IsAsciiDigit(text[at]); ++at)
        value = value * 10 + (text[at] - '0');
    if (at < text.size() && text[at] == '.') {
        double scale = 0.1;
        for (++at; at < text.size() && IsAsciiDigit(text[at]); ++at, scale /= 10)
            value += (text[at] - '0') * scale;
    }
    return negative && value != 0 ? -value : value;  // never -0
}

float ClampToFloat(double value) {
    constexpr double kLimit = 1e30;
    if (std::isnan(value)) return 0;
    return static_cast<float>(std::clamp(value, -kLimit, kLimit));
}

int32_t TimeValue(std::string_view text) {
    const size_t colon = text.find(':');
    if (colon == std::string_view::npos) return IntegerPrefix(text);
    const int64_t hours = IntegerPrefix(text.substr(0, colon));
    const int64_t minutes = IntegerPrefix(text.substr(colon + 1));
    return Saturate(hours * 60 + minutes);
}

double MixedQuantity(std::string_view whole, std::string_view fraction) {
    size_t at = 0;
    int64_t wholePart = 0;
    ReadDigits(whole, &at, &wholePart);

    fraction = SkipLeadingBlanks(fraction);
    const size_t split = fraction.find_first_of("/ ");
    const double numerator = DecimalPrefix(fraction.substr(0, split));
    double denominator = 1;
    if (split != std::string_view::npos) {
        std::string_view rest = SkipLeadingBlanks(fraction.substr(split + 1));
        size_t digits = 0;
        int64_t value = 0;
        ReadDigits(rest, &digits, &value);
        if (value >= 2) denominator = static_cast<double>(value);
    }
    return static_cast<double>(wholePart) + numerator / denominator;
}

double QuantityText(std::string_view text) {
    text = TrimBlanksAndTabs(text);
    double whole = 0;
    std::string_view fraction = text;
    const size_t blank = text.find(' ');
    if (blank != std::string_view::npos) {
        whole = DecimalPrefix(text.substr(0, blank));
        fraction = SkipLeadingBlanks(text.substr(blank + 1));
    }
    const size_t slash = fraction.find('/');
    if (slash == std::string_view::npos) return DecimalPrefix(text);
    double denominator = DecimalPrefix(fraction.substr(slash + 1));
    if (denominator < 0.01) denominator = 1;
    return whole + DecimalPrefix(fraction.substr(0, slash)) / denominator;
}

int SplitCategoryList(std::string_view text, RecipeImportRecord *record) {
    int added = 0;
    while (!text.empty()) {
        const size_t comma = text.find(',');
        std::string_view entry = TrimBlanksAndTabs(text.substr(0, comma));
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
        entry = TrimTrailingBlanksAndTabs(entry.substr(0, KWIMPT_CATEGORY_SIZE - 1));
        const int32_t count = record->otherCategoryCount;
        if (entry.empty() || count < 0 || count >= KWIMPT_MAX_OTHER_CATEGORIES) continue;
        char *slot = record->otherCategories[count];
        SetText(slot, KWIMPT_CATEGORY_SIZE, entry);
        for (size_t i = 0; i < entry.size(); ++i)
            slot[i] = CleanChar(slot[i]);
        record->otherCategoryCount = count + 1;
        ++added;
    }
    return added;
}

void BoundedAppend(char *slot, size_t size, std::string_view addition, size_t limit) {
    const std::string_view current = SlotText(slot, size);
    if (current.size() > kAppendTextLimit || addition.size() > kAppendTextLimit) return;
    addition = addition.substr(0, limit);
    if (current.size() + 1 >= size) return;
    const size_t n = std::min(addition.size(), size - 1 - current.size());
    if (n > 0) std::memcpy(slot + current.size(), addition.data(), n);
    slot[current.size() + n] = '\0';
}

}  // namespace kw::import
