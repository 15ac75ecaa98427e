// The three format detectors and the MasterCook banner test they share with the filter.
#include "detectors.h"

#include <initializer_list>

#include "fields.h"
#include "filter_run.h"
#include "line_reader.h"

namespace kw::import {

namespace {
bool IsBlankOrTab(char c) {
    return c == ' ' || c == '\t';
}

// Reads lines from the start until stop accepts one, at most kSkipLimit lines and no further
// than the last line; whether the line where reading stopped contains mark.
template <typename Stop>
bool StopLineContains(const char *text, Stop stop, std::string_view mark) {
    LineReader reader(text, 0, nullptr);
    bool more = reader.Next();
    for (int n = 1; !stop(reader.line()) && more && n < kSkipLimit; ++n)
        more = reader.Next();
    return Contains(reader.line(), mark);
}
}  // namespace

bool IsMasterCookBanner(std::string_view line) {
    const size_t star = line.find('*');
    if (star == std::string_view::npos) return false;
    size_t at = star + 1;
    while (at < line.size() && (line[at] == ' ' || line[at] == '*'))
        ++at;
    bool first = true;
    for (std::string_view word : {"Exported", "from", "MasterCook"}) {
        if (!first) {
            const size_t gap = at;
            while (at < line.size() && IsBlankOrTab(line[at]))
                ++at;
            if (at == gap) return false;
        }
        first = false;
        if (line.substr(at, word.size()) != word) return false;
        at += word.size();
    }
    return true;
}

bool DetectOwnText(const char *text) {
    return StopLineContains(
        text, [](std::string_view line) { return StartsWith(line, "====="); },
        "Recipe By Kettleworth");
}

bool DetectMealMaster(const char *text) {
    return StopLineContains(
        text,
        [](std::string_view line) {
            return StartsWith(line, "-----") || StartsWith(line, "MMMMM");
        },
        "Meal-Master");
}

bool DetectMasterCook(const char *text) {
    LineReader reader(text, 0, nullptr);
    for (int n = 0; n < kSkipLimit; ++n) {
        if (!reader.Next()) return false;  // the text's last line is not examined
        if (IsMasterCookBanner(reader.line())) return true;
    }
    return false;
}

int32_t BestFilter(const char *text) {
    if (text == nullptr) return -1;
    if (DetectOwnText(text)) return 0;
    if (DetectMealMaster(text)) return 1;
    if (DetectMasterCook(text)) return 2;
    return -1;
}

}  // namespace kw::import
