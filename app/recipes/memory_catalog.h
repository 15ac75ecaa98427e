// In-memory ingredient catalogue and preparation terms: the stand-ins for the record tables in
// tests and tools. They keep the record tables' rules: names unique with letter case ignored,
// prefix lists in insertion order (the order an index gives keys that only differ by serial).
#pragma once

#include <string>
#include <vector>

#include "app/recipes/ingredient_catalog.h"

namespace kw {

class MemoryIngredientCatalog final : public IngredientCatalog {
  public:
    // Adds the record, or replaces the one with the same name (case ignored).
    void Put(IngredientRecord record);

    std::optional<IngredientRecord> FindIngredient(std::string_view name) override;
    std::vector<std::string> NamesBeginningWith(std::string_view letters) override;

  private:
    std::vector<IngredientRecord> records_;
};

class MemoryPreparationTerms final : public PreparationTerms {
  public:
    std::vector<std::string> AllTerms() override { return terms_; }
    bool HasTerm(std::string_view term) override;
    bool AddTerm(std::string_view term) override;

  private:
    std::vector<std::string> terms_;
};

}  // namespace kw
