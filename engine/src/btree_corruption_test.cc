// Damaged index files and failing I/O: bad counts, bad page offsets, cycles in the descent, looping
// sibling chains, a damaged free list and random byte damage give error codes, never a crash or
// a hang; failing reads and writes give 402 and a later flush catches up.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "btree.h"
#include "btree_test_support.h"
#include "index_page_cache.h"
#include "kwdata.h"

namespace kw::engine {
namespace {

using testing::Bytes;
using testing::Int32At;
using testing::PutInt32;
using testing::ReadBytes;
using testing::SeqKey;
using testing::WriteBytes;

constexpr int kKeys = 2000;

class BTreeCorruptionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.ok());
        path_ = dir_.File("DAMAGED.i00");
        layout_.parts = {{0, 8, KW_KEY_CHAR | KW_KEY_NOCASE | KW_KEY_UNIQUE}};
        layout_.keyLength = 8;
        layout_.perPartCompare = true;
        auto tree = BTree::Open(path_, &layout_, 20, 2);
        ASSERT_TRUE(tree);
        for (int i = 0; i < kKeys; ++i) {
            ASSERT_EQ(tree->Insert(Bytes(SeqKey(i)), 8, 1000 + i), 0);
        }
        ASSERT_TRUE(tree->Close());
        pristine_ = ReadBytes(path_);
        ASSERT_GE(Int32At(pristine_, 8), 3);  // root, inner pages, leaves
    }

    int32_t Root() const { return Int32At(pristine_, 16); }
    // Where value i of the page at offset page lies (a child or a record reference); ValueOf reads
    // it.
    int32_t ValueAt(int32_t page, int32_t i) const {
        const int32_t k = Int32At(pristine_, page + 16);
        const int32_t n = Int32At(pristine_, page + 12);
        return page + 20 + k + 4 * n + 4 * i;
    }
    int32_t ValueOf(int32_t page, int32_t i) const { return Int32At(pristine_, ValueAt(page, i)); }
    int32_t FirstInner() const { return ValueOf(Root(), 0); }
    int32_t FirstLeaf() const { return ValueOf(FirstInner(), 0); }

    std::unique_ptr<BTree> OpenDamaged(const std::vector<uint8_t> &bytes, int32_t extra = 20) {
        WriteBytes(path_, bytes);
        return BTree::Open(path_, &layout_, extra, 2);
    }

    // Scans forward with a bound; the last result (0 only if the bound was hit).
    static int ScanToEnd(BTree &tree, int *entries) {
        uint8_t key[kMaxKeyBuffer];
        int32_t length, ref;
        *entries = 0;
        if (!tree.First()) return -1;
        for (int i = 0; i < 5 * kKeys; ++i) {
            const int rc = tree.Next(key, &length, &ref);
            if (rc != 0) return rc;
            ++*entries;
        }
        return 0;
    }

    testing::TempDir dir_;
    std::string path_;
    KeyLayout layout_;
    std::vector<uint8_t> pristine_;
};

TEST_F(BTreeCorruptionTest, InconsistentCountsGive308) {
    const int32_t leaf = FirstLeaf();
    int32_t ref;
    const struct {
        int32_t at;
        int32_t value;
    } damage[] = {{12, 1000}, {12, -1}, {16, -8}, {16, 600}, {16 + 4, 0}};
    for (const auto &d : damage) {
        std::vector<uint8_t> bytes = pristine_;
        if (d.at == 20) {
            // End offsets out of order: key 1 ends before key 0.
            const int32_t k = Int32At(bytes, leaf + 16);
            PutInt32(bytes, leaf + 20 + k + 4, 3);
        } else {
            PutInt32(bytes, leaf + d.at, d.value);
        }
        auto tree = OpenDamaged(bytes);
        ASSERT_TRUE(tree);
        EXPECT_EQ(tree->Find(Bytes(SeqKey(0)), 8, &ref), -1);
        EXPECT_EQ(tree->LastError(), 308);
        EXPECT_EQ(tree->Insert(Bytes("k0000000a"), 8, 1), -1);
        EXPECT_EQ(tree->Delete(Bytes(SeqKey(1)), 8), -1);
        int entries;
        EXPECT_EQ(ScanToEnd(*tree, &entries), -1);
        EXPECT_EQ(tree->LastError(), 308);
        // Keys on intact pages are still found.
        EXPECT_EQ(tree->Find(Bytes(SeqKey(kKeys - 1)), 8, &ref), 0);
    }
}

// Pages a search only reads are taken in place from the index cache, not from the pool: a
// damaged page the cache holds is checked there too, at every search, not only when first read.
TEST_F(BTreeCorruptionTest, ADamagedPageHeldByTheIndexCacheGives308AtEverySearch) {
    const int32_t inner = FirstInner();
    const int32_t leaf = FirstLeaf();
    for (const int32_t page : {inner, leaf}) {
        std::vector<uint8_t> bytes = pristine_;
        PutInt32(bytes, page + 12, 1000);
        WriteBytes(path_, bytes);
        auto cache = std::make_shared<IndexPageCache>(size_t{1} << 20);
        auto tree = BTree::Open(path_, &layout_, 20, 2, cache);
        ASSERT_TRUE(tree);
        int32_t ref = 0;
        // The first search reads the page into the cache; the later ones find it held there.
        for (int round = 0; round < 3; ++round) {
            EXPECT_EQ(tree->Find(Bytes(SeqKey(0)), 8, &ref), -1) << page << " " << round;
            EXPECT_EQ(tree->LastError(), 308);
        }
        EXPECT_EQ(tree->Find(Bytes(SeqKey(kKeys - 1)), 8, &ref), 0);
        EXPECT_EQ(ref, 1000 + kKeys - 1);
        EXPECT_GT(cache->UnitsInUse(), 0u);
    }
}

// Child links and header fields that send the descent outside the file (304) or back into its
// own path, or stop it short of the leaves (308).
TEST_F(BTreeCorruptionTest, ADescentThroughABadLinkGives304OrALoop308) {
    const int32_t child = ValueAt(FirstInner(), 0);  // the child of the first inner entry
    const struct {
        const char *name;
        int32_t at, value, error, extraBuffers;
    } cases[] = {
        {"bad page offset: inside a page", child, 700, 304, 20},
        {"bad page offset: negative", child, -512, 304, 20},
        {"bad page offset: the header page", child, 0, 304, 20},
        {"bad page offset: past the end", child, 1 << 30, 304, 20},
        {"a page that points back into its own path: the root", child, Root(), 308, 0},
        {"a page that points back into its own path: itself", child, FirstInner(), 308, 0},
        {"bad page offset: a root beyond the end", 16, Int32At(pristine_, 24), 304, 20},
        // A header that claims fewer levels than the pages have: the descent stops at the claim.
        {"levels too few", 8, 2, 308, 20},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> bytes = pristine_;
        PutInt32(bytes, c.at, c.value);
        auto tree = OpenDamaged(bytes, c.extraBuffers);
        ASSERT_TRUE(tree);
        int32_t ref;
        EXPECT_EQ(tree->Find(Bytes(SeqKey(0)), 8, &ref), -1);
        EXPECT_EQ(tree->LastError(), c.error);
        EXPECT_FALSE(tree->First());
        EXPECT_EQ(tree->LastError(), c.error);
    }
}

TEST_F(BTreeCorruptionTest, AnEndBetweenPagesAndACutFileGive304) {
    // An end between page boundaries: appending there would overwrite two pages.
    std::vector<uint8_t> bytes = pristine_;
    PutInt32(bytes, 24, Int32At(bytes, 24) + 100);
    auto tree = OpenDamaged(bytes);
    ASSERT_TRUE(tree);
    int rc = 0;
    for (int i = 0; i < 100 && rc == 0; ++i)
        rc = tree->Insert(Bytes(SeqKey(kKeys + i)), 8, i);
    EXPECT_EQ(rc, -1);
    EXPECT_EQ(tree->LastError(), 304);
    tree.reset();
    EXPECT_EQ(ReadBytes(path_).size(), pristine_.size());
    bytes = pristine_;
    bytes.resize(bytes.size() - 700);
    tree = OpenDamaged(bytes);
    ASSERT_TRUE(tree);
    int entries;
    EXPECT_EQ(ScanToEnd(*tree, &entries), -1);
    EXPECT_EQ(tree->LastError(), 304);
}

TEST_F(BTreeCorruptionTest, ALoopingLeafChainEndsTheScanWith308) {
    const int32_t first = FirstLeaf();
    const int32_t second = Int32At(pristine_, first + 4);
    const int32_t third = Int32At(pristine_, second + 4);
    for (int32_t target : {first, second, third}) {
        std::vector<uint8_t> bytes = pristine_;
        PutInt32(bytes, third + 4, target);  // the third leaf's right sibling points back
        auto tree = OpenDamaged(bytes);
        ASSERT_TRUE(tree);
        int entries;
        EXPECT_EQ(ScanToEnd(*tree, &entries), -1);
        EXPECT_EQ(tree->LastError(), 308);
        EXPECT_LT(entries, kKeys);
    }
}

TEST_F(BTreeCorruptionTest, ADamagedFreeListIsNotHandedOut) {
    // The free list names a live leaf: the next split must not overwrite it.
    std::vector<uint8_t> bytes = pristine_;
    PutInt32(bytes, 20, FirstLeaf());
    auto tree = OpenDamaged(bytes);
    ASSERT_TRUE(tree);
    int failures = 0;
    for (int i = 0; i < 200; ++i) {
        const std::string key = SeqKey(kKeys + i);
        if (tree->Insert(Bytes(key), 8, 1) != 0) {
            EXPECT_EQ(tree->LastError(), 308);
            ++failures;
        }
    }
    EXPECT_GT(failures, 0);
    int32_t ref;
    for (int i = 0; i < kKeys; ++i) {
        ASSERT_EQ(tree->Find(Bytes(SeqKey(i)), 8, &ref), 0);
        ASSERT_EQ(ref, 1000 + i);
    }
}

TEST_F(BTreeCorruptionTest, ASplitThatFailsGivesItsNewPageBack) {
    // The second leaf names a left sibling outside the file: splitting it must fail before
    // anything changes, and the page it had appended goes to the free list.
    const int32_t second = Int32At(pristine_, FirstLeaf() + 4);
    std::vector<uint8_t> bytes = pristine_;
    PutInt32(bytes, second + 0, 1 << 30);
    auto tree = OpenDamaged(bytes);
    ASSERT_TRUE(tree);
    const int32_t end = Int32At(pristine_, 24);
    std::string key = "k000001A";  // sorts inside the second leaf's range (k0000016..k0000031)
    int rc = 0;
    for (char c = 'A'; c <= 'Z' && rc == 0; ++c) {
        key[7] = c;
        rc = tree->Insert(Bytes(key), 8, 1);
    }
    ASSERT_EQ(rc, -1);
    EXPECT_EQ(tree->LastError(), 304);
    ASSERT_TRUE(tree->Close());
    bytes = ReadBytes(path_);
    EXPECT_EQ(Int32At(bytes, 24), end + 512);
    EXPECT_EQ(Int32At(bytes, 20), end);  // the appended page heads the free list
    EXPECT_EQ(Int32At(bytes, end + 8), -2);
    EXPECT_EQ(Int32At(bytes, second + 12), 30);  // the full leaf is as it was
}

TEST_F(BTreeCorruptionTest, RandomByteDamageGivesErrorsNeverCrashes) {
    std::mt19937 rng(4242);
    const std::set<int32_t> allowed = {301, 302, 303, 304, 305, 308, 402};
    const auto pages = static_cast<uint32_t>(pristine_.size() / 512 - 1);
    for (int trial = 0; trial < 150; ++trial) {
        std::vector<uint8_t> bytes = pristine_;
        const int hits = 1 + int(rng() % 30);
        for (int h = 0; h < hits; ++h) {
            const size_t page = 512 * (1 + rng() % pages);
            // Mostly the page fields and end offsets, where damage matters most.
            const size_t at = rng() % 2 ? rng() % 24 : rng() % 512;
            bytes[page + at] = static_cast<uint8_t>(rng());
        }
        auto tree = OpenDamaged(bytes, trial % 2 ? 0 : 20);
        ASSERT_TRUE(tree);
        int32_t ref;
        auto check = [&](int rc) {
            if (rc == -1) {
                ASSERT_TRUE(allowed.count(tree->LastError())) << tree->LastError();
            }
        };
        for (int i = 0; i < kKeys; i += 7)
            check(tree->Find(Bytes(SeqKey(i)), 8, &ref));
        int entries;
        check(ScanToEnd(*tree, &entries));
        uint8_t key[kMaxKeyBuffer];
        int32_t length;
        if (tree->Last()) {
            for (int i = 0; i < 5 * kKeys && tree->Prev(key, &length, &ref) == 0; ++i) {
            }
        }
        for (int i = 0; i < 300; ++i) {
            const std::string k = SeqKey(int(rng() % (2 * kKeys)));
            check(rng() % 2 ? tree->Insert(Bytes(k), 8, i) : tree->Delete(Bytes(k), 8));
        }
        tree->Close();
    }
}

// ---- failing I/O ----

class BTreeIoFailureTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.ok());
        path_ = dir_.File("IO.i00");
        layout_.parts = {{0, 8, KW_KEY_CHAR | KW_KEY_UNIQUE}};
        layout_.keyLength = 8;
    }
    void ExpectIntactFile() {
        testing::FileChecker checker(
            path_, [](const std::string &a, const std::string &b) { return a.compare(b); });
        const testing::FileReport report = checker.Check();
        EXPECT_EQ(checker.Problems(), 0);
        EXPECT_GE(report.entries.size(), 500u);
    }

    testing::TempDir dir_;
    std::string path_;
    KeyLayout layout_;
    testing::FaultyFiles files_;
};

TEST_F(BTreeIoFailureTest, ANewFileThatCannotBeWrittenIsNotOpened) {
    files_.plan.failWritesFrom = 0;
    EXPECT_FALSE(BTree::Open(path_, &layout_, 20, 2));
    files_.plan.failWritesFrom = 1;  // the header goes out, the root leaf does not
    std::filesystem::remove(path_);
    EXPECT_FALSE(BTree::Open(path_, &layout_, 20, 2));
}

TEST_F(BTreeIoFailureTest, FailedWritesGive402AndAFlushCatchesUp) {
    for (int32_t mode : {1, 2}) {
        SCOPED_TRACE(mode);
        std::filesystem::remove(path_);
        files_.plan = {};
        auto tree = BTree::Open(path_, &layout_, 0, mode);
        ASSERT_TRUE(tree);
        for (int i = 0; i < 500; ++i)
            ASSERT_EQ(tree->Insert(Bytes(SeqKey(2 * i)), 8, i), 0);
        files_.plan.failWritesFrom = files_.plan.writes;
        std::vector<int> inserted;
        for (int i = 0; i < 500; ++i) {
            if (tree->Insert(Bytes(SeqKey(2 * i + 1)), 8, i) == 0) {
                inserted.push_back(2 * i + 1);
            } else {
                // The entry may or may not be in the tree, as the failure came before or after
                // the change in memory; either way the tree stays whole.
                EXPECT_EQ(tree->LastError(), 402);
            }
        }
        EXPECT_LT(inserted.size(), 500u);
        EXPECT_FALSE(tree->Flush());
        EXPECT_EQ(tree->LastError(), 402);
        // Once the disk works again, everything in memory reaches it, header included.
        files_.plan.failWritesFrom = -1;
        ASSERT_TRUE(tree->Close());
        ExpectIntactFile();
        tree = BTree::Open(path_, &layout_, 20, 2);
        ASSERT_TRUE(tree);
        int32_t ref;
        for (int i = 0; i < 500; ++i)
            ASSERT_EQ(tree->Find(Bytes(SeqKey(2 * i)), 8, &ref), 0);
        for (int key : inserted)
            ASSERT_EQ(tree->Find(Bytes(SeqKey(key)), 8, &ref), 0);
    }
}

TEST_F(BTreeIoFailureTest, FailedReadsGive402) {
    auto tree = BTree::Open(path_, &layout_, 0, 2);
    ASSERT_TRUE(tree);
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(tree->Insert(Bytes(SeqKey(i)), 8, i), 0);
    files_.plan.failReads = true;
    int32_t ref;
    int failures = 0;
    for (int i = 0; i < 1000; i += 10) {
        const int rc = tree->Find(Bytes(SeqKey(i)), 8, &ref);
        if (rc == -1) {
            EXPECT_EQ(tree->LastError(), 402);
            ++failures;
        }
    }
    EXPECT_GT(failures, 0);  // four buffers cannot hold the whole tree
    files_.plan.failReads = false;
    EXPECT_EQ(tree->Find(Bytes(SeqKey(500)), 8, &ref), 0);
    EXPECT_EQ(ref, 500);
}

TEST_F(BTreeIoFailureTest, CloseReportsAFailedFlush) {
    auto tree = BTree::Open(path_, &layout_, 20, 2);
    ASSERT_TRUE(tree);
    ASSERT_EQ(tree->Insert(Bytes(SeqKey(1)), 8, 1), 0);
    files_.plan.failWritesFrom = files_.plan.writes;
    EXPECT_FALSE(tree->Close());
    EXPECT_EQ(tree->LastError(), 402);
    int32_t ref;
    EXPECT_EQ(tree->Find(Bytes(SeqKey(1)), 8, &ref), -1);  // closed is closed
}

}  // namespace
}  // namespace kw::engine
