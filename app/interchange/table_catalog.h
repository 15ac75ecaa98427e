// The ingredient catalogue over the open KWINGDAT table, for the interchange code: the export and
// the load need an ingredient's own measure kind for lines stored without one (MEASURED 100) and
// for lines without an amount ("-"). It holds its own KWINGDAT instance; instances of one table
// share their index cursors, so callers do not walk KWINGDAT while they look ingredients up.
#pragma once

#include "app/data/database.h"
#include "app/data/query.h"
#include "app/data/record.h"
#include "app/recipes/ingredient_catalog.h"

namespace kw::interchange {

class TableIngredientCatalog final : public IngredientCatalog {
  public:
    // Opens an instance on the database's KWINGDAT; Ready() tells whether that worked.
    explicit TableIngredientCatalog(CKWDatabase &database);
    bool Ready() const { return record_.IsOpen(); }

    std::optional<IngredientRecord> FindIngredient(std::string_view name) override;
    std::vector<std::string> NamesBeginningWith(std::string_view letters) override;

  private:
    IngredientRecord Current();

    CKWRecord record_;
    CKWQuery query_;
};

}  // namespace kw::interchange
