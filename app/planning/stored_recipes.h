// Every stored recipe's NAME and CATEGORY, and optionally one more field of each, read in one
// pass over the KWRECIPE store (KW_DBReadStoredFields) instead of one record read per recipe.
// The walks of the search that test every recipe use it: they need a few bytes of each record,
// and reading each 4 KiB record on its own costs a system call per recipe.
//
// Rows, one per recipe in store order (the order the recipes were added in):
//
//   OFFSET  SIZE          MEANING
//   0       48            NAME as stored
//   48      32            CATEGORY as stored
//   80      field width   the extra field as stored (absent when none was asked for)
//
// What callers may rely on: the recipes are exactly the records of the store, with the engine's
// failure codes where the store is damaged (403 a damaged block or chain, 519 a short record);
// the order is not an index order, so callers that list recipes sort them first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "app/data/table.h"
#include "app/planning/criterion_tests.h"
#include "app/planning/folded_recipe_keys.h"

namespace kw::planning {

class StoredRecipes final {
  public:
    // Reads every recipe of table (KWRECIPE) with field (null for none). The engine's result.
    KWRESULT Read(CKWTable &table, const char *field);

    size_t Count() const { return count_; }
    // The number of recipes the last Read of this process found (0 before the first): a guess
    // at the store's size for callers choosing between one pass and look-ups.
    static size_t LastCount();
    RecipeKeyBytes Key(size_t i) const;
    // The extra field's stored bytes of recipe i (FieldWidth() of them).
    const char *Field(size_t i) const { return Row(i) + kFieldAt; }
    char FieldType() const { return fieldType_; }

    // Orders the rows for Find; call after Read, before the first Find.
    void IndexByKey();
    // The row of the recipe key names, or -1: case ignored, as KWRECIPE's unique CATEGORY+NAME
    // index tells recipes apart (folded_recipe_keys.h).
    int64_t Find(const RecipeKeyBytes &key) const { return byKey_.Find(key); }
    int32_t FieldWidth() const { return fieldWidth_; }

  private:
    static constexpr size_t kFieldAt =
        sizeof(RecipeKeyBytes::name) + sizeof(RecipeKeyBytes::category);
    const char *Row(size_t i) const { return rows_.data() + i * rowSize_; }

    std::vector<char> rows_;
    FoldedRecipeKeyIndex byKey_;  // filled by IndexByKey
    size_t rowSize_ = kFieldAt;
    size_t count_ = 0;
    char fieldType_ = 0;
    int32_t fieldWidth_ = 0;
};

}  // namespace kw::planning
