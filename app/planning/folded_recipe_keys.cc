// Folded recipe keys, their order and a sealed set of them (see folded_recipe_keys.h).
#include "app/planning/folded_recipe_keys.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

namespace kw::planning {
namespace {

void FoldInto(char *out, const char *in, size_t width) {
    for (size_t i = 0; i < width; ++i) {
        const char c = in[i];
        out[i] = c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
    }
}

bool FoldedLess(const FoldedRecipeKey &a, const FoldedRecipeKey &b) {
    return std::memcmp(a.data(), b.data(), a.size()) < 0;
}

}  // namespace

FoldedRecipeKey FoldRecipeKey(const RecipeKeyBytes &key, KeyOrder order) {
    FoldedRecipeKey folded;
    constexpr size_t kName = sizeof key.name, kCategory = sizeof key.category;
    if (order == KeyOrder::kNameCategory) {
        FoldInto(folded.data(), key.name, kName);
        FoldInto(folded.data() + kName, key.category, kCategory);
    } else {
        FoldInto(folded.data(), key.category, kCategory);
        FoldInto(folded.data() + kCategory, key.name, kName);
    }
    return folded;
}

void SortRecipeKeys(std::vector<RecipeKeyBytes> *keys, KeyOrder order) {
    // Folded once per key, not once per comparison.
    std::vector<std::pair<FoldedRecipeKey, uint32_t>> sorted;
    sorted.reserve(keys->size());
    for (size_t i = 0; i < keys->size(); ++i)
        sorted.emplace_back(FoldRecipeKey((*keys)[i], order), static_cast<uint32_t>(i));
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const auto &a, const auto &b) { return FoldedLess(a.first, b.first); });
    std::vector<RecipeKeyBytes> ordered;
    ordered.reserve(keys->size());
    for (const auto &entry : sorted)
        ordered.push_back((*keys)[entry.second]);
    keys->swap(ordered);
}

void FoldedRecipeKeySet::Add(const RecipeKeyBytes &key) {
    keys_.push_back(FoldRecipeKey(key, KeyOrder::kNameCategory));
}

void FoldedRecipeKeySet::Seal() {
    std::sort(keys_.begin(), keys_.end(), FoldedLess);
    keys_.erase(std::unique(keys_.begin(), keys_.end()), keys_.end());
}

bool FoldedRecipeKeySet::Contains(const RecipeKeyBytes &key) const {
    return std::binary_search(keys_.begin(), keys_.end(),
                              FoldRecipeKey(key, KeyOrder::kNameCategory), FoldedLess);
}

void FoldedRecipeKeyIndex::Add(const RecipeKeyBytes &key, uint32_t number) {
    entries_.emplace_back(FoldRecipeKey(key, KeyOrder::kNameCategory), number);
}

void FoldedRecipeKeyIndex::Seal() {
    std::sort(entries_.begin(), entries_.end(),
              [](const auto &a, const auto &b) { return FoldedLess(a.first, b.first); });
}

int64_t FoldedRecipeKeyIndex::Find(const RecipeKeyBytes &key) const {
    const FoldedRecipeKey folded = FoldRecipeKey(key, KeyOrder::kNameCategory);
    const auto at = std::lower_bound(
        entries_.begin(), entries_.end(), folded,
        [](const auto &entry, const FoldedRecipeKey &k) { return FoldedLess(entry.first, k); });
    if (at == entries_.end() || at->first != folded) return -1;
    return at->second;
}

}  // namespace kw::planning
