// Running a recipe search: the selected criteria (criteria_selection.h) applied to the recipe
// database, the recipes that meet all of them written into the result table KWTMPRES.
//
// The run, in this order:
//   1. KWTMPRES is emptied; the progress shows "Searching" with an empty bar label over the
//      range 0 to twice the number of criteria, Cancel offered. Each of the two passes below
//      goes over the whole selection in list order and advances the bar by one per criterion.
//   2. Pass one takes the criteria an index answers alone ("Vegetarian", through KWRECIPE's
//      VEGETARI index). Every recipe that meets all of them is entered with HITS 1; together
//      they are step 1.
//   3. Pass two takes every other criterion as a step k of its own. Its candidates are all
//      KWRECIPE records when it is the first step, otherwise the KWTMPRES records with
//      HITS k - 1 (found on the HITS index). A candidate that meets the criterion gets HITS k:
//      a new record with HITS 1 at the first step, otherwise its HITS raised by one.
//      A first step of "Contains..." or "In Category..." finds the same candidates through the
//      KWRECING ingredient index or the KWRCPCAT category index instead of testing every
//      recipe, since only recipes with such a line or link can meet it.
//   4. Every KWTMPRES record whose HITS is below the number of steps is deleted, in HITS order
//      through the HITS index. What stays is exactly the recipes that meet every criterion, each
//      with HITS equal to the number of steps. No criterion leaves KWTMPRES empty.
// A cancelled search, and one an engine failure ends, leaves KWTMPRES empty, never half done.
//
// How the first step is carried out, for speed over large databases (the result is as above):
//   - its matches are gathered in memory and entered into KWTMPRES after the step, in the order
//     of KWTMPRES's NAME+CATEGORY index (so the record serials follow that order too);
//   - the walk over all recipes reads the names, categories and the tested field of all of
//     them in one pass over the KWRECIPE store, in the records' order there (stored_recipes.h),
//     rather than each whole record through an index; a damaged record fails the search with
//     the engine's code (403, 519) as a whole-record read would;
//   - "Does not contain..." and "Not in Category..." read the recipes that have the line or
//     link once through the KWRECING ingredient index or the KWRCPCAT category index, and then
//     test every recipe against that set in memory;
//   - "Contains..." and "In Category..." with candidates for one recipe in eight or more (and
//     a later step testing a KWRECIPE field of as many candidates) take the recipes from that
//     one pass too, found by their keys case ignored as KWRECIPE's CATEGORY+NAME index finds
//     them; with fewer, each candidate's recipe is looked up through that index.
//
// The progress is asked for Cancel after every criterion and every 1024 candidates (with the
// position unchanged, so the window's message pump runs during long steps).
#pragma once

#include <string>
#include <vector>

#include "app/core/progress.h"
#include "app/data/database.h"
#include "app/data/table.h"
#include "app/planning/criteria_selection.h"

namespace kw::planning {

// What one step did.
struct SearchStepReport {
    std::string criteria;  // the step's CRITERIA (pass one's joined by ", ")
    int candidates = 0;    // recipes tested
    int matches = 0;       // recipes that reached the step's HITS
};

struct SearchOutcome {
    KWRESULT result = KW_OK;  // 0, or the engine failure that ended the search
    bool cancelled = false;
    int steps = 0;
    std::vector<SearchStepReport> stepReports;
};

// Defines KWTMPRES in the database with its indexes and opens it, unless it is defined there
// already; *table is the open table. The results window calls this when it is created; the
// search calls it too.
KWRESULT OpenSearchResultTable(CKWDatabase &database, CKWTable **table);

// Runs the search over the rows in their order (the selection's Rows()).
SearchOutcome RunRecipeSearch(CKWDatabase &database, const std::vector<SelectedCriterion> &criteria,
                              Progress &progress);

// Whether the criterion belongs to pass one (an index answers it alone).
bool AnsweredByIndexAlone(const CriterionDefinition &definition);

}  // namespace kw::planning
