// The two-pass recipe search into KWTMPRES (see recipe_search.h).
#include "app/planning/recipe_search.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "app/core/schema.h"
#include "app/data/query.h"
#include "app/data/record.h"
#include "app/planning/criterion_tests.h"

namespace kw::planning {
namespace {

using namespace kw::schema;

constexpr int kCandidatesBetweenPolls = 1024;

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

    // Pass one: the recipes that meet every index-answered criterion, by record reference.
    KWRESULT PassOne(const std::vector<SelectedCriterion> &criteria,
                     const std::vector<PreparedCriterion> &prepared) {
        std::vector<int32_t> references;
        int group = 0;
        std::string labels;
        for (size_t i = 0; i < prepared.size(); ++i) {
            if (Advance()) return KW_OK;
            if (!prepared[i].definition || !AnsweredByIndexAlone(*prepared[i].definition)) continue;
            ++group;
            labels += (labels.empty() ? "" : ", ") + criteria[i].criteria;
            if (KWRESULT r = CollectFlagged(prepared[i].definition->field, &references)) return r;
        }
        if (group == 0) return KW_OK;
        outcome_.steps = 1;
        outcome_.stepReports.push_back({labels, static_cast<int>(references.size()), 0});
        // The map from recipe to the number of pass-one criteria it met: equal references lie
        // together once sorted, and a run as long as the group met them all.
        std::sort(references.begin(), references.end());
        RecipeKeyBytes key;
        for (size_t i = 0; i < references.size();) {
            size_t end = i;
            while (end < references.size() && references[end] == references[i])
                ++end;
            if (static_cast<int>(end - i) == group) {
                if (KWRESULT r = recipes_.GetRecordByRef(references[i])) return r;
                if (KWRESULT r = ReadRecipeKey(recipes_, &key)) return r;
                if (KWRESULT r = EnterFirstHit(key)) return r;
            }
            i = end;
        }
        return KW_OK;
    }

    // The references of every recipe whose flag field is "T", through the field's index.
    KWRESULT CollectFlagged(const char *field, std::vector<int32_t> *references) {
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
            int32_t reference = -1;
            if (KWRESULT g = recipes_.GetRecordRef(&reference)) return g;
            references->push_back(reference);
            if (Poll(seen)) return KW_OK;
        }
        return r == KW_OK || r == KW_END || r == KW_NOTFOUND ? KW_OK : r;
    }

    KWRESULT FirstStep(const PreparedCriterion &criterion) {
        if (criterion.test == CriterionTest::kContains)
            return FirstStepThroughIndex(criterion, lines_, kRecipeIngredientByIngredient,
                                         kTitleWidth);
        if (criterion.test == CriterionTest::kInCategory)
            return FirstStepThroughIndex(criterion, links_, kRecipeCategoryByOther, kCategoryWidth);
        CKWQuery walk;
        walk.SetIndex(&recipes_, kRecipeByCategoryName);
        RecipeKeyBytes key;
        KWRESULT r = walk.GetFirst();
        for (; r == KW_OK; r = walk.GetNext()) {
            if (KWRESULT g = ReadRecipeKey(recipes_, &key)) return g;
            bool passes = false;
            if (KWRESULT t = tester_.Test(criterion, key, recipes_, &passes)) return t;
            if (passes)
                if (KWRESULT e = EnterFirstHit(key)) return e;
            if (Poll(++Report().candidates)) return KW_OK;
        }
        return r == KW_END ? KW_OK : r;
    }

    // The lines (or links) that name the criterion's value, through their table's index on
    // that field; each whose recipe is stored is a match.
    KWRESULT FirstStepThroughIndex(const PreparedCriterion &criterion, CKWRecord &record,
                                   int32_t index, size_t width) {
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
            const KWRESULT found = tester_.FindRecipe(key);
            if (found == KW_OK) {
                // Listed as the recipe spells itself.
                if (KWRESULT g = ReadRecipeKey(tester_.RecipeRecord(), &key)) return g;
                if (KWRESULT e = EnterFirstHit(key)) return e;
            } else if (found != KW_NOTFOUND) {
                return found;
            }
            if (Poll(++Report().candidates)) return KW_OK;
        }
        return r == KW_END || r == KW_NOTFOUND ? KW_OK : r;
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

        for (const RecipeKeyBytes &key : candidates_) {
            bool passes = false;
            if (criterion.ReadsRecipe()) {
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
