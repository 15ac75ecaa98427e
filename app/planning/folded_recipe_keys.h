// Recipe keys (NAME and CATEGORY at their full widths) as a case-ignoring index compares them:
// every byte as stored, a-z taken as A-Z. The search uses them to keep sets of recipes in memory
// and to put batches of keys into the order of an index before walking or filling it.
//
// Two keys are equal here exactly when a case-ignoring unique index over the same two fields
// would refuse the second as a duplicate. The order is plain unsigned byte order of the folded
// bytes; callers use it only to visit an index's neighbouring entries one after another, never
// to decide a result.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "app/planning/criterion_tests.h"

namespace kw::planning {

inline constexpr size_t kFoldedKeyBytes =
    sizeof(RecipeKeyBytes::name) + sizeof(RecipeKeyBytes::category);
using FoldedRecipeKey = std::array<char, kFoldedKeyBytes>;

enum class KeyOrder { kNameCategory, kCategoryName };

// The key's bytes folded, the two fields in the given order.
FoldedRecipeKey FoldRecipeKey(const RecipeKeyBytes &key, KeyOrder order);

// Sorts keys by their folded bytes in the given order (stable, so equal keys keep their order).
void SortRecipeKeys(std::vector<RecipeKeyBytes> *keys, KeyOrder order);

// A set of recipes filled once and then asked many times.
class FoldedRecipeKeySet final {
  public:
    void Add(const RecipeKeyBytes &key);
    // Call once after the last Add and before the first Contains.
    void Seal();
    bool Contains(const RecipeKeyBytes &key) const;

  private:
    std::vector<FoldedRecipeKey> keys_;
};

// Numbered recipes (rows read from the store, say) found by key, equal as in FoldedRecipeKeySet.
class FoldedRecipeKeyIndex final {
  public:
    void Clear() { entries_.clear(); }
    void Reserve(size_t n) { entries_.reserve(n); }
    void Add(const RecipeKeyBytes &key, uint32_t number);
    // Call once after the last Add and before the first Find.
    void Seal();
    // The number added with key, or -1.
    int64_t Find(const RecipeKeyBytes &key) const;

  private:
    std::vector<std::pair<FoldedRecipeKey, uint32_t>> entries_;
};

}  // namespace kw::planning
