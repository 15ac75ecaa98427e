// The selected-criteria table TMP1 (see criteria_selection.h).
#include "app/planning/criteria_selection.h"

#include <cstdio>

namespace kw::planning {
namespace {

size_t DefinitionIndex(const CriterionDefinition &definition) {
    return static_cast<size_t>(&definition - CriterionDefinitions().data());
}

bool IsTableDefinition(const CriterionDefinition &definition) {
    const auto all = CriterionDefinitions();
    return &definition >= all.data() && &definition < all.data() + all.size();
}

}  // namespace

std::vector<const CriterionDefinition *> CriteriaSelection::Available() const {
    std::vector<const CriterionDefinition *> available;
    for (const CriterionDefinition &d : CriterionDefinitions())
        if (!d.once || !IsSelected(d)) available.push_back(&d);
    return available;
}

bool CriteriaSelection::IsSelected(const CriterionDefinition &definition) const {
    for (const SelectedCriterion &row : rows_)
        if (row.definition == &definition) return true;
    return false;
}

int CriteriaSelection::Add(const CriterionDefinition &definition) {
    // Only the table's own entries carry the identity the once-only rule and the numbering use.
    if (!IsTableDefinition(definition)) return -1;
    if (definition.once && IsSelected(definition)) return -1;
    SelectedCriterion row;
    row.definition = &definition;
    row.criteria = definition.label;
    if (const int number = definition.once ? 1 : ++added_[DefinitionIndex(definition)];
        number > 1) {
        char suffix[24];
        std::snprintf(suffix, sizeof suffix, " [%d]", number);
        row.criteria += suffix;
    }
    row.options = definition.options.empty() ? 0 : definition.options.front().code;
    rows_.push_back(std::move(row));
    return static_cast<int>(rows_.size() - 1);
}

bool CriteriaSelection::Remove(size_t position) {
    if (position >= rows_.size()) return false;
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(position));
    return true;
}

void CriteriaSelection::Clear() {
    rows_.clear();
    added_.fill(0);
}

SelectedCriterion *CriteriaSelection::Find(std::string_view criteria) {
    for (SelectedCriterion &row : rows_)
        if (row.criteria == criteria) return &row;
    return nullptr;
}

SelectedCriterion *CriteriaSelection::Row(size_t position) {
    return position < rows_.size() ? &rows_[position] : nullptr;
}

}  // namespace kw::planning
