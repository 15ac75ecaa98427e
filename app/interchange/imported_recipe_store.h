// Storing one recipe that the filter plug-in read (a RecipeImportRecord) in the database.
//
//   1. KWRECIPE: NAME, CATEGORY, METHOD, TOTALTIM, PREPTIME, NOOFSERV, CALORIES and COST as read;
//      DAIRYFRE, GLUTENFR and VEGETARI true exactly when the record holds 'Y'; DIFFICUL the
//      difficulty letter; REFERENC. Refused: the log gets "*** Duplicate Recipe '%s' in '%s'"
//      (engine result 303) or "*** Cannot store Recipe '%s' in '%s' (%d)" (any other result),
//      the store fails and nothing else of the recipe is written.
//   2. KWCAT: the primary category (a refusal, the category exists, is ignored). A category this
//      store has already added, or found there, is not offered again: the answer would be the
//      same refusal, and most recipes of an archive share a few categories.
//   3. KWRECING: each ingredient entry in order. A refused line logs "*** Duplicate Ingredient
//      '%s'" (303; the same ingredient twice in the recipe) or "*** Cannot store Ingredient '%s'
//      (%d)" and counts one warning; the other lines are still written.
//   4. KWRCPCAT: for each other category first KWCAT, then the link; finally the link to the
//      primary category itself (refusals ignored).
//
// Texts are taken up to their terminator but never past their slot in the record, and cut to
// the width of their field (the record's reference and preparation slots hold one character more
// than the fields). Counts outside 0..32 and 0..256 are held to those limits.
//
// The fields are looked up once, when the store opens (resolved_field.h): a recipe of ten
// ingredient lines puts some eighty fields, and each put is then one engine call.
//
// An import large against the database (DeferIndexesFor) holds back the four tables' index
// upkeep (KW_DBDeferIndexes) until EndDeferredIndexes (or, failing that, until the engine next
// needs those indexes or closes the tables): the indexes are then built again from the records,
// from sorted keys, which for many recipes costs far less than an insert per key. The records,
// refusals and messages are the same either way. When that build fails the engine keeps the
// tables deferred and their close fails, so the run is not marked clean and the next start
// rebuilds the indexes.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>

#include "app/data/database.h"
#include "app/data/record.h"
#include "app/data/resolved_field.h"
#include "app/interchange/import_log_file.h"
#include "kwimpt.h"

namespace kw {

// The text one recipe takes at least, about, in the archives people import (Meal-Master recipes
// run from one to a few KiB), and the fewest recipes an import must expect before it defers the
// index upkeep: a small import keeps the indexes up to date as it goes.
inline constexpr size_t kDeferredImportBytesPerRecipe = 2048;
inline constexpr size_t kDeferredImportMinimum = 1000;

class ImportedRecipeStore final {
  public:
    ImportedRecipeStore(CKWDatabase &database, ImportLogFile &log);

    // Opens the four tables' instances and looks up their fields; the engine's result.
    KWRESULT Open();
    // After Open: defers the tables' index upkeep when a text of textLength bytes holds enough
    // recipes, against those already stored, for a rebuild at the end to cost less than the
    // inserts into the indexes (kDeferredImportBytesPerRecipe, kDeferredImportMinimum).
    void DeferIndexesFor(size_t textLength);
    // Stores the recipe; true when KWRECIPE took it. Adds one to *warnings per line refused.
    bool Store(const RecipeImportRecord &recipe, int *warnings);

  private:
    // Adds the category unless it is known to be there.
    void AddCategory(std::string_view text);

    // Puts text, cut to width, into field of record.
    static void PutCut(CKWRecord &record, const ResolvedField &field, std::string_view text,
                       int32_t width);

    bool deferring_ = false;
    CKWDatabase &database_;
    ImportLogFile &log_;
    CKWRecord recipes_, categories_, lines_, links_;
    struct RecipeFields {
        ResolvedField name, category, method, totalTime, prepTime, servings, calories, cost,
            dairyFree, glutenFree, vegetarian, difficulty, reference;
    } recipe_;
    ResolvedField categoryName_;
    struct LineFields {
        ResolvedField name, category, ingredient, quantity, opts, measured, preparation;
    } line_;
    struct LinkFields {
        ResolvedField name, category, otherCategory;
    } link_;
    // Looked up by string_view, so a category already known costs no copy of its text.
    struct TextHash {
        using is_transparent = void;
        size_t operator()(std::string_view text) const {
            return std::hash<std::string_view>{}(text);
        }
    };
    std::unordered_set<std::string, TextHash, std::equal_to<>>
        knownCategories_;  // as stored, cut to the field width
};

// Ends the index deferral of an import on the four tables (their indexes are built); 0 or the
// first failure. Tables not deferred are left as they are.
KWRESULT EndDeferredIndexes(CKWDatabase &database);

}  // namespace kw
