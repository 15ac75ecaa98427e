// The search's walks over every recipe read a few fields of all recipes in one pass of the store
// (stored_recipes.h). Here they are checked against whole-record reads of each recipe through
// KWRECIPE's index, tested with the record-reading tester: the same recipes, spelt as stored, on
// a database whose store order differs from every index order (deleted recipes' blocks reused),
// and the engine's failure when a recipe's record is damaged instead of a silent skip.
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "app/planning/criteria_selection.h"
#include "app/planning/criterion_tests.h"
#include "app/planning/planning_test_support.h"
#include "app/planning/recipe_search.h"
#include "app/planning/stored_recipes.h"
#include "platform/file.h"

namespace kw::planning {
namespace {

using namespace kw::schema;
using Listed = std::set<std::string>;

struct Criterion {
    char code;
    char option;
    std::string data;
};

// The KWRECIPE record is 4253 bytes (its fields and the engine's one byte more); its blocks follow
// one another from offset 32 in the order the recipes were added (24-byte block header first).
constexpr int64_t kRecipeBlock = 24 + 4253;
constexpr int64_t kFirstRecipe = 32;

class SearchStoredReadTest : public testing::PlanningDatabaseTest {
  protected:
    // Recipes with every tested field varied, names in mixed case.
    void AddRandomRecipes(int count, int first) {
        static const char *const kDifficulties[] = {"A", "B", "C", ""};
        for (int i = first; i < first + count; ++i) {
            testing::RecipeFields fields;
            fields.prepTime = static_cast<int32_t>(random_() % 8) * 15;
            fields.totalTime = static_cast<int32_t>(random_() % 6) * 30;
            fields.calories = static_cast<int32_t>(random_() % 12) * 100 - 100;
            fields.cost = static_cast<float>(random_() % 14) * 0.25f - 0.25f;
            fields.vegetarian = random_() % 2;
            fields.glutenFree = random_() % 3 == 0;
            fields.dairyFree = random_() % 4 == 0;
            fields.difficulty = kDifficulties[random_() % 4];
            if (random_() % 3 == 0) fields.otherCategories = {"Quick"};
            std::vector<std::string> lines;
            if (random_() % 2) lines.push_back(random_() % 2 ? "Salt" : "SALT");
            if (random_() % 2) lines.push_back("Flour");
            if (i % 40 == 3) lines.push_back("Saffron");
            const std::string name = (i % 2 ? "Stew " : "stew ") + std::to_string(i);
            AddRecipe(name, "Cat" + std::to_string(random_() % 3), lines, fields);
        }
    }

    // Deletes every n-th recipe's KWRECIPE record in name order (its lines and links stay).
    void DeleteEvery(int n) {
        std::vector<std::pair<std::string, std::string>> recipes;
        ForEachRecord(kTableRecipe, kRecipeByName, [&](CKWRecord &record) {
            recipes.emplace_back(Text(record, kFieldName), Text(record, kFieldCategory));
        });
        CKWRecord record;
        ASSERT_EQ(record.OpenByName(&db_, kTableRecipe), KW_OK);
        CKWQuery byKey;
        byKey.SetIndex(&record, kRecipeByCategoryName);
        for (size_t i = static_cast<size_t>(n) - 1; i < recipes.size();
             i += static_cast<size_t>(n)) {
            ASSERT_EQ(record.ClearRecord(), KW_OK);
            ASSERT_EQ(record.PutString(kFieldName, recipes[i].first), KW_OK);
            ASSERT_EQ(record.PutString(kFieldCategory, recipes[i].second), KW_OK);
            ASSERT_EQ(byKey.GetExactFromRecord(), KW_OK);
            ASSERT_EQ(record.Delete(), KW_OK);
        }
    }

    // count recipes, every n-th deleted, then more recipes that take the deleted ones' blocks:
    // the store's order is then neither the serial nor any key order.
    void AddWithReusedBlocks(int count, int n, int more) {
        AddRandomRecipes(count, 0);
        DeleteEvery(n);
        AddRandomRecipes(more, 1000);
    }

    std::vector<SelectedCriterion> Selection(const std::vector<Criterion> &criteria) {
        CriteriaSelection selection;
        for (const Criterion &c : criteria) {
            const int row = selection.Add(*FindCriterionByCode(c.code));
            selection.Row(static_cast<size_t>(row))->options = c.option;
            selection.Row(static_cast<size_t>(row))->data = c.data;
        }
        return selection.Rows();
    }

    Listed Results() {
        Listed listed;
        ForEachRecord(kTableSearchResult, kSearchResultByRecipe, [&](CKWRecord &record) {
            listed.insert(Text(record, kFieldName) + "/" + Text(record, kFieldCategory));
        });
        return listed;
    }

    // Every recipe reached through KWRECIPE's index with its whole record read, tested by the
    // tester that reads the record's own field.
    Listed WholeRecordAnswer(const Criterion &c, int *recipes) {
        const PreparedCriterion prepared = PrepareCriterion(Selection({c}).front());
        RecipeCandidateTester tester(db_);
        EXPECT_EQ(tester.Ready(), KW_OK);
        Listed listed;
        *recipes = 0;
        ForEachRecord(kTableRecipe, kRecipeByCategoryName, [&](CKWRecord &record) {
            ++*recipes;
            RecipeKeyBytes key;
            ASSERT_EQ(ReadRecipeKey(record, &key), KW_OK);
            bool passes = false;
            ASSERT_EQ(tester.Test(prepared, key, record, &passes), KW_OK);
            if (passes)
                listed.insert(Text(record, kFieldName) + "/" + Text(record, kFieldCategory));
        });
        return listed;
    }

    SearchOutcome Search(const std::vector<Criterion> &criteria) {
        NullProgress progress;
        return RunRecipeSearch(db_, Selection(criteria), progress);
    }

    std::string RecipeStore() const { return PathOf("DATA2") + "/KWRECIPE.dat"; }

    // Closes the database, writes value at offset of the recipe store, and opens it again.
    void PatchRecipeStore(int64_t offset, int32_t value) {
        db_.Close();
        auto file = platform::OpenExclusive(RecipeStore(), platform::OpenMode::kExisting);
        ASSERT_TRUE(file);
        uint8_t raw[4];
        for (int i = 0; i < 4; ++i)
            raw[i] = static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i));
        ASSERT_EQ(file->WriteAt(offset, raw, 4), 4);
        file.reset();
        ASSERT_EQ(OpenRecipeDatabase(db_), KW_OK);
    }

    std::mt19937 random_{2024};
};

// Every first step that reads the recipes themselves. The ingredients and categories named by many
// lines and links are confirmed in one pass over the recipes, "Saffron" (in a few recipes only)
// by a look-up per line, once the first searches made the number of recipes known.
const std::vector<Criterion> kFirstStepCriteria = {
    {'P', '<', "0:30"},  {'P', '=', "0:45"}, {'P', '>', "1:00"}, {'T', '>', "1:00"},
    {'T', '=', "0:00"},  {'C', '<', "500"},  {'C', '=', "0"},    {'C', '>', "-5"},
    {'S', '=', "2.50"},  {'S', '<', "1.00"}, {'S', '>', "0"},    {'F', 'B', ""},
    {'F', 'A', ""},      {'G', 0, ""},       {'D', 0, ""},       {'N', 0, "salt"},
    {'N', 0, "Flour"},   {'X', 0, "Quick"},  {'X', 0, "cat1"},   {'O', 0, "salt"},
    {'O', 0, "FLOUR"},   {'A', 0, "Quick"},  {'A', 0, "cat2"},   {'O', 0, "saffron"},
    {'A', 0, "Nowhere"},
};

TEST_F(SearchStoredReadTest, FirstStepsFindWhatWholeRecordReadsOfEveryRecipeFind) {
    AddWithReusedBlocks(120, 7, 30);
    AddRecipe("Paella", "Cat1", {"Saffron", "Rice"});
    AddRecipe("Saffron bun", "cat2", {"SAFFRON"});
    for (const Criterion &c : kFirstStepCriteria) {
        SCOPED_TRACE(std::string(1, c.code) + c.option + c.data);
        int recipes = 0;
        const Listed expected = WholeRecordAnswer(c, &recipes);
        const SearchOutcome outcome = Search({c});
        ASSERT_EQ(outcome.result, KW_OK);
        ASSERT_EQ(outcome.stepReports.size(), 1u);
        // Their candidates are the lines or links naming the value, deleted recipes' included.
        if (c.code != 'O' && c.code != 'A') {
            EXPECT_EQ(outcome.stepReports[0].candidates, recipes);
        }
        EXPECT_EQ(outcome.stepReports[0].matches, static_cast<int>(expected.size()));
        EXPECT_EQ(Results(), expected);
    }
}

TEST_F(SearchStoredReadTest, LaterStepsFindWhatWholeRecordReadsOfTheirCandidatesFind) {
    AddWithReusedBlocks(120, 9, 20);
    // Many candidates for the second step (tested in one pass over the recipes), then few (each
    // candidate's recipe looked up).
    const std::vector<std::pair<Criterion, Criterion>> pairs = {
        {{'N', 0, "salt"}, {'P', '<', "0:30"}}, {{'X', 0, "Cat0"}, {'S', '=', "1.50"}},
        {{'A', 0, "Quick"}, {'F', 'C', ""}},    {{'O', 0, "saffron"}, {'C', '<', "500"}},
        {{'O', 0, "saffron"}, {'G', 0, ""}},    {{'P', '>', "1:30"}, {'T', '>', "1:00"}},
    };
    AddRecipe("Paella", "Cat1", {"Saffron", "Rice"});
    for (const auto &[first, second] : pairs) {
        SCOPED_TRACE(std::string(1, first.code) + first.data + " then " + second.code);
        int recipes = 0;
        const Listed a = WholeRecordAnswer(first, &recipes);
        const Listed b = WholeRecordAnswer(second, &recipes);
        Listed expected;
        for (const std::string &recipe : a)
            if (b.count(recipe)) expected.insert(recipe);
        const SearchOutcome outcome = Search({first, second});
        ASSERT_EQ(outcome.result, KW_OK);
        ASSERT_EQ(outcome.stepReports.size(), 2u);
        EXPECT_EQ(outcome.stepReports[1].candidates, static_cast<int>(a.size()));
        EXPECT_EQ(outcome.stepReports[1].matches, static_cast<int>(expected.size()));
        EXPECT_EQ(Results(), expected);
    }
}

TEST_F(SearchStoredReadTest, StoredRecipesAreTheRecordsOfTheStoreSpeltAsStored) {
    AddWithReusedBlocks(40, 5, 10);
    StoredRecipes stored;
    ASSERT_EQ(stored.Read(*db_.FindTable(kTableRecipe), kFieldPrepTime), KW_OK);
    EXPECT_EQ(stored.FieldType(), 'I');
    ASSERT_EQ(stored.FieldWidth(), 4);
    std::multiset<std::string> fromStore, fromIndex;
    for (size_t i = 0; i < stored.Count(); ++i) {
        const RecipeKeyBytes key = stored.Key(i);
        int32_t prep = 0;
        std::memcpy(&prep, stored.Field(i), 4);
        fromStore.insert(std::string(key.name, strnlen(key.name, sizeof key.name)) + "/" +
                         std::string(key.category, strnlen(key.category, sizeof key.category)) +
                         "/" + std::to_string(prep));
    }
    ForEachRecord(kTableRecipe, kRecipeByCategoryName, [&](CKWRecord &record) {
        fromIndex.insert(Text(record, kFieldName) + "/" + Text(record, kFieldCategory) + "/" +
                         std::to_string(Number(record, kFieldPrepTime)));
    });
    EXPECT_EQ(fromStore, fromIndex);
    EXPECT_EQ(stored.Count(), fromIndex.size());
    // Found case ignored, as the CATEGORY+NAME index finds them.
    stored.IndexByKey();
    for (size_t i = 0; i < stored.Count(); ++i) {
        RecipeKeyBytes key = stored.Key(i);
        for (char &c : key.name)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        EXPECT_EQ(stored.Find(key), static_cast<int64_t>(i));
    }
    RecipeKeyBytes absent = {};
    std::memcpy(absent.name, "Nothing", 7);
    EXPECT_EQ(stored.Find(absent), -1);
}

TEST_F(SearchStoredReadTest, ADamagedRecipeBlockFailsTheWalkWith403AndListsNothing) {
    AddRandomRecipes(6, 0);
    PatchRecipeStore(kFirstRecipe + 3 * kRecipeBlock, 0x0BADF00D);  // the fourth block's magic
    for (const Criterion &c : {Criterion{'P', '<', "9:00"}, Criterion{'N', 0, "Nothing"}}) {
        const SearchOutcome outcome = Search({c});
        EXPECT_EQ(outcome.result, STERR_BADBLOCK);
        EXPECT_TRUE(Results().empty());
    }
}

TEST_F(SearchStoredReadTest, ARecipeRecordCutShortFailsTheWalkWith519) {
    AddRandomRecipes(6, 0);
    // The second record's used length ends inside METHOD: NAME and CATEGORY are still whole.
    PatchRecipeStore(kFirstRecipe + kRecipeBlock + 8, 100);
    const SearchOutcome outcome = Search({{'T', '<', "9:00"}});
    EXPECT_EQ(outcome.result, KWERR_RECLEN);
    EXPECT_TRUE(Results().empty());
}

}  // namespace
}  // namespace kw::planning
