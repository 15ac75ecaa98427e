// The reindex's sorted build against the indexes that indexed writes grew: on random records with
// repeated names in both letter cases, negative and positive numbers, deleted records and reused
// blocks (so the chain leaves file order), every index — unique and not, case ignored and not, on
// characters and on a signed integer — walked by its cursor gives the same keys and references
// after the rebuild, also when built in key ranges; and a rebuild killed part-way leaves a
// database that the next rebuild brings back to exactly that.
#include <gtest/gtest.h>

#include <random>

#include "btree.h"
#include "platform/kill_test_support.h"
#include "record_test_support.h"
#include "reindex_limit.h"

namespace kw::engine::testing {
namespace {

using IndexWalk = std::vector<std::pair<std::string, int32_t>>;

class SortedReindexTest : public RecordTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        OpenWithFourIndexes();
    }

    // The fixture's table with two more indexes: MINUTES (signed) and NAME with case.
    void OpenWithFourIndexes() {
        db_ = CreateAndOpen("RECS");
        OpenTable(recipe_.def, {&byCategoryName_, &byName_, &byMinutes_, &byNameWithCase_}, &tbl_,
                  &inst_);
    }

    // Records with names repeated across categories and in other letter cases, a quarter of them
    // deleted, then more added into the freed blocks.
    void FillRandomly(int records, uint32_t seed) {
        std::mt19937 rng(seed);
        const char *names[] = {"Stew", "stew", "Pie", "Apple Pie", "Soup", "SOUP", "Bread", "Tart"};
        const char *categories[] = {"Mains", "Desserts", "Soups", "Baking", "Starters"};
        auto add = [&]() {
            const std::string name =
                std::string(names[rng() % 8]) + " " + std::to_string(rng() % (records / 4 + 1));
            const auto minutes = static_cast<int32_t>(rng() % 2000) - 1000;
            const KWRESULT r = Insert(name, categories[rng() % 5], minutes);
            ASSERT_TRUE(r == KW_OK || r == BTERR_DUPLICATE) << r;
        };
        for (int i = 0; i < records; ++i)
            add();
        for (const Row &row : Scan(0)) {
            if (rng() % 4 != 0) continue;
            std::string key(kCategoryWidth + kNameWidth, '\0');
            key.replace(0, row.category.size(), row.category);
            key.replace(kCategoryWidth, row.name.size(), row.name);
            ASSERT_EQ(KW_DBGetExactRecord(db_, tbl_, 0, inst_, key.data(),
                                          static_cast<int32_t>(key.size()), 0),
                      KW_OK);
            ASSERT_EQ(KW_DBDeleteRecord(db_, tbl_, inst_), KW_OK);
        }
        for (int i = 0; i < records / 8; ++i)
            add();
    }

    IndexWalk WalkIndex(size_t index) {
        IndexWalk walk;
        BTree &tree = *Slot().indexes[index].tree;
        EXPECT_TRUE(tree.First());
        uint8_t key[kMaxKeyBuffer];
        int32_t length = 0, ref = 0;
        while (tree.Next(key, &length, &ref) == 0)
            walk.emplace_back(std::string(reinterpret_cast<char *>(key), length), ref);
        return walk;
    }

    std::vector<IndexWalk> WalkIndexes() {
        return {WalkIndex(0), WalkIndex(1), WalkIndex(2), WalkIndex(3)};
    }

    KW_IndexDef byMinutes_ = Index(2, "MINUTES", KW_KEY_INT | KW_KEY_SIGNED);
    KW_IndexDef byNameWithCase_ = Index(3, "NAME", KW_KEY_CHAR);
};

TEST_F(SortedReindexTest, RebuiltIndexesWalkLikeTheOnesIndexedWritesGrew) {
    FillRandomly(3000, 42);
    const std::vector<IndexWalk> grown = WalkIndexes();
    const std::vector<Row> byName = Scan(1);
    ASSERT_GT(grown[0].size(), 2000u);
    // Chain order is not file order once freed blocks were reused.
    std::vector<int32_t> refs;
    for (const auto &record : Chain())
        refs.push_back(record.first);
    ASSERT_FALSE(std::is_sorted(refs.begin(), refs.end()));

    ASSERT_EQ(KW_DBReindexTable(db_, tbl_), KW_OK);
    EXPECT_EQ(WalkIndexes(), grown);
    EXPECT_EQ(Scan(1), byName);
    std::vector<Row> backwards = Scan(1, false);
    std::reverse(backwards.begin(), backwards.end());
    EXPECT_EQ(backwards, byName);
    int32_t count = -1;
    ASSERT_EQ(KW_DBGetCount(db_, tbl_, &count), KW_OK);
    EXPECT_EQ(static_cast<size_t>(count), grown[1].size());

    // The same after the files are closed and opened again, and indexed writes go on from there.
    CloseAll();
    OpenWithFourIndexes();
    EXPECT_EQ(WalkIndexes(), grown);
    ASSERT_EQ(Insert("Zucchini Bake", "Mains"), KW_OK);
    ASSERT_EQ(Insert("zucchini bake", "mains"), BTERR_DUPLICATE);
    EXPECT_EQ(Scan(1).size(), byName.size() + 1);
}

// Keys of more than the memory limit: gathered, sorted and added in key ranges cut at sampled
// keys; the ranges must join into the same index, with no key lost or taken twice.
TEST_F(SortedReindexTest, IndexesLargerThanTheMemoryLimitAreBuiltInKeyRanges) {
    FillRandomly(3000, 5);
    const std::vector<IndexWalk> grown = WalkIndexes();
    for (size_t limit : {size_t{1000}, size_t{4096}, size_t{40000}}) {
        SCOPED_TRACE(limit);
        SetSortedBuildLimitForTesting(limit);
        const KWRESULT result = KW_DBReindexTable(db_, tbl_);
        SetSortedBuildLimitForTesting(0);
        ASSERT_EQ(result, KW_OK);
        EXPECT_EQ(WalkIndexes(), grown);
    }
    // Two records sharing a unique key are found within a range as well.
    ASSERT_EQ(KW_DBQuickAddRecord(db_, tbl_, inst_), KW_OK);  // the buffer still holds a record
    SetSortedBuildLimitForTesting(4096);
    const KWRESULT result = KW_DBReindexTable(db_, tbl_);
    SetSortedBuildLimitForTesting(0);
    EXPECT_EQ(result, BTERR_DUPLICATE);
}

TEST_F(SortedReindexTest, RebuildKilledPartWayIsMadeWholeByTheNextOne) {
    FillRandomly(2000, 7);
    const std::vector<IndexWalk> grown = WalkIndexes();
    CloseAll();
    std::mt19937 random(20261207);
    for (int kill = 1; kill <= 6; ++kill) {
        SCOPED_TRACE(::testing::Message() << "kill " << kill);
        const int last = kw::testing::RunChildAndKill(
            [&](int pipeOut) {
                uint16_t db = 0;
                if (KW_DBOpen("RECS", &db) != KW_OK) ::_exit(3);
                int32_t tbl = -1, idx = -1;
                if (KW_DBAddTable(db, &recipe_.def, &tbl) != KW_OK ||
                    KW_DBAddIndex(db, tbl, &byCategoryName_, &idx) != KW_OK ||
                    KW_DBAddIndex(db, tbl, &byName_, &idx) != KW_OK ||
                    KW_DBAddIndex(db, tbl, &byMinutes_, &idx) != KW_OK ||
                    KW_DBAddIndex(db, tbl, &byNameWithCase_, &idx) != KW_OK ||
                    KW_DBOpenTable(db, tbl) != KW_OK) {
                    ::_exit(3);
                }
                for (int round = 1;; ++round) {
                    if (KW_DBReindexTable(db, tbl) != KW_OK) ::_exit(4);
                    if (::write(pipeOut, &round, sizeof round) != sizeof round) ::_exit(3);
                }
            },
            static_cast<useconds_t>(2000 + random() % 40000));
        ASSERT_GE(last, 0);
        OpenWithFourIndexes();
        ASSERT_EQ(KW_DBReindexTable(db_, tbl_), KW_OK);
        EXPECT_EQ(WalkIndexes(), grown);
        CloseAll();
    }
}

}  // namespace
}  // namespace kw::engine::testing
