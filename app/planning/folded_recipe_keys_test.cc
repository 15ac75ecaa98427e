// Folded recipe keys: equal exactly as a case-ignoring index takes them, and ordered by the
// requested field first.
#include "app/planning/folded_recipe_keys.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace kw::planning {
namespace {

RecipeKeyBytes KeyOf(const std::string &name, const std::string &category) {
    RecipeKeyBytes key{};
    std::memcpy(key.name, name.data(), name.size());
    std::memcpy(key.category, category.data(), category.size());
    return key;
}

TEST(FoldedRecipeKeys, SetTakesOnlyAsciiLettersWithoutRegardToCase) {
    FoldedRecipeKeySet set;
    set.Add(KeyOf("Apple Pie", "Desserts"));
    set.Add(KeyOf("APPLE PIE", "DESSERTS"));  // the same recipe twice
    set.Add(KeyOf("Cr\xe9pes", "Breakfast"));
    set.Seal();
    EXPECT_TRUE(set.Contains(KeyOf("apple pie", "desserts")));
    EXPECT_FALSE(set.Contains(KeyOf("Apple Pie", "Baking")));
    // The name ends where the category begins: no shifting of bytes between the two.
    EXPECT_FALSE(set.Contains(KeyOf("Apple PieD", "esserts")));
    EXPECT_TRUE(set.Contains(KeyOf("CR\xe9PES", "breakfast")));
    // Only a-z are folded, as the indexes fold them; e-acute and E-acute stay different.
    EXPECT_FALSE(set.Contains(KeyOf("CR\xc9PES", "Breakfast")));

    FoldedRecipeKeySet empty;
    empty.Seal();
    EXPECT_FALSE(empty.Contains(KeyOf("", "")));
}

TEST(FoldedRecipeKeys, SortTakesTheRequestedFieldFirstAndKeepsEqualKeysInOrder) {
    std::vector<RecipeKeyBytes> keys = {KeyOf("b", "Z"), KeyOf("A", "y"), KeyOf("B", "z"),
                                        KeyOf("c", "x")};
    std::vector<RecipeKeyBytes> byName = keys;
    SortRecipeKeys(&byName, KeyOrder::kNameCategory);
    std::vector<std::string> names;
    for (const RecipeKeyBytes &key : byName)
        names.push_back(std::string(key.name) + "/" + key.category);
    EXPECT_EQ(names, (std::vector<std::string>{"A/y", "b/Z", "B/z", "c/x"}));

    SortRecipeKeys(&keys, KeyOrder::kCategoryName);
    names.clear();
    for (const RecipeKeyBytes &key : keys)
        names.push_back(std::string(key.name) + "/" + key.category);
    EXPECT_EQ(names, (std::vector<std::string>{"c/x", "A/y", "b/Z", "B/z"}));
}

}  // namespace
}  // namespace kw::planning
