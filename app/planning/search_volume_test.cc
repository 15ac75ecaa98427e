// The search over a database of 20,000 recipes generated as Meal-Master text, read by the real
// Meal-Master filter and stored as the import stores them. Every search must return exactly the
// set a brute-force check finds: the check reads the tables once into memory and applies the
// criteria on its own, without the search's code.
//
// The database is built once, in the one test case, since building it is most of the run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/data/query.h"
#include "app/data/record.h"
#include "app/planning/criteria_selection.h"
#include "app/planning/imported_recipe_writer.h"
#include "app/planning/planning_test_support.h"
#include "app/planning/recipe_search.h"
#include "kwimpt.h"
#include "mealmaster_gen.h"

namespace kw::planning {
namespace {

using namespace kw::schema;

constexpr int kRecipes = 20000;

std::string Upper(std::string text) {
    for (char &c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return text;
}

// Everything the brute-force check needs, read straight from the tables.
struct StoredRecipe {
    std::string name, category;
    int32_t prep = 0, total = 0, calories = 0;
    float cost = 0.0f;
    char vegetarian = 0, glutenFree = 0, dairyFree = 0, difficulty = 0;
};

struct Snapshot {
    std::vector<StoredRecipe> recipes;
    std::set<std::string> lines;  // UPPER(name) \t UPPER(category) \t UPPER(ingredient)
    std::set<std::string> links;  // UPPER(name) \t UPPER(category) \t UPPER(other category)
    std::map<std::string, int> ingredientUse, categoryUse;  // spelled as stored
};

using Check = std::function<bool(const StoredRecipe &)>;

class SearchVolumeTest : public testing::PlanningDatabaseTest {
  protected:
    void Build() {
        bench::MealMasterGenerator generator(20240611);
        testing::ImportedRecipeWriter writer(db_, 77);
        auto record = std::make_unique<RecipeImportRecord>();
        int stored = 0;
        for (int i = 0; i < kRecipes; ++i) {
            const std::string text = generator.Next().text;
            int32_t position = 0, warnings = 0;
            std::memset(record.get(), 0, sizeof *record);
            ASSERT_EQ(ImportRecipe(&position, text.c_str(), record.get(), &warnings,
                                   KWIMPT_MEAL_MASTER, -1),
                      0);
            if (writer.Store(*record) == KW_OK) ++stored;
        }
        // Reposted heads are refused as duplicates, as the import refuses them.
        ASSERT_GT(stored, kRecipes * 99 / 100);
    }

    void Read() {
        ForEachRecord(kTableRecipe, kRecipeByCategoryName, [&](CKWRecord &record) {
            StoredRecipe s;
            s.name = Text(record, kFieldName);
            s.category = Text(record, kFieldCategory);
            s.prep = Number(record, kFieldPrepTime);
            s.total = Number(record, kFieldTotalTime);
            s.calories = Number(record, kFieldCalories);
            record.GetFloat(kFieldCost, &s.cost);
            record.GetField(kFieldVegetarian, &s.vegetarian);
            record.GetField(kFieldGlutenFree, &s.glutenFree);
            record.GetField(kFieldDairyFree, &s.dairyFree);
            record.GetField(kFieldDifficulty, &s.difficulty);
            data_.recipes.push_back(s);
        });
        ReadPairs(kTableRecipeIngredient, kFieldIngredient, &data_.lines, &data_.ingredientUse);
        ReadPairs(kTableRecipeCategory, kFieldOtherCategory, &data_.links, &data_.categoryUse);
    }

    void ReadPairs(const char *table, const char *field, std::set<std::string> *pairs,
                   std::map<std::string, int> *use) {
        ForEachRecord(table, 0, [&](CKWRecord &record) {
            const std::string value = Text(record, field);
            pairs->insert(Upper(Text(record, kFieldName)) + "\t" +
                          Upper(Text(record, kFieldCategory)) + "\t" + Upper(value));
            ++(*use)[value];
        });
    }

    // The names used by about `share` of the recipes (the nearest one).
    std::string UsedBy(const std::map<std::string, int> &use, double share) {
        std::string best;
        double distance = 1e9;
        for (const auto &[name, count] : use) {
            const double d = std::abs(count - share * data_.recipes.size());
            if (d < distance) distance = d, best = name;
        }
        return best;
    }

    bool Has(const std::set<std::string> &pairs, const StoredRecipe &r, const std::string &v) {
        return pairs.count(Upper(r.name) + "\t" + Upper(r.category) + "\t" + Upper(v)) > 0;
    }
    Check Contains(const std::string &ingredient) {
        return
            [this, ingredient](const StoredRecipe &r) { return Has(data_.lines, r, ingredient); };
    }
    Check InCategory(const std::string &category) {
        return [this, category](const StoredRecipe &r) { return Has(data_.links, r, category); };
    }
    static Check Not(Check check) {
        return [check](const StoredRecipe &r) { return !check(r); };
    }

    // Runs the search and compares KWTMPRES with the recipes that pass every check.
    void Expect(const std::vector<std::pair<char, std::pair<char, std::string>>> &criteria,
                const std::vector<Check> &checks, size_t atLeast = 1) {
        CriteriaSelection selection;
        for (const auto &[code, value] : criteria) {
            const int row = selection.Add(*FindCriterionByCode(code));
            ASSERT_GE(row, 0);
            SelectedCriterion *selected = selection.Row(static_cast<size_t>(row));
            if (value.first) selected->options = value.first;
            selected->data = value.second;
        }
        NullProgress progress;
        const SearchOutcome outcome = RunRecipeSearch(db_, selection.Rows(), progress);
        ASSERT_EQ(outcome.result, KW_OK);

        std::set<std::string> expected;
        for (const StoredRecipe &r : data_.recipes)
            if (std::all_of(checks.begin(), checks.end(), [&](const Check &c) { return c(r); }))
                expected.insert(r.name + "\t" + r.category);
        std::set<std::string> found;
        ForEachRecord(kTableSearchResult, kSearchResultByRecipe, [&](CKWRecord &record) {
            found.insert(Text(record, kFieldName) + "\t" + Text(record, kFieldCategory));
        });
        EXPECT_EQ(found, expected);
        // The cases are chosen to find something, or the comparison would prove little.
        EXPECT_GE(expected.size(), atLeast);
    }

    Snapshot data_;
};

TEST_F(SearchVolumeTest, SearchesOverTwentyThousandImportedRecipesFindWhatABruteForceCheckFinds) {
    ASSERT_NO_FATAL_FAILURE(Build());
    ASSERT_NO_FATAL_FAILURE(Read());
    ASSERT_GE(data_.recipes.size(), 19800u);
    const std::string common = UsedBy(data_.ingredientUse, 0.20);
    const std::string frequent = UsedBy(data_.ingredientUse, 0.08);
    const std::string rare = UsedBy(data_.ingredientUse, 0.01);
    const std::string category = UsedBy(data_.categoryUse, 0.10);
    const std::string smallCategory = UsedBy(data_.categoryUse, 0.02);
    SCOPED_TRACE(common + " / " + frequent + " / " + rare + " / " + category + " / " +
                 smallCategory);

    auto flag = [](char StoredRecipe::*field) {
        return [field](const StoredRecipe &r) { return r.*field == 'T'; };
    };
    auto known = [](const StoredRecipe &r) { return r.calories >= 0; };

    // Each criterion on its own, as the first step.
    Expect({{'O', {0, common}}}, {Contains(common)}, 1000);
    Expect({{'O', {0, Upper(rare)}}}, {Contains(rare)});
    Expect({{'N', {0, common}}}, {Not(Contains(common))}, 1000);
    Expect({{'A', {0, category}}}, {InCategory(category)}, 1000);
    Expect({{'X', {0, category}}}, {Not(InCategory(category))}, 1000);
    Expect({{'V', {}}}, {flag(&StoredRecipe::vegetarian)}, 1000);
    Expect({{'F', {'B', ""}}}, {[](const StoredRecipe &r) { return r.difficulty == 'B'; }}, 1000);
    Expect({{'P', {'<', "0:30"}}}, {[](const StoredRecipe &r) { return r.prep < 30; }}, 1000);

    // Combinations: every step after the first works on the previous step's recipes.
    Expect({{'O', {0, common}}, {'O', {0, frequent}}}, {Contains(common), Contains(frequent)});
    Expect({{'O', {0, frequent}}, {'N', {0, frequent}}},
           {Contains(frequent), Not(Contains(frequent))}, 0);
    Expect({{'P', {'<', "0:30"}}, {'V', {}}, {'O', {0, common}}, {'A', {0, category}}},
           {[](const StoredRecipe &r) { return r.prep < 30; }, flag(&StoredRecipe::vegetarian),
            Contains(common), InCategory(category)});
    Expect({{'C', {'<', "500"}}, {'S', {'>', "5.00"}}, {'G', {}}},
           {known, [](const StoredRecipe &r) { return r.calories < 500; },
            [](const StoredRecipe &r) { return r.cost >= 0.0f && r.cost > 5.0f; },
            flag(&StoredRecipe::glutenFree)});
    Expect({{'D', {}}, {'T', {'=', "1:30"}}, {'X', {0, smallCategory}}},
           {flag(&StoredRecipe::dairyFree), [](const StoredRecipe &r) { return r.total == 90; },
            Not(InCategory(smallCategory))});
    Expect({{'S', {'=', "2.50"}}, {'N', {0, rare}}, {'F', {'C', ""}}},
           {[](const StoredRecipe &r) { return r.cost == 2.5f; }, Not(Contains(rare)),
            [](const StoredRecipe &r) { return r.difficulty == 'C'; }},
           0);
    Expect({{'A', {0, smallCategory}}, {'C', {'>', "1000"}}, {'T', {'<', "2:00"}}},
           {InCategory(smallCategory), known,
            [](const StoredRecipe &r) { return r.calories > 1000 && r.total < 120; }});
}

}  // namespace
}  // namespace kw::planning
