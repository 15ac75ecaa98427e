// In-memory catalogue and preparation terms (see memory_catalog.h).
#include "app/recipes/memory_catalog.h"

#include "app/recipes/name_compare.h"

namespace kw {

void MemoryIngredientCatalog::Put(IngredientRecord record) {
    for (auto &r : records_) {
        if (EqualsIgnoringCase(r.name, record.name)) {
            r = std::move(record);
            return;
        }
    }
    records_.push_back(std::move(record));
}

std::optional<IngredientRecord> MemoryIngredientCatalog::FindIngredient(std::string_view name) {
    for (const auto &r : records_)
        if (EqualsIgnoringCase(r.name, name)) return r;
    return std::nullopt;
}

std::vector<std::string> MemoryIngredientCatalog::NamesBeginningWith(std::string_view letters) {
    std::vector<std::string> names;
    if (letters.empty()) return names;
    for (const auto &r : records_)
        if (StartsWithIgnoringCase(r.name, letters)) names.push_back(r.name);
    return names;
}

bool MemoryPreparationTerms::HasTerm(std::string_view term) {
    for (const auto &t : terms_)
        if (EqualsIgnoringCase(t, term)) return true;
    return false;
}

bool MemoryPreparationTerms::AddTerm(std::string_view term) {
    if (HasTerm(term)) return false;
    terms_.emplace_back(term);
    return true;
}

}  // namespace kw
