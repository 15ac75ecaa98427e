// What the recipe rules need from the database, as two small interfaces: the ingredient
// catalogue (KWINGDAT) and the preparation terms (KWPREP). The rules never touch records
// themselves; the program hands in implementations over its open tables, tests and tools hand in
// the in-memory ones of memory_catalog.h.
//
// A record-backed implementation is a thin layer over one table instance:
//   FindIngredient       exact search on KWINGDAT index 0 (NAME, case ignored); copy the fields.
//   NamesBeginningWith   letters has 1 to 3 characters: search index n = letters.size() (NAME(0,n))
//                        for letters, then step with next while the current NAME still begins
//                        with letters (case ignored), collecting NAME.
//   AllTerms             walk KWPREP index 0 from the first record, collecting PREPARAT.
//   HasTerm              exact search on KWPREP index 0 (case ignored).
//   AddTerm              insert a KWPREP record; a refused insert (term exists) gives false.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kw {

// One KWINGDAT record, the fields the recipe rules read.
struct IngredientRecord {
    std::string name;  // NAME, at most 48 characters
    int units = 0;     // UNITS: the ingredient's own measure kind (0 weight, 1 volume, 2 items)
    int opts = 0;      // OPTS: unit choice the ingredient form shows its figures in
    float calories = -1.0f;   // CALORIES per base amount (gram, millilitre, item); < 0 unknown
    float cost = -1.0f;       // COST per base amount; < 0 unknown
    char type = 'X';          // TYPE code letter ("D" dairy, "M" meat, ...; ingredient_values.h)
    bool gluten = false;      // GLUTEN: contains gluten
    std::string information;  // INFORMAT, at most 64 characters
};

class IngredientCatalog {
  public:
    virtual ~IngredientCatalog() = default;
    // The ingredient whose NAME equals name, letter case ignored; nullopt when there is none.
    virtual std::optional<IngredientRecord> FindIngredient(std::string_view name) = 0;
    // Every NAME whose first letters.size() characters equal letters (1 to 3 characters, case
    // ignored), in the order of the index on that many leading letters.
    virtual std::vector<std::string> NamesBeginningWith(std::string_view letters) = 0;
};

class PreparationTerms {
  public:
    virtual ~PreparationTerms() = default;
    // Every term in the order of the term index.
    virtual std::vector<std::string> AllTerms() = 0;
    // Whether the term is stored, letter case ignored.
    virtual bool HasTerm(std::string_view term) = 0;
    // Stores the term; false when the store refuses it (it exists, or the write failed).
    virtual bool AddTerm(std::string_view term) = 0;
};

}  // namespace kw
