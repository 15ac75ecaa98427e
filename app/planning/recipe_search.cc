// The two-pass recipe search into KWTMPRES (see recipe_search.h).
#include "app/planning/recipe_search.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "app/core/schema.h"
#include "app/data/query.h"
#include "app/data/record.h"
#include "app/planning/criterion_tests.h"
#include "app/planning/folded_recipe_keys.h"
#include "app/planning/stored_recipes.h"

namespace kw::planning {
namespace {

using namespace kw::schema;

constexpr int kCandidatesBetweenPolls = 1024;
// The first step reads every recipe in one pass instead of looking each candidate's recipe up
// once the candidate lines (or links) number at least the recipes divided by this: a look-up
// reads a whole record with a system call of its own, the pass reads the store in large pieces
// and costs about what one look-up per eight recipes costs (measured with bench/search_bench).
constexpr size_t kRecipesPerLookUpInOnePass = 8;

// Equal as a case-ignoring index compares two text key parts: byte by byte, A-Z as a-z.
bool SameKeyText(const char *a, const char *b, size_t width) {
    for (size_t i = 0; i < width; ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
        if (x != y) return false;
    }
    return true;
}

// One run of the search; the table instances live as long as the run.
class SearchRun final {
  public:
    SearchRun(CKWDatabase &database, Progress &progress, SearchOutcome &outcome)
        : progress_(progress), outcome_(outcome), tester_(database) {
        if ((ready_ = tester_.Ready())) return;
        if ((ready_ = recipes_.OpenByName(&database, kTableRecipe))) return;
        if ((ready_ = lines_.OpenByName(&database, kTableRecipeIngredient))) return;
        if ((ready_ = links_.OpenByName(&database, kTableRecipeCategory))) return;
        if ((ready_ = hits_.OpenByName(&database, kTableSearchResult))) return;
        hitsByRecipe_.SetIndex(&hits_, kSearchResultByRecipe);
        hitsByCount_.SetIndex(&hits_, kSearchResultByHits);
    }

    // 0 when the run ended normally or was cancelled (outcome_.cancelled), else the failure.
    KWRESULT Run(const std::vector<SelectedCriterion> &criteria) {
        if (ready_) return ready_;
        std::vector<PreparedCriterion> prepared;
        prepared.reserve(criteria.size());
        for (const SelectedCriterion &row : criteria)
            prepared.push_back(PrepareCriterion(row));

        if (KWRESULT r = PassOne(criteria, prepared); r || outcome_.cancelled) return r;
        for (size_t i = 0; i < prepared.size(); ++i) {
            if (Advance()) return KW_OK;
            if (!prepared[i].definition || AnsweredByIndexAlone(*prepared[i].definition)) continue;
            const int step = ++outcome_.steps;
            outcome_.stepReports.push_back({criteria[i].criteria, 0, 0});
            const KWRESULT r = step == 1 ? FirstStep(prepared[i]) : NextStep(prepared[i], step);
            if (r || outcome_.cancelled) return r;
        }
        return Purge(outcome_.steps);
    }

  private:
    // Moves the bar on by one criterion; true when the user cancelled.
    bool Advance() {
        progress_.SetPosition(++position_);
        return Cancelled();
    }
    // Lets the window pump its messages within a long step; true when the user cancelled.
    bool Poll(int candidates) {
        if (candidates % kCandidatesBetweenPolls != 0) return false;
        progress_.SetPosition(position_);
        return Cancelled();
    }
    bool Cancelled() {
        if (progress_.Cancelled()) outcome_.cancelled = true;
        return outcome_.cancelled;
    }

    SearchStepReport &Report() { return outcome_.stepReports.back(); }

    // Enters the recipe into KWTMPRES with HITS 1. A recipe listed already stays as it is.
    KWRESULT EnterFirstHit(const RecipeKeyBytes &key) {
        hits_.ClearRecord();
        if (KWRESULT r = hits_.PutField(kFieldName, key.name)) return r;
        if (KWRESULT r = hits_.PutField(kFieldCategory, key.category)) return r;
        if (KWRESULT r = hits_.PutInt(kFieldHits, 1)) return r;
        const KWRESULT r = hits_.Insert();
        if (r == BTERR_DUPLICATE) return KW_OK;
        if (r == KW_OK) ++Report().matches;
        return r;
    }

    // Enters the first step's matches, gathered in memory, in the order of KWTMPRES's recipe
    // index: each insert then lands beside the one before instead of on a page long since
    // written out of the cache.
    KWRESULT EnterFirstHits() {
        SortRecipeKeys(&firstHits_, KeyOrder::kNameCategory);
        for (const RecipeKeyBytes &key : firstHits_)
            if (KWRESULT r = EnterFirstHit(key)) return r;
        firstHits_.clear();
        return KW_OK;
    }

    // Calls visit(key, stored) with every stored recipe: its key as stored and the bytes of
    // field (null when field is null). All of them are read in one pass over the store
    // (stored_recipes.h), a few bytes of each, where a walk of an index would read every 4 KiB
    // record with a system call of its own.
    template <typename Visit>
    KWRESULT ForEachRecipe(const char *field, Visit visit) {
        if (KWRESULT r = storedRecipes_.Read(*recipes_.Table(), field)) return r;
        for (size_t i = 0; i < storedRecipes_.Count(); ++i) {
            const char *stored = field ? storedRecipes_.Field(i) : nullptr;
            if (KWRESULT v = visit(storedRecipes_.Key(i), stored)) return v;
            if (Poll(++Report().candidates)) return KW_OK;
        }
        return KW_OK;
    }

    // A recipe found by pass one: its record reference and its key as stored.
    struct Flagged {
        int32_t reference;
        RecipeKeyBytes key;
    };

    // Pass one: the recipes that meet every index-answered criterion, by record reference.
    KWRESULT PassOne(const std::vector<SelectedCriterion> &criteria,
                     const std::vector<PreparedCriterion> &prepared) {
        std::vector<Flagged> flagged;
        int group = 0;
        std::string labels;
        for (size_t i = 0; i < prepared.size(); ++i) {
            if (Advance()) return KW_OK;
            if (!prepared[i].definition || !AnsweredByIndexAlone(*prepared[i].definition)) continue;
            ++group;
            labels += (labels.empty() ? "" : ", ") + criteria[i].criteria;
            if (KWRESULT r = CollectFlagged(prepared[i].definition->field, &flagged)) return r;
        }
        if (group == 0) return KW_OK;
        outcome_.steps = 1;
        outcome_.stepReports.push_back({labels, static_cast<int>(flagged.size()), 0});
        if (outcome_.cancelled) return KW_OK;
        // The map from recipe to the number of pass-one criteria it met: equal references lie
        // together once sorted, and a run as long as the group met them all.
        std::sort(flagged.begin(), flagged.end(),
                  [](const Flagged &a, const Flagged &b) { return a.reference < b.reference; });
        for (size_t i = 0; i < flagged.size();) {
            size_t end = i;
            while (end < flagged.size() && flagged[end].reference == flagged[i].reference)
                ++end;
            if (static_cast<int>(end - i) == group) firstHits_.push_back(flagged[i].key);
            i = end;
        }
        return EnterFirstHits();
    }

    // Every recipe whose flag field is "T", through the field's index; its key is read on the
    // way, so no recipe is read twice.
    KWRESULT CollectFlagged(const char *field, std::vector<Flagged> *flagged) {
        CKWQuery byFlag;
        byFlag.SetIndex(&recipes_, kRecipeByVegetarian);
        recipes_.ClearRecord();
        const char wanted = kTrue;
        if (KWRESULT r = recipes_.PutField(field, &wanted)) return r;
        KWRESULT r = byFlag.GetExactFromRecord();
        for (int seen = 1; r == KW_OK; r = byFlag.GetNext(), ++seen) {
            char flag = 0;
            if (KWRESULT g = recipes_.GetField(field, &flag)) return g;
            if (flag != kTrue) break;
            Flagged found{-1, {}};
            if (KWRESULT g = recipes_.GetRecordRef(&found.reference)) return g;
            if (KWRESULT g = ReadRecipeKey(recipes_, &found.key)) return g;
            flagged->push_back(found);
            if (Poll(seen)) return KW_OK;
        }
        return r == KW_OK || r == KW_END || r == KW_NOTFOUND ? KW_OK : r;
    }

    KWRESULT FirstStep(const PreparedCriterion &criterion) {
        KWRESULT r = KW_OK;
        switch (criterion.test) {
            case CriterionTest::kContains:
                r = FirstStepThroughIndex(criterion, lines_, kRecipeIngredientByIngredient,
                                          kTitleWidth);
                break;
            case CriterionTest::kInCategory:
                r = FirstStepThroughIndex(criterion, links_, kRecipeCategoryByOther,
                                          kCategoryWidth);
                break;
            case CriterionTest::kNotContains:
                r = FirstStepWithout(criterion, lines_, kRecipeIngredientByIngredient, kTitleWidth);
                break;
            case CriterionTest::kNotInCategory:
                r = FirstStepWithout(criterion, links_, kRecipeCategoryByOther, kCategoryWidth);
                break;
            default:
                r = ForEachRecipe(criterion.definition->field, [&](const RecipeKeyBytes &key,
                                                                   const char *stored) {
                    if (StoredFieldPasses(criterion, stored, storedRecipes_.FieldType(),
                                          storedRecipes_.FieldWidth()))
                        firstHits_.push_back(key);
                    return KW_OK;
                });
                break;
        }
        if (r || outcome_.cancelled) return r;
        return EnterFirstHits();
    }

    // Calls visit(key) with the recipe key of every line (or link) that names the criterion's
    // value, through their table's index on that field; *seen counts them.
    template <typename Visit>
    KWRESULT ForEachNaming(const PreparedCriterion &criterion, CKWRecord &record, int32_t index,
                           size_t width, Visit visit) {
        if (!criterion.fits) return KW_OK;
        const char *field = criterion.definition->field;
        CKWQuery walk;
        walk.SetIndex(&record, index);
        record.ClearRecord();
        if (KWRESULT r = record.PutField(field, criterion.value)) return r;
        RecipeKeyBytes key;
        char stored[48];
        KWRESULT r = walk.GetExactFromRecord();
        for (; r == KW_OK; r = walk.GetNext()) {
            if (KWRESULT g = record.GetField(field, stored)) return g;
            if (!SameKeyText(stored, criterion.value, width)) break;
            if (KWRESULT g = ReadRecipeKey(record, &key)) return g;
            if (KWRESULT v = visit(key)) return v;
            if (outcome_.cancelled) return KW_OK;
        }
        return r == KW_END || r == KW_NOTFOUND ? KW_OK : r;
    }

    // The lines (or links) that name the criterion's value are the candidates; each whose
    // recipe is stored is a match, listed as the recipe spells itself. When they name many of
    // the recipes, every recipe is read in one pass of the store and kept when some candidate
    // names it. Otherwise each candidate's recipe is looked up in the order of KWRECIPE's
    // CATEGORY+NAME index, so neighbouring look-ups share their index pages.
    KWRESULT FirstStepThroughIndex(const PreparedCriterion &criterion, CKWRecord &record,
                                   int32_t index, size_t width) {
        std::vector<RecipeKeyBytes> named;
        KWRESULT r = ForEachNaming(criterion, record, index, width, [&](const RecipeKeyBytes &key) {
            named.push_back(key);
            Poll(++Report().candidates);
            return KW_OK;
        });
        if (r || outcome_.cancelled) return r;
        if (named.size() * kRecipesPerLookUpInOnePass >= StoredRecipes::LastCount())
            return ConfirmInOnePass(named);
        SortRecipeKeys(&named, KeyOrder::kCategoryName);
        int looked = 0;
        for (const RecipeKeyBytes &line : named) {
            const KWRESULT found = tester_.FindRecipe(line);
            if (found == KW_OK) {
                RecipeKeyBytes key;
                if (KWRESULT g = ReadRecipeKey(tester_.RecipeRecord(), &key)) return g;
                firstHits_.push_back(key);
            } else if (found != KW_NOTFOUND) {
                return found;
            }
            if (Poll(++looked)) return KW_OK;
        }
        return KW_OK;
    }

    // The stored recipes that some key of named names (case ignored, as KWRECIPE's unique
    // CATEGORY+NAME index tells recipes apart), as they spell themselves.
    KWRESULT ConfirmInOnePass(const std::vector<RecipeKeyBytes> &named) {
        FoldedRecipeKeySet naming;
        for (const RecipeKeyBytes &key : named)
            naming.Add(key);
        naming.Seal();
        if (KWRESULT r = storedRecipes_.Read(*recipes_.Table(), nullptr)) return r;
        for (size_t i = 0; i < storedRecipes_.Count(); ++i) {
            const RecipeKeyBytes key = storedRecipes_.Key(i);
            if (naming.Contains(key)) firstHits_.push_back(key);
            if (Poll(static_cast<int>(i) + 1)) return KW_OK;
        }
        return KW_OK;
    }

    // Every recipe is a candidate; those without a line (or link) naming the criterion's value
    // are matches. The recipes that have one are gathered first through the value's index, so
    // each candidate is a look-up in memory rather than in KWRECING's or KWRCPCAT's index.
    KWRESULT FirstStepWithout(const PreparedCriterion &criterion, CKWRecord &record, int32_t index,
                              size_t width) {
        FoldedRecipeKeySet having;
        int seen = 0;
        KWRESULT r = ForEachNaming(criterion, record, index, width, [&](const RecipeKeyBytes &key) {
            having.Add(key);
            Poll(++seen);
            return KW_OK;
        });
        if (r || outcome_.cancelled) return r;
        having.Seal();
        return ForEachRecipe(nullptr, [&](const RecipeKeyBytes &key, const char *) {
            if (!having.Contains(key)) firstHits_.push_back(key);
            return KW_OK;
        });
    }

    KWRESULT NextStep(const PreparedCriterion &criterion, int step) {
        // The candidates first: raising HITS moves records within the index being walked.
        candidates_.clear();
        hits_.ClearRecord();
        if (KWRESULT r = hits_.PutInt(kFieldHits, step - 1)) return r;
        KWRESULT r = hitsByCount_.GetExactFromRecord();
        for (; r == KW_OK; r = hitsByCount_.GetNext()) {
            int32_t count = 0;
            if (KWRESULT g = hits_.GetInt(kFieldHits, &count)) return g;
            if (count != step - 1) break;
            candidates_.emplace_back();
            if (KWRESULT g = ReadRecipeKey(hits_, &candidates_.back())) return g;
        }
        if (r != KW_OK && r != KW_END && r != KW_NOTFOUND) return r;

        // Many candidates: every recipe's field read in one pass, each candidate's found in
        // memory, as for the first step's candidate lines.
        const bool onePass =
            criterion.ReadsRecipe() &&
            candidates_.size() * kRecipesPerLookUpInOnePass >= StoredRecipes::LastCount();
        if (onePass) {
            if (KWRESULT g = storedRecipes_.Read(*recipes_.Table(), criterion.definition->field))
                return g;
            storedRecipes_.IndexByKey();
        }
        for (const RecipeKeyBytes &key : candidates_) {
            bool passes = false;
            if (onePass) {
                const int64_t row = storedRecipes_.Find(key);
                passes = row >= 0 && StoredFieldPasses(
                                         criterion, storedRecipes_.Field(static_cast<size_t>(row)),
                                         storedRecipes_.FieldType(), storedRecipes_.FieldWidth());
            } else if (criterion.ReadsRecipe()) {
                const KWRESULT found = tester_.FindRecipe(key);
                if (found != KW_OK && found != KW_NOTFOUND) return found;
                if (found == KW_OK)
                    if (KWRESULT t = tester_.Test(criterion, key, tester_.RecipeRecord(), &passes))
                        return t;
            } else if (KWRESULT t = tester_.Test(criterion, key, tester_.RecipeRecord(), &passes)) {
                return t;
            }
            if (passes)
                if (KWRESULT u = RaiseHits(key, step)) return u;
            if (Poll(++Report().candidates)) return KW_OK;
        }
        return KW_OK;
    }

    KWRESULT RaiseHits(const RecipeKeyBytes &key, int step) {
        hits_.ClearRecord();
        if (KWRESULT r = hits_.PutField(kFieldName, key.name)) return r;
        if (KWRESULT r = hits_.PutField(kFieldCategory, key.category)) return r;
        if (KWRESULT r = hitsByRecipe_.GetExactFromRecord()) return r;
        if (KWRESULT r = hits_.PutInt(kFieldHits, step)) return r;
        if (KWRESULT r = hits_.Update()) return r;
        ++Report().matches;
        return KW_OK;
    }

    // Deletes every record below the full count of steps, lowest HITS first.
    KWRESULT Purge(int steps) {
        for (;;) {
            KWRESULT r = hitsByCount_.GetFirst();
            if (r == KW_END || r == KW_START) return KW_OK;
            if (r) return r;
            int32_t count = 0;
            if ((r = hits_.GetInt(kFieldHits, &count))) return r;
            if (count >= steps) return KW_OK;
            if ((r = hits_.Delete())) return r;
        }
    }

    Progress &progress_;
    SearchOutcome &outcome_;
    RecipeCandidateTester tester_;
    CKWRecord recipes_, lines_, links_, hits_;
    CKWQuery hitsByRecipe_, hitsByCount_;
    std::vector<RecipeKeyBytes> candidates_;
    std::vector<RecipeKeyBytes> firstHits_;  // the first step's matches, not yet entered
    StoredRecipes storedRecipes_;            // the rows of the last walk over every recipe
    int position_ = 0;
    KWRESULT ready_ = KW_OK;
};

}  // namespace

bool AnsweredByIndexAlone(const CriterionDefinition &definition) {
    return definition.test == CriterionTest::kFlag &&
           std::strcmp(definition.field, kFieldVegetarian) == 0;
}

KWRESULT OpenSearchResultTable(CKWDatabase &database, CKWTable **table) {
    *table = database.FindTable(kTableSearchResult);
    if (*table) return KW_OK;
    CKWTable *defined = database.AddTableWithIndexes(SearchResultTable());
    if (!defined) return CKWDatabase::kTableNotAdded;
    if (!defined->FindIndex(kSearchResultByRecipe) || !defined->FindIndex(kSearchResultByHits)) {
        database.DropTable(defined);
        return CKWDatabase::kIndexNotAdded;
    }
    if (KWRESULT r = defined->Open()) {
        database.DropTable(defined);
        return r;
    }
    *table = defined;
    return KW_OK;
}

SearchOutcome RunRecipeSearch(CKWDatabase &database, const std::vector<SelectedCriterion> &criteria,
                              Progress &progress) {
    SearchOutcome outcome;
    CKWTable *results = nullptr;
    if ((outcome.result = OpenSearchResultTable(database, &results))) return outcome;
    if ((outcome.result = results->Clear())) return outcome;
    progress.Begin(0, 2 * static_cast<int>(criteria.size()), "Searching", "", true);
    {
        SearchRun run(database, progress, outcome);
        outcome.result = run.Run(criteria);
    }
    progress.End();
    if (outcome.result || outcome.cancelled) {
        // Half a search would list recipes that were never tested against every criterion.
        results->Clear();
    }
    return outcome;
}

}  // namespace kw::planning
