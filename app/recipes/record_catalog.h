// The ingredient catalogue and the preparation terms over the open database: the record-backed
// faces of the interfaces in ingredient_catalog.h, each a thin layer over one table instance it
// keeps open for its lifetime (so it must not outlive the database).
//
//   FindIngredient      exact search on KWINGDAT index 0 (NAME, case ignored); a name longer
//                       than the field is in no record.
//   NamesBeginningWith  1 to 3 letters on the index over that many leading letters of NAME
//                       (indexes 1 to 3), stepping on while NAME still begins with them (case
//                       ignored); longer texts search on their first three letters and are
//                       narrowed here, so the answer is always "every NAME beginning with it".
//   AllTerms            KWPREP index 0 from the first entry.
//   HasTerm             exact search on KWPREP index 0 (case ignored).
//   AddTerm             inserts a KWPREP record; false when it is refused (it exists, or the
//                       term is empty or longer than the field).
//
// A table that cannot be reached (the instance did not open) answers as an empty one.
#pragma once

#include "app/recipes/ingredient_catalog.h"
#include "app/recipes/record_cursor.h"

namespace kw {

class CKWDatabase;

namespace recipedb {

// The KWINGDAT fields of the current record, and the other way (texts cut to their fields).
IngredientRecord ReadIngredient(RecordCursor &cursor);
KWRESULT PutIngredient(CKWRecord &record, const IngredientRecord &ingredient);

}  // namespace recipedb

class RecordIngredientCatalog final : public IngredientCatalog {
  public:
    explicit RecordIngredientCatalog(CKWDatabase &database);

    std::optional<IngredientRecord> FindIngredient(std::string_view name) override;
    std::vector<std::string> NamesBeginningWith(std::string_view letters) override;

  private:
    recipedb::RecordCursor cursor_;
    bool open_ = false;
};

class RecordPreparationTerms final : public PreparationTerms {
  public:
    explicit RecordPreparationTerms(CKWDatabase &database);

    std::vector<std::string> AllTerms() override;
    bool HasTerm(std::string_view term) override;
    bool AddTerm(std::string_view term) override;

  private:
    recipedb::RecordCursor cursor_;
    bool open_ = false;
};

}  // namespace kw
