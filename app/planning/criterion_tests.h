// Testing one recipe against one selected search criterion. A selected row (criteria_selection.h)
// is first turned into a PreparedCriterion — its value read once, as the test compares it — and
// a RecipeCandidateTester then answers for one recipe at a time, with its own table instances,
// without allocating.
//
// How each test reads the database (case is treated as the indexes treat it):
//   flag            the recipe's logical field is "T"
//   difficulty      the recipe's DIFFICUL is the chosen code
//   comparison      the recipe's field against the value by the option: '<' less, '=' equal,
//                   '>' greater; PREPTIME and TOTALTIM in minutes, CALORIES as integers, COST at
//                   single precision (so "1.10" equals a stored 1.10). A negative CALORIES or
//                   COST means "not known" and meets no comparison. An unknown option code meets
//                   nothing.
//   contains        KWRECING index 1 (NAME+CATEGORY+INGREDIE, case ignored) holds the recipe's
//                   line for the ingredient; does not contain: it does not
//   in category     KWRCPCAT index 1 (CATEGORY+NAME+OTHERCAT, case ignored) holds the link;
//                   not in category: it does not. Every recipe is linked to its own primary
//                   category, so this covers primary and other categories alike.
// A value longer than its field (an ingredient name over 48 characters) names nothing stored.
#pragma once

#include <cstdint>

#include "app/data/database.h"
#include "app/data/query.h"
#include "app/data/record.h"
#include "app/planning/criteria_selection.h"

namespace kw::planning {

// A recipe's identity as stored: NAME and CATEGORY with their full field widths.
struct RecipeKeyBytes {
    char name[48];
    char category[32];
};

// Reads NAME and CATEGORY of the record in the buffer (any table that has both at these widths).
KWRESULT ReadRecipeKey(CKWRecord &record, RecipeKeyBytes *key);

struct PreparedCriterion {
    const CriterionDefinition *definition = nullptr;
    CriterionTest test = CriterionTest::kFlag;
    char option = 0;      // the comparison or difficulty code
    int32_t whole = 0;    // minutes or calories
    float cost = 0.0f;    // COST value
    char value[48] = {};  // the ingredient or category, zero-padded to its field's width
    bool fits = true;     // false: the entered value is longer than its field
    // Whether the test reads the recipe's own record (flags, difficulty, comparisons) rather
    // than other tables.
    bool ReadsRecipe() const;
};

PreparedCriterion PrepareCriterion(const SelectedCriterion &row);

// Whether a recipe field's stored bytes (width of them, of the field's type letter) meet a
// criterion that reads the recipe (ReadsRecipe()): the flag, difficulty or comparison test
// above, the bytes decoded as CKWRecord's typed gets decode them. False for other criteria.
bool StoredFieldPasses(const PreparedCriterion &criterion, const char *stored, char type,
                       int32_t width);

class RecipeCandidateTester final {
  public:
    // Opens its instances on KWRECIPE, KWRECING and KWRCPCAT; Ready() tells whether all opened.
    explicit RecipeCandidateTester(CKWDatabase &database);
    KWRESULT Ready() const { return ready_; }

    // Positions the tester's own KWRECIPE instance on the recipe; 1 when it is not stored.
    KWRESULT FindRecipe(const RecipeKeyBytes &key);
    CKWRecord &RecipeRecord() { return recipe_; }

    // Tests the recipe identified by key. recipe must hold the recipe's KWRECIPE record when
    // criterion.ReadsRecipe() (the search's own walk, or RecipeRecord() after FindRecipe); it
    // is not read otherwise. *passes is the answer when the result is 0; any other result is
    // an engine failure.
    KWRESULT Test(const PreparedCriterion &criterion, const RecipeKeyBytes &key, CKWRecord &recipe,
                  bool *passes);

  private:
    KWRESULT RecordTest(const PreparedCriterion &criterion, const RecipeKeyBytes &key,
                        bool *passes);
    KWRESULT FieldTest(const PreparedCriterion &criterion, CKWRecord &recipe, bool *passes);

    CKWRecord recipe_, line_, link_;
    CKWQuery recipeByKey_, lineByIngredient_, linkByCategory_;
    KWRESULT ready_ = KW_OK;
};

}  // namespace kw::planning
