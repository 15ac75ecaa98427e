// kwtool check against databases written through the data access classes and then damaged the
// way a crash or a stale rebuild leaves them: records the indexes do not know, entries whose
// record is gone or changed, a missing index file, a broken chain, a serial counter behind the
// records. Each case runs the real kwtool in the test's own working directory.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/core/recipe_database.h"
#include "app/core/recipe_database_test_support.h"
#include "app/core/schema.h"
#include "app/data/query.h"
#include "app/data/record.h"
#include "app/data/table.h"
#include "kwtool_run_test_support.h"

namespace kw {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

using namespace schema;

using kwtool::testing::KwtoolRun;

class CheckTest : public testing::RecipeDatabaseTest {
  protected:
    void SetUp() override {
        RecipeDatabaseTest::SetUp();
        ASSERT_EQ(CreateRecipeDatabase(db_, PathOf("DATA2")), KW_OK);
        AddRecipe("Scones", "Baking", {"Flour", "Butter", "Milk"});
        AddRecipe("Shortbread", "Baking", {"Flour", "Butter", "Sugar"});
        ASSERT_EQ(Insert(kTableCategory, {{kFieldName, "Baking"}}), KW_OK);
    }

    void AddRecipe(const std::string &name, const std::string &category,
                   const std::vector<std::string> &ingredients) {
        ASSERT_EQ(Insert(kTableRecipe, {{kFieldName, name}, {kFieldCategory, category}}), KW_OK);
        ASSERT_EQ(Insert(kTableRecipeCategory, {{kFieldName, name},
                                                {kFieldCategory, category},
                                                {kFieldOtherCategory, category}}),
                  KW_OK);
        for (const std::string &ingredient : ingredients)
            ASSERT_EQ(Insert(kTableRecipeIngredient, {{kFieldName, name},
                                                      {kFieldCategory, category},
                                                      {kFieldIngredient, ingredient}}),
                      KW_OK);
    }

    // Runs kwtool in the test's directory; the database is closed first unless it is to stay
    // open (and hold its files) while kwtool runs.
    KwtoolRun Kwtool(const std::string &arguments, bool keepOpen = false) {
        if (!keepOpen) db_.Close();
        return kwtool::testing::RunKwtool(dir_, arguments + " 2>&1");
    }

    // Overwrites 4 bytes of a database file.
    void Poke(const std::string &file, long offset, int32_t value) {
        std::fstream f(PathOf("DATA2/" + file), std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(offset);
        f.write(reinterpret_cast<const char *>(&value), 4);
        ASSERT_TRUE(f.good());
    }
    int32_t Peek(const std::string &file, long offset) {
        std::ifstream f(PathOf("DATA2/" + file), std::ios::binary);
        f.seekg(offset);
        int32_t value = 0;
        f.read(reinterpret_cast<char *>(&value), 4);
        return value;
    }
};

TEST_F(CheckTest, ASoundDatabaseIsConsistent) {
    const KwtoolRun text = Kwtool("check");
    EXPECT_EQ(text.status, 0) << text.out;
    EXPECT_THAT(text.out, HasSubstr("consistent (0 warnings)"));
    EXPECT_THAT(text.out, HasSubstr("KWRECING         6 records"));

    const KwtoolRun json = Kwtool("--json check");
    EXPECT_EQ(json.status, 0) << json.out;
    EXPECT_THAT(json.out, HasSubstr("\"consistent\":true,\"errorCount\":0,\"warningCount\":0"));
    EXPECT_THAT(json.out, HasSubstr("{\"number\":3,\"file\":\"KWLISTCT.i03\",\"present\":true"));
    EXPECT_THAT(json.out, Not(HasSubstr("KWTMPRES")));

    // The check changed nothing: the files are byte for byte what they were.
    const auto before = std::filesystem::last_write_time(PathOf("DATA2/KWRECIPE.dat"));
    EXPECT_EQ(Kwtool("check").status, 0);
    EXPECT_EQ(std::filesystem::last_write_time(PathOf("DATA2/KWRECIPE.dat")), before);
}

TEST_F(CheckTest, ARecordNoIndexKnowsIsAnError) {
    CKWRecord record;
    ASSERT_EQ(record.OpenByName(&db_, kTableRecipe), KW_OK);
    ASSERT_EQ(record.ClearRecord(), KW_OK);
    ASSERT_EQ(record.PutString(kFieldName, "Flapjack"), KW_OK);
    ASSERT_EQ(record.PutString(kFieldCategory, "Baking"), KW_OK);
    ASSERT_EQ(record.QuickAdd(), KW_OK);
    record.Close();
    const KwtoolRun run = Kwtool("check");
    EXPECT_EQ(run.status, 1) << run.out;
    for (const char *file : {"KWRECIPE.i00", "KWRECIPE.i01", "KWRECIPE.i02", "KWRECIPE.i03"})
        EXPECT_THAT(run.out, HasSubstr(std::string(file) + ": the record at offset ")) << file;
    EXPECT_THAT(run.out, HasSubstr("(NAME \"Flapjack\", CATEGORY \"Baking\") has no entry"));
    EXPECT_THAT(run.out, HasSubstr("KWRECIPE.i00: holds 2 entries for 3 records"));
    EXPECT_THAT(run.out, HasSubstr("NOT consistent"));
}

TEST_F(CheckTest, EntriesOfADeletedOrChangedRecordAreErrors) {
    CKWRecord record;
    CKWQuery query;
    ASSERT_EQ(record.OpenByName(&db_, kTableRecipeIngredient), KW_OK);
    ASSERT_EQ(query.SetIndex(&record, kRecipeIngredientByIngredient), KW_OK);
    ASSERT_EQ(query.GetFirst(), KW_OK);  // Butter of Scones
    ASSERT_EQ(record.QuickDelete(), KW_OK);
    ASSERT_EQ(query.GetLast(), KW_OK);  // Sugar
    ASSERT_EQ(record.PutString(kFieldIngredient, "Honey"), KW_OK);
    ASSERT_EQ(record.QuickUpdate(), KW_OK);
    record.Close();

    const KwtoolRun run = Kwtool("check");
    EXPECT_EQ(run.status, 1) << run.out;
    EXPECT_THAT(run.out, HasSubstr("KWRECING.i02: entry 1 points at offset "));
    EXPECT_THAT(run.out, HasSubstr("which is not a record on the chain of KWRECING.dat"));
    EXPECT_THAT(run.out,
                HasSubstr("KWRECING.i02: entry 6 holds the key \"Sugar\" + #5 but the record "
                          "at offset "));
    EXPECT_THAT(run.out,
                HasSubstr("(NAME \"Shortbread\", CATEGORY \"Baking\") gives \"Honey\" + #5"));
    // Index 0 (recipe) is unchanged by the new ingredient name: only the deleted line shows.
    EXPECT_THAT(run.out, HasSubstr("KWRECING.i00: holds 6 entries for 5 records"));
}

TEST_F(CheckTest, AMissingIndexFileIsAnError) {
    db_.Close();
    ASSERT_TRUE(std::filesystem::remove(PathOf("DATA2/KWLISTCT.i02")));
    const KwtoolRun run = Kwtool("--json check");
    EXPECT_EQ(run.status, 1) << run.out;
    EXPECT_THAT(run.out,
                HasSubstr("{\"place\":\"KWLISTCT.i02\",\"text\":\"the index file is missing\"}"));
    // The check did not make the file again.
    EXPECT_FALSE(std::filesystem::exists(PathOf("DATA2/KWLISTCT.i02")));
}

TEST_F(CheckTest, ABrokenChainIsAnError) {
    db_.Close();
    // The first record block of KWRECIPE links to a block that is not there.
    const int32_t first = Peek("KWRECIPE.dat", 16);
    ASSERT_GT(first, 0);
    Poke("KWRECIPE.dat", first + 16, 7);
    const KwtoolRun run = Kwtool("check");
    EXPECT_EQ(run.status, 1) << run.out;
    EXPECT_THAT(run.out, HasSubstr("KWRECIPE.dat: the record chain breaks after 0 records (403)"));
    EXPECT_THAT(run.out,
                HasSubstr("KWRECIPE.i00: entry 1 points at offset " + std::to_string(first) +
                          ", which is not a record on the chain of KWRECIPE.dat"));
    // With the recipes out of reach, their lines are not reported as orphans.
    EXPECT_THAT(run.out, Not(HasSubstr("warnings (")));
}

TEST_F(CheckTest, ASerialCounterBehindTheRecordsIsAnError) {
    db_.Close();
    Poke("KWRECING.dat", 12, 2);  // six lines hold serials 0 to 5
    const KwtoolRun run = Kwtool("check");
    EXPECT_EQ(run.status, 1) << run.out;
    EXPECT_THAT(run.out,
                HasSubstr("KWRECING.dat: the next serial number 2 is not above the highest "
                          "stored one, 5"));
}

TEST_F(CheckTest, BrokenRelationsAreWarningsOnly) {
    ASSERT_EQ(
        Insert(kTableRecipeIngredient,
               {{kFieldName, "Ghost"}, {kFieldCategory, "Baking"}, {kFieldIngredient, "Air"}}),
        KW_OK);
    ASSERT_EQ(Insert(kTableRecipe, {{kFieldName, "Flapjack"}, {kFieldCategory, "Traybakes"}}),
              KW_OK);
    ASSERT_EQ(Insert(kTableMealItem, {{kFieldName, "Picnic"},
                                      {kFieldRecipe, "scones"},
                                      {kFieldCategory, "BAKING"},
                                      {kFieldType, "M"}}),
              KW_OK);
    ASSERT_EQ(Insert(kTableListItem, {{kFieldName, "Weekly"}, {kFieldIngredient, "Milk"}}), KW_OK);
    const KwtoolRun run = Kwtool("check");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_THAT(run.out,
                HasSubstr("KWRECING: 1 ingredient line of recipe \"Ghost\" [Baking], which "
                          "does not exist"));
    EXPECT_THAT(run.out,
                HasSubstr("KWRCPCAT: recipe \"Flapjack\" [Traybakes] has no link to its own "
                          "category"));
    EXPECT_THAT(run.out, HasSubstr("KWCAT: category \"Traybakes\" (used by 1 recipe) is not in the "
                                   "category list"));
    EXPECT_THAT(run.out, HasSubstr("KWMEALCT: 1 entry of meal \"Picnic\", which does not exist"));
    // The meal's recipe exists: names compare with case ignored.
    EXPECT_THAT(run.out, Not(HasSubstr("meal entry holds")));
    EXPECT_THAT(run.out, HasSubstr("KWLISTCT: 1 item of shopping list \"Weekly\""));
    EXPECT_THAT(run.out, HasSubstr("consistent (5 warnings)"));
}

TEST_F(CheckTest, TheSearchTableIsCheckedOnceItExists) {
    CKWTable *results = db_.AddTableWithIndexes(SearchResultTable());
    ASSERT_NE(results, nullptr);
    ASSERT_EQ(results->Open(), KW_OK);
    ASSERT_EQ(Insert(kTableSearchResult,
                     {{kFieldName, "Scones"}, {kFieldCategory, "Baking"}, {kFieldHits, 1}}),
              KW_OK);
    CKWRecord record;
    ASSERT_EQ(record.Open(results), KW_OK);
    ASSERT_EQ(record.ClearRecord(), KW_OK);
    ASSERT_EQ(record.PutInt(kFieldHits, 2), KW_OK);
    ASSERT_EQ(record.QuickAdd(), KW_OK);
    record.Close();
    const KwtoolRun run = Kwtool("check");
    EXPECT_EQ(run.status, 1) << run.out;
    EXPECT_THAT(run.out, HasSubstr("KWTMPRES         2 records   entries: i00 1, i01 1"));
    EXPECT_THAT(run.out, HasSubstr("KWTMPRES.i01: holds 1 entry for 2 records"));
}

TEST_F(CheckTest, ADatabaseInUseIsRefused) {
    // db_ holds every table file open with its lock, as the running program does.
    const KwtoolRun run = Kwtool("check", /*keepOpen=*/true);
    EXPECT_EQ(run.status, 3);  // not checked, which a caller must not take for "not consistent"
    EXPECT_THAT(run.out, HasSubstr("is in use by another program"));
    EXPECT_THAT(run.out, Not(HasSubstr("consistent")));
}

TEST_F(CheckTest, AnUncleanLastRunIsNotedAndADatabaseNotThereIsNotChecked) {
    std::ofstream(PathOf("recipe.INI")) << "[Status]\nClean=0\n";
    KwtoolRun run = Kwtool("check");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_THAT(run.out, HasSubstr("the last run here did not end cleanly"));
    EXPECT_THAT(run.out, HasSubstr("consistent (0 warnings)"));

    std::ofstream(PathOf("recipe.INI")) << "[Status]\nClean=1\n";
    run = Kwtool("check");
    EXPECT_THAT(run.out, Not(HasSubstr("did not end cleanly")));

    run = Kwtool("check " + PathOf("nowhere"));
    EXPECT_EQ(run.status, 3) << run.out;
    EXPECT_THAT(run.out, HasSubstr("does not exist"));
}

}  // namespace
}  // namespace kw
