// The capped lists of errors and warnings.
#include "check_findings.h"

namespace kwtool {

void Findings::Add(std::vector<Finding> &list, std::map<std::string, int64_t> &perPlace,
                   int64_t &count, const std::string &place, const std::string &text) {
    ++count;
    if (++perPlace[place] <= kShownPerPlace) list.push_back({place, text});
}

int64_t Findings::Hidden(const std::map<std::string, int64_t> &perPlace, const std::string &place) {
    auto it = perPlace.find(place);
    return it == perPlace.end() || it->second <= kShownPerPlace ? 0 : it->second - kShownPerPlace;
}

void Findings::Error(const std::string &place, const std::string &text) {
    Add(errors_, errorsPerPlace_, errorCount_, place, text);
}

void Findings::Warning(const std::string &place, const std::string &text) {
    Add(warnings_, warningsPerPlace_, warningCount_, place, text);
}

int64_t Findings::HiddenErrors(const std::string &place) const {
    return Hidden(errorsPerPlace_, place);
}

int64_t Findings::HiddenWarnings(const std::string &place) const {
    return Hidden(warningsPerPlace_, place);
}

}  // namespace kwtool
