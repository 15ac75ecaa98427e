// The ingredient catalogue over the database's KWINGDAT table, for the shopping list's unit
// parsing ("-" takes the ingredient's own measure kind) where no other catalogue is at hand
// (kwtool). Look-ups go through index 0 (NAME, case ignored); names by leading letters through
// the index on that many letters.
#pragma once

#include "app/data/database.h"
#include "app/data/query.h"
#include "app/data/record.h"
#include "app/recipes/ingredient_catalog.h"

namespace kw::planning {

class TableIngredientCatalog final : public IngredientCatalog {
  public:
    explicit TableIngredientCatalog(CKWDatabase &database);

    std::optional<IngredientRecord> FindIngredient(std::string_view name) override;
    std::vector<std::string> NamesBeginningWith(std::string_view letters) override;

  private:
    CKWRecord record_;
};

}  // namespace kw::planning
