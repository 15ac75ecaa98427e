// An index file used through the database's index cache: the tree it leaves is byte for byte the
// one the tree leaves without the cache (deferred or write-through, a cache far too small or
// roomy), a flush puts the whole tree on disk, write-through puts every change there at once,
// and a write that fails at flush or close is reported by it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "btree.h"
#include "btree_page.h"
#include "btree_test_support.h"
#include "index_page_cache.h"
#include "kwdata.h"

namespace kw::engine {
namespace {

using testing::Bytes;
using testing::ReadBytes;

constexpr int32_t kKeyLength = 40;

class BTreeCachedTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.ok());
        layout_.parts = {{0, kKeyLength, KW_KEY_CHAR | KW_KEY_NOCASE | KW_KEY_UNIQUE}};
        layout_.keyLength = kKeyLength;
    }

    static std::string Key(int i) { return testing::ScatteredKey(i, kKeyLength); }
    // Inserts and deletes the same pseudo-random keys in tree (seeded, so every call matches).
    static void RandomOps(BTree &tree, int count) {
        std::mt19937 rng(20261207u);
        std::uniform_int_distribution<int> pick(0, 2999);
        for (int i = 0; i < count; ++i) {
            const std::string key = Key(pick(rng));
            if (rng() % 4 == 0) {
                ASSERT_GE(tree.Delete(Bytes(key), kKeyLength), 0);
            } else {
                const int rc = tree.Insert(Bytes(key), kKeyLength, 32 + i);
                ASSERT_TRUE(rc == 0 || tree.LastError() == 303) << tree.LastError();
            }
        }
    }

    // The entries on disk right now, checked for shape.
    std::vector<std::pair<std::string, int32_t>> EntriesOnDisk(const std::string &path) {
        testing::FileChecker checker(path, [this](const std::string &a, const std::string &b) {
            return CompareKeys(layout_, Bytes(a), static_cast<int32_t>(a.size()), Bytes(b),
                               static_cast<int32_t>(b.size()));
        });
        const testing::FileReport report = checker.Check();
        EXPECT_EQ(checker.Problems(), 0) << path;
        return report.entries;
    }

    testing::TempDir dir_;
    KeyLayout layout_;
};

TEST_F(BTreeCachedTest, TheFileIsByteForByteTheOneTheTreeLeavesWithoutTheCache) {
    for (const int32_t writeMode : {2, 1}) {
        for (const size_t budgetUnits : {size_t{3}, size_t{4096}}) {
            SCOPED_TRACE("write mode " + std::to_string(writeMode) + ", " +
                         std::to_string(budgetUnits) + " units");
            const std::string direct = dir_.File("DIRECT.i00");
            const std::string cached = dir_.File("CACHED.i00");
            std::filesystem::remove(direct);
            std::filesystem::remove(cached);
            auto cache = std::make_shared<IndexPageCache>(budgetUnits * 512);
            auto plain = BTree::Open(direct, &layout_, 20, writeMode);
            auto through = BTree::Open(cached, &layout_, 20, writeMode, cache);
            ASSERT_TRUE(plain && through);
            ASSERT_NO_FATAL_FAILURE(RandomOps(*plain, 3000));
            ASSERT_NO_FATAL_FAILURE(RandomOps(*through, 3000));
            ASSERT_TRUE(through->Reset());  // a reset and refill over the old pages, too
            ASSERT_TRUE(plain->Reset());
            ASSERT_NO_FATAL_FAILURE(RandomOps(*plain, 1500));
            ASSERT_NO_FATAL_FAILURE(RandomOps(*through, 1500));
            ASSERT_TRUE(plain->Close());
            ASSERT_TRUE(through->Close());
            EXPECT_EQ(cache->UnitsInUse(), 0u);
            // Pages past the end of the refilled tree are the old tree's garbage: which of its
            // last changes reached the file depends on what the pool held at the reset (the
            // cached tree reads inner pages in place), so only the tree itself is compared.
            std::vector<uint8_t> expected = ReadBytes(direct);
            std::vector<uint8_t> actual = ReadBytes(cached);
            EXPECT_GT(expected.size(), 100u * 512);
            EXPECT_EQ(actual.size(), expected.size());
            const size_t end = static_cast<size_t>(page::Load32(expected.data() + 24));
            ASSERT_LE(end, expected.size());
            expected.resize(end);
            actual.resize(std::min(end, actual.size()));
            EXPECT_TRUE(actual == expected);
        }
    }
}

TEST_F(BTreeCachedTest, AFlushPutsTheWholeTreeOnDiskAndAFreshOpenSeesEveryKey) {
    const std::string path = dir_.File("FLUSH.i00");
    auto cache = std::make_shared<IndexPageCache>(kIndexCacheBytes);
    auto tree = BTree::Open(path, &layout_, 20, 2, cache);
    ASSERT_TRUE(tree);
    for (int i = 0; i < 2000; ++i)
        ASSERT_EQ(tree->Insert(Bytes(Key(i)), kKeyLength, 32 + i), 0);
    EXPECT_LT(ReadBytes(path).size(), 100u * 512);  // still in memory
    ASSERT_TRUE(tree->Flush());
    EXPECT_EQ(EntriesOnDisk(path).size(), 2000u);

    // A copy of the flushed file, opened on its own, finds every key.
    const std::string copy = dir_.File("COPY.i00");
    std::filesystem::copy_file(path, copy);
    auto fresh = BTree::Open(copy, &layout_, 20, 2);
    ASSERT_TRUE(fresh);
    for (int i = 0; i < 2000; ++i) {
        int32_t ref = -1;
        ASSERT_EQ(fresh->Find(Bytes(Key(i)), kKeyLength, &ref), 0) << i;
        EXPECT_EQ(ref, 32 + i);
    }
}

TEST_F(BTreeCachedTest, WriteThroughPutsEveryInsertOnDiskAtOnce) {
    const std::string path = dir_.File("THROUGH.i00");
    auto cache = std::make_shared<IndexPageCache>(kIndexCacheBytes);
    auto tree = BTree::Open(path, &layout_, 20, 1, cache);
    ASSERT_TRUE(tree);
    for (int i = 0; i < 300; ++i) {
        ASSERT_EQ(tree->Insert(Bytes(Key(i)), kKeyLength, 32 + i), 0);
        if (i % 50 == 49) {
            ASSERT_EQ(EntriesOnDisk(path).size(), static_cast<size_t>(i + 1));
        }
    }
}

TEST_F(BTreeCachedTest, AWriteThatFailsAtFlushOrCloseIsReportedWith402) {
    testing::FaultyFiles faults;
    const std::string path = dir_.File("FAILS.i00");
    auto cache = std::make_shared<IndexPageCache>(kIndexCacheBytes);
    auto tree = BTree::Open(path, &layout_, 20, 2, cache);
    ASSERT_TRUE(tree);
    for (int i = 0; i < 500; ++i)
        ASSERT_EQ(tree->Insert(Bytes(Key(i)), kKeyLength, 32 + i), 0);
    faults.plan.failWritesFrom = faults.plan.writes;
    EXPECT_FALSE(tree->Flush());
    EXPECT_EQ(tree->LastError(), 402);
    int32_t ref = -1;
    EXPECT_EQ(tree->Find(Bytes(Key(250)), kKeyLength, &ref), 0);  // nothing lost in memory

    faults.plan.failWritesFrom = -1;
    ASSERT_TRUE(tree->Flush());  // the retry writes it all
    EXPECT_EQ(EntriesOnDisk(path).size(), 500u);

    ASSERT_EQ(tree->Insert(Bytes(Key(500)), kKeyLength, 532), 0);
    faults.plan.failWritesFrom = faults.plan.writes;
    EXPECT_FALSE(tree->Close());
    EXPECT_EQ(tree->LastError(), 402);
}

}  // namespace
}  // namespace kw::engine
