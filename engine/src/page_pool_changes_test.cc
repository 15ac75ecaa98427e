// Whether the page pool may hold changed pages: set by every change, cleared only by a flush
// that wrote everything. A tree over the index cache stops asking its pool for pages while the
// pool holds no change, so its searches must still see every change, before and after flushes,
// and after a flush that failed.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <set>
#include <string>

#include "btree.h"
#include "btree_page.h"
#include "btree_test_support.h"
#include "index_page_cache.h"
#include "kwdata.h"
#include "page_pool.h"

namespace kw::engine {
namespace {

using testing::Bytes;
using testing::FaultPlan;
using testing::FaultyFile;

constexpr int32_t kPage = 512;
constexpr int32_t kPoolEnd = 8 * kPage;

TEST(PagePoolChangesTest, EveryChangeSetsItAndOnlyAFlushThatWroteEverythingClearsIt) {
    FaultPlan plan;
    FaultyFile file(nullptr, &plan);
    file.Memory().assign(kPoolEnd, 0);  // zeroed pages are consistent empty pages
    PagePool pool(&file, kPage, 4, 2);
    EXPECT_FALSE(pool.MayHoldChanges());

    PageRef ref;
    ASSERT_EQ(pool.Fetch(512, kPoolEnd, &ref), 0);
    EXPECT_FALSE(pool.MayHoldChanges());  // read, not changed
    ref.MarkDirty();
    ASSERT_EQ(pool.Release(ref), 0);
    EXPECT_TRUE(pool.MayHoldChanges());

    plan.failWritesFrom = plan.writes;
    EXPECT_EQ(pool.Flush(), 402);
    EXPECT_TRUE(pool.MayHoldChanges());  // the page is still only in the pool
    plan.failWritesFrom = -1;
    EXPECT_EQ(pool.Flush(), 0);
    EXPECT_FALSE(pool.MayHoldChanges());

    // A fresh buffer taking over an offset is a change as well.
    ASSERT_EQ(pool.TakeFresh(&ref), 0);
    pool.AssignOffset(ref, 1024);
    EXPECT_TRUE(pool.MayHoldChanges());
    ASSERT_EQ(pool.Release(ref), 0);
    EXPECT_EQ(pool.Flush(), 0);
    EXPECT_FALSE(pool.MayHoldChanges());
}

class PagePoolChangesTreeTest : public ::testing::Test {
  protected:
    static constexpr int32_t kKeyLength = 40;

    void SetUp() override {
        ASSERT_TRUE(dir_.ok());
        layout_.parts = {{0, kKeyLength, KW_KEY_CHAR | KW_KEY_NOCASE | KW_KEY_UNIQUE}};
        layout_.keyLength = kKeyLength;
    }
    static std::string Key(int i) { return testing::ScatteredKey(i, kKeyLength); }
    // Every key of the model is found with its reference, and no other key is.
    void ExpectExactly(BTree &tree, const std::set<int> &model, int range) {
        for (int i = 0; i < range; ++i) {
            int32_t ref = -1;
            const int rc = tree.Find(Bytes(Key(i)), kKeyLength, &ref);
            if (model.count(i)) {
                ASSERT_EQ(rc, 0) << i;
                EXPECT_EQ(ref, 32 + i);
            } else {
                ASSERT_EQ(rc, 1) << i;
            }
        }
    }

    testing::TempDir dir_;
    KeyLayout layout_;
};

// Rounds of changes, each followed by searches before and after a flush: the pages the pool
// wrote back stay in it as clean copies while the searches read the cache's copies instead.
TEST_F(PagePoolChangesTreeTest, SearchesSeeEveryChangeWhetherOrNotThePoolWasFlushed) {
    for (const size_t units : {size_t{6}, size_t{4096}}) {
        SCOPED_TRACE(units);
        const std::string path = dir_.File("CHANGES" + std::to_string(units) + ".i00");
        auto cache = std::make_shared<IndexPageCache>(units * 512);
        auto tree = BTree::Open(path, &layout_, 255, 2, cache);
        ASSERT_TRUE(tree);
        std::set<int> model;
        std::mt19937 random(7);
        constexpr int kRange = 1500;
        for (int round = 0; round < 6; ++round) {
            for (int step = 0; step < 400; ++step) {
                const int i = static_cast<int>(random() % kRange);
                if (model.count(i) && random() % 2 == 0) {
                    ASSERT_EQ(tree->Delete(Bytes(Key(i)), kKeyLength), 0);
                    model.erase(i);
                } else if (!model.count(i)) {
                    ASSERT_EQ(tree->Insert(Bytes(Key(i)), kKeyLength, 32 + i), 0);
                    model.insert(i);
                }
            }
            ASSERT_NO_FATAL_FAILURE(ExpectExactly(*tree, model, kRange));
            ASSERT_TRUE(tree->Flush());
            // Enough searches for the level directory to form over the flushed tree.
            ASSERT_NO_FATAL_FAILURE(ExpectExactly(*tree, model, kRange));
            ASSERT_NO_FATAL_FAILURE(ExpectExactly(*tree, model, kRange));
        }
        ASSERT_TRUE(tree->Close());
    }
}

}  // namespace
}  // namespace kw::engine
