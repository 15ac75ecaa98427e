// Deferred index upkeep (KW_DBDeferIndexes): the same inserts made once with the indexes kept up
// to date and once deferred must give the same results, refusals, records and index walks, and
// the same cursor for a Next or Prev after the last insert; reads settle a deferred table first;
// a build that fails keeps the table deferred, fails what needs the indexes and fails the close.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "btree.h"
#include "deferred_indexes.h"
#include "record_test_support.h"

namespace kw::engine {
namespace {

using testing::RecordTest;
using testing::Row;

// What one run of the insert script gave.
struct ScriptRun {
    std::vector<KWRESULT> results;  // of every insert and cursor move, in order
    std::vector<Row> moved;         // the records the cursor moves reached
    std::vector<Row> byCategoryName, byCategoryNameBackwards, byName, byNameBackwards, chain;
    int32_t count = -1;
};

class DeferredIndexTest : public RecordTest {
  protected:
    // Opens a table of its own, laid out as the fixture's, for one run (the fixture's helpers
    // then work on it).
    void OpenRunTable(testing::TableDefinition &table) {
        OpenTable(table.def, {&byCategoryName_, &byName_}, &tbl_, &inst_);
    }

    // Names that mix records kept, duplicates of records stored before (in another case) and
    // duplicates of records of the same run.
    static std::string NameOf(int i) {
        return (i % 2 ? "DISH " : "Dish ") + std::to_string((i * 37) % 101);
    }
    static std::string CategoryOf(int i) { return i % 3 == 0 ? "soups" : "Baking"; }

    void Note(ScriptRun *run, KWRESULT r) {
        run->results.push_back(r);
        if (r == KW_OK) run->moved.push_back(Current(inst_));
    }

    // The script: records stored before the deferral, many inserts (the deferral around them
    // when defer), then cursor moves that continue from where the inserts left each index.
    ScriptRun RunScript(bool defer, bool lastRefused) {
        ScriptRun run;
        run.results.push_back(Insert("Dish 5", "SOUPS"));
        run.results.push_back(Insert("Dish 7", "baking"));
        if (defer) {
            EXPECT_EQ(KW_DBDeferIndexes(db_, tbl_, 1), KW_OK);
        }
        for (int i = 0; i < 300; ++i)
            run.results.push_back(Insert(NameOf(i), CategoryOf(i), i));
        if (lastRefused) run.results.push_back(Insert("DISH 5", "Soups"));
        if (defer) {
            EXPECT_NE(Slot().deferred, nullptr);
        }
        Note(&run, KW_DBGetNextRecord(db_, tbl_, 1, inst_, nullptr, 0));
        Note(&run, KW_DBGetPrevRecord(db_, tbl_, 0, inst_, nullptr, 0));
        Note(&run, KW_DBGetPrevRecord(db_, tbl_, 0, inst_, nullptr, 0));
        EXPECT_EQ(Slot().deferred, nullptr);  // the first move settled the table
        Note(&run, KW_DBGetNextRecord(db_, tbl_, 0, inst_, nullptr, 0));
        run.byCategoryName = Scan(0);
        run.byCategoryNameBackwards = Scan(0, false);
        run.byName = Scan(1);
        run.byNameBackwards = Scan(1, false);
        run.chain = ChainRows();
        EXPECT_EQ(KW_DBGetCount(db_, tbl_, &run.count), KW_OK);
        return run;
    }

    void ExpectSameRuns(bool lastRefused) {
        OpenRunTable(live_);
        const ScriptRun live = RunScript(false, lastRefused);
        OpenRunTable(deferred_);
        const ScriptRun deferred = RunScript(true, lastRefused);
        EXPECT_EQ(deferred.results, live.results);
        EXPECT_EQ(deferred.moved, live.moved);
        EXPECT_EQ(deferred.byCategoryName, live.byCategoryName);
        EXPECT_EQ(deferred.byCategoryNameBackwards, live.byCategoryNameBackwards);
        EXPECT_EQ(deferred.byName, live.byName);
        EXPECT_EQ(deferred.byNameBackwards, live.byNameBackwards);
        EXPECT_EQ(deferred.chain, live.chain);
        EXPECT_EQ(deferred.count, live.count);
        // The script refuses duplicates of both kinds, so the comparison means something.
        EXPECT_GT(std::count(live.results.begin(), live.results.end(), BTERR_DUPLICATE), 90);
        EXPECT_EQ(live.byName.size(), static_cast<size_t>(live.count));
    }

    testing::TableDefinition live_{"KWLIVE", RecipeFields()}, deferred_{"KWDEFER", RecipeFields()};

  private:
    static std::vector<KW_FieldDef> RecipeFields() {
        return {testing::Field("NAME", 'C', kNameWidth),
                testing::Field("CATEGORY", 'C', kCategoryWidth), testing::Field("MINUTES", 'I', 4),
                testing::Field("ID", 'U', 4)};
    }
};

TEST_F(DeferredIndexTest, DeferredInsertsGiveTheRefusalsRecordsWalksAndCursorsOfLiveOnes) {
    ExpectSameRuns(false);
}

TEST_F(DeferredIndexTest, ACursorMoveAfterARefusedLastInsertContinuesAsItWouldLive) {
    ExpectSameRuns(true);
}

TEST_F(DeferredIndexTest, AnExactReadThroughADeferredIndexFindsTheRecordsAddedSince) {
    ASSERT_EQ(KW_DBDeferIndexes(db_, tbl_, 1), KW_OK);
    for (int i = 0; i < 50; ++i)
        ASSERT_EQ(Insert("Dish " + std::to_string(i), "Soups", i), KW_OK);
    EXPECT_EQ(Insert("dish 10", "SOUPS"), BTERR_DUPLICATE);
    ASSERT_NE(Slot().deferred, nullptr);
    const std::string key = "SOUPS";
    std::vector<char> wanted(kCategoryWidth + kNameWidth, 0);
    std::copy(key.begin(), key.end(), wanted.begin());
    const std::string name = "DISH 42";
    std::copy(name.begin(), name.end(), wanted.begin() + kCategoryWidth);
    ASSERT_EQ(KW_DBGetExactRecord(db_, tbl_, 0, inst_, wanted.data(),
                                  static_cast<int32_t>(wanted.size()), 0),
              KW_OK);
    EXPECT_EQ(Current(inst_), (Row{"Dish 42", "Soups", 42, 42}));
    EXPECT_EQ(Slot().deferred, nullptr);
    EXPECT_EQ(Scan(1).size(), 50u);
}

TEST_F(DeferredIndexTest, ADeferralWithoutRecordsLeavesTheIndexFilesUntouched) {
    ASSERT_EQ(Insert("Dish 1", "Soups"), KW_OK);
    ASSERT_EQ(KW_DBFlushTable(db_, tbl_), KW_OK);
    const std::string before = ReadFile(Path("RECS/KWRECIPE.i00"));
    ASSERT_EQ(KW_DBDeferIndexes(db_, tbl_, 1), KW_OK);
    EXPECT_EQ(Insert("DISH 1", "soups"), BTERR_DUPLICATE);
    ASSERT_EQ(KW_DBDeferIndexes(db_, tbl_, 0), KW_OK);
    ASSERT_EQ(KW_DBFlushTable(db_, tbl_), KW_OK);
    EXPECT_EQ(ReadFile(Path("RECS/KWRECIPE.i00")), before);
    EXPECT_EQ(KW_DBDeferIndexes(db_, tbl_ + 1, 1), KWERR_BADHANDLE);
}

// A record quick-added before the deferral is in the chain but not in the unique index, so a
// deferred insert of the same key is taken (as a live one would be) and the build meets two
// records with one unique key: it fails, as a reindex would, every time it is tried.
TEST_F(DeferredIndexTest, AFailedBuildKeepsTheTableDeferredFailsItsReadersAndItsClose) {
    Compose(inst_, "Dish 1", "Soups");
    ASSERT_EQ(KW_DBQuickAddRecord(db_, tbl_, inst_), KW_OK);
    ASSERT_EQ(KW_DBDeferIndexes(db_, tbl_, 1), KW_OK);
    ASSERT_EQ(Insert("dish 1", "SOUPS"), KW_OK);
    ASSERT_EQ(Insert("Dish 2", "Soups"), KW_OK);

    EXPECT_EQ(KW_DBDeferIndexes(db_, tbl_, 0), BTERR_DUPLICATE);
    EXPECT_NE(Slot().deferred, nullptr);
    EXPECT_EQ(KW_DBGetFirstRecord(db_, tbl_, 1, inst_, nullptr, 0), BTERR_DUPLICATE);
    EXPECT_EQ(Insert("Dish 3", "Soups"), BTERR_DUPLICATE);  // the build tried again
    EXPECT_EQ(KW_DBCloseTable(db_, tbl_), KWERR_EXTENDED);
    EXPECT_EQ(KW_DBGetExtendedError(), BTERR_DUPLICATE);
    EXPECT_EQ(Slot().deferred, nullptr);

    // The files were closed all the same: the table opens again, and its rebuild fails alike.
    ASSERT_EQ(KW_DBOpenTable(db_, tbl_), KW_OK);
    EXPECT_EQ(KW_DBReindexTable(db_, tbl_), BTERR_DUPLICATE);
}

TEST_F(DeferredIndexTest, TheHeldKeyHashIgnoresLetterCaseOnly) {
    const KeyLayout &layout = *Slot().indexes[0].layout;
    std::vector<uint8_t> a(static_cast<size_t>(layout.keyLength), 0), b = a;
    const std::string upper = "SOUPS", lower = "soups";
    std::copy(upper.begin(), upper.end(), a.begin());
    std::copy(lower.begin(), lower.end(), b.begin());
    EXPECT_EQ(EqualKeysHash(layout, a.data()), EqualKeysHash(layout, b.data()));
    b[0] = 'T';
    EXPECT_NE(EqualKeysHash(layout, a.data()), EqualKeysHash(layout, b.data()));
}

}  // namespace
}  // namespace kw::engine
