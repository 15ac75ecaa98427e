// The block cache on its own: partial ranges, LRU reuse, deferred and write-through writes,
// flush order, coherence between buffers whose blocks overlap, and I/O failures.
#include "block_cache.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "store_test_support.h"

namespace kw::engine {
namespace {

using testing::FileFaults;
using testing::ReadWholeFile;
using testing::StoreFaultyFile;

class BlockCacheTest : public testing::TempDirTest {
  protected:
    // A 16 KiB file whose byte i is i % 251, opened through a counting wrapper.
    void SetUp() override {
        TempDirTest::SetUp();
        std::vector<uint8_t> bytes(16384);
        for (size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<uint8_t>(i % 251);
        testing::PatchFile(path_, 0, bytes.data(), bytes.size());
        faults_ = std::make_shared<FileFaults>();
        file_ = std::make_unique<StoreFaultyFile>(
            platform::OpenExclusive(path_, platform::OpenMode::kExisting), faults_);
    }
    std::unique_ptr<BlockCache> Cache(int32_t buffers, bool defer) {
        return BlockCache::Create(file_.get(), buffers, defer);
    }
    static uint8_t Pattern(int64_t at) { return static_cast<uint8_t>(at % 251); }

    std::shared_ptr<FileFaults> faults_;
    std::unique_ptr<platform::RandomAccessFile> file_;
};

TEST_F(BlockCacheTest, RangesGrowContiguouslyAndHitsCostNoIo) {
    auto cache = Cache(2, true);
    uint8_t out[300];
    ASSERT_EQ(cache->Read(1000, 0, out, 24), CacheStatus::kOk);
    EXPECT_EQ(out[0], Pattern(1000));
    EXPECT_EQ(faults_->reads, 1);
    ASSERT_EQ(cache->Read(1000, 0, out, 24), CacheStatus::kOk);
    EXPECT_EQ(faults_->reads, 1);
    // Past the valid end: one read fills the gap and the new bytes.
    ASSERT_EQ(cache->Read(1000, 100, out, 200), CacheStatus::kOk);
    EXPECT_EQ(faults_->reads, 2);
    EXPECT_EQ(out[199], Pattern(1299));
    ASSERT_EQ(cache->Read(1000, 10, out, 290), CacheStatus::kOk);
    EXPECT_EQ(faults_->reads, 2);
    EXPECT_EQ(out[0], Pattern(1010));
    // A block larger than one unit: the data area grows.
    std::vector<uint8_t> big(5000);
    ASSERT_EQ(cache->Read(1000, 0, big.data(), 5000), CacheStatus::kOk);
    EXPECT_EQ(big[4999], Pattern(5999));
    EXPECT_EQ(faults_->reads, 3);
}

TEST_F(BlockCacheTest, ReadsPastTheEndOfTheFileGiveZeros) {
    auto cache = Cache(1, true);
    uint8_t out[64];
    std::memset(out, 0xFF, sizeof out);
    ASSERT_EQ(cache->Read(16384 - 8, 0, out, 64), CacheStatus::kOk);
    EXPECT_EQ(out[7], Pattern(16383));
    EXPECT_EQ(out[8], 0);
    EXPECT_EQ(out[63], 0);
}

TEST_F(BlockCacheTest, TheLeastRecentlyUsedBufferIsReused) {
    auto cache = Cache(2, true);
    uint8_t out[8];
    cache->Read(0, 0, out, 8);     // A
    cache->Read(4096, 0, out, 8);  // B
    cache->Read(0, 0, out, 8);     // A is the most recent again
    cache->Read(8192, 0, out, 8);  // C takes B's buffer
    const int64_t reads = faults_->reads;
    cache->Read(0, 0, out, 8);
    EXPECT_EQ(faults_->reads, reads);
    cache->Read(4096, 0, out, 8);
    EXPECT_EQ(faults_->reads, reads + 1);
}

TEST_F(BlockCacheTest, DeferredWritesReachTheFileOnReuseAndFlushInLruOrder) {
    auto cache = Cache(2, true);
    const uint8_t x[4] = {'x', 'x', 'x', 'x'};
    ASSERT_EQ(cache->Write(100, 0, x, 4), CacheStatus::kOk);
    ASSERT_EQ(cache->Write(200, 0, x, 4), CacheStatus::kOk);
    EXPECT_EQ(faults_->writes, 0);
    EXPECT_TRUE(cache->HasDirtyBuffers());
    ASSERT_EQ(cache->Write(100, 2, x, 4), CacheStatus::kOk);  // 100 is now the most recent
    ASSERT_EQ(cache->Flush(), CacheStatus::kOk);
    ASSERT_EQ(faults_->writeLog.size(), 2u);
    EXPECT_EQ(faults_->writeLog[0], std::make_pair(int64_t{200}, size_t{4}));
    EXPECT_EQ(faults_->writeLog[1], std::make_pair(int64_t{100}, size_t{6}));
    EXPECT_FALSE(cache->HasDirtyBuffers());
    ASSERT_EQ(cache->Flush(), CacheStatus::kOk);
    EXPECT_EQ(faults_->writes, 2);

    // Reusing a dirty buffer writes it back first.
    ASSERT_EQ(cache->Write(300, 0, x, 4), CacheStatus::kOk);
    uint8_t out[4];
    ASSERT_EQ(cache->Read(400, 0, out, 4), CacheStatus::kOk);
    ASSERT_EQ(cache->Read(500, 0, out, 4), CacheStatus::kOk);
    EXPECT_EQ(ReadWholeFile(path_)[300], 'x');
}

TEST_F(BlockCacheTest, WriteThroughWritesExactlyTheBytesAtOnce) {
    auto cache = Cache(1, false);
    uint8_t out[24];
    ASSERT_EQ(cache->Read(600, 0, out, 24), CacheStatus::kOk);
    const uint8_t y[3] = {'y', 'y', 'y'};
    ASSERT_EQ(cache->Write(600, 30, y, 3), CacheStatus::kOk);
    ASSERT_EQ(faults_->writeLog.size(), 1u);
    EXPECT_EQ(faults_->writeLog[0], std::make_pair(int64_t{630}, size_t{3}));
    EXPECT_FALSE(cache->HasDirtyBuffers());
    const auto f = ReadWholeFile(path_);
    EXPECT_EQ(f[630], 'y');
    EXPECT_EQ(f[629], Pattern(629));  // the gap was read, not written over
}

TEST_F(BlockCacheTest, OverlappingBlocksNeverSeeStaleBytes) {
    // A block at 1000 cached over 1000 bytes and changed; then a block starting inside it
    // (as after a split or a reset) is written; the first buffer must give its bytes up.
    auto cache = Cache(4, true);
    std::vector<uint8_t> ones(1000, 1);
    ASSERT_EQ(cache->Write(1000, 0, ones.data(), 1000), CacheStatus::kOk);
    const uint8_t twos[8] = {2, 2, 2, 2, 2, 2, 2, 2};
    ASSERT_EQ(cache->Write(1500, 0, twos, 8), CacheStatus::kOk);
    ASSERT_EQ(cache->Flush(), CacheStatus::kOk);
    std::vector<uint8_t> out(1000);
    ASSERT_EQ(cache->Read(1000, 0, out.data(), 1000), CacheStatus::kOk);
    EXPECT_EQ(out[499], 1);
    EXPECT_EQ(out[500], 2);
    EXPECT_EQ(out[508], 1);
    const auto f = ReadWholeFile(path_);
    EXPECT_EQ(f[1500], 2);
    EXPECT_EQ(f[1999], 1);
}

TEST_F(BlockCacheTest, NoBufferFailsEveryAccess) {
    auto cache = Cache(0, true);
    ASSERT_TRUE(cache);
    uint8_t out[4] = {};
    EXPECT_EQ(cache->Read(0, 0, out, 4), CacheStatus::kNoBuffer);
    EXPECT_EQ(cache->Write(0, 0, out, 4), CacheStatus::kNoBuffer);
    EXPECT_EQ(cache->Flush(), CacheStatus::kOk);
}

TEST_F(BlockCacheTest, AFailedReadCachesNothing) {
    auto cache = Cache(1, true);
    uint8_t out[8];
    faults_->failReads = true;
    EXPECT_EQ(cache->Read(0, 0, out, 8), CacheStatus::kReadFailed);
    faults_->failReads = false;
    ASSERT_EQ(cache->Read(0, 0, out, 8), CacheStatus::kOk);
    EXPECT_EQ(out[5], Pattern(5));
}

TEST_F(BlockCacheTest, AFailedWriteBackKeepsTheBytesDirtyUntilItSucceeds) {
    auto cache = Cache(1, true);
    const uint8_t z[2] = {'z', 'z'};
    ASSERT_EQ(cache->Write(40, 0, z, 2), CacheStatus::kOk);
    faults_->failWrites = true;
    uint8_t out[2];
    EXPECT_EQ(cache->Read(4000, 0, out, 2), CacheStatus::kWriteFailed);  // reuse needs write-back
    EXPECT_EQ(cache->Flush(), CacheStatus::kWriteFailed);
    EXPECT_TRUE(cache->HasDirtyBuffers());
    faults_->failWrites = false;
    ASSERT_EQ(cache->Flush(), CacheStatus::kOk);
    EXPECT_EQ(ReadWholeFile(path_)[41], 'z');
}

// Blocks appended one after another leave dirty buffers that continue one another in the file:
// one write takes them all, a gap or a clean range ends the run, and a failed run keeps every
// buffer dirty.
TEST_F(BlockCacheTest, ContiguousDirtyBuffersAreWrittenTogether) {
    auto cache = Cache(6, true);
    std::vector<uint8_t> a(100, 'a'), b(60, 'b'), c(40, 'c'), d(10, 'd');
    ASSERT_EQ(cache->Write(1000, 0, a.data(), 100), CacheStatus::kOk);  // [1000, 1100)
    ASSERT_EQ(cache->Write(1100, 0, b.data(), 60), CacheStatus::kOk);   // [1100, 1160)
    ASSERT_EQ(cache->Write(1160, 0, c.data(), 40), CacheStatus::kOk);   // [1160, 1200)
    ASSERT_EQ(cache->Write(1300, 0, d.data(), 10), CacheStatus::kOk);   // after a gap
    faults_->failWrites = true;
    EXPECT_EQ(cache->Flush(), CacheStatus::kWriteFailed);
    faults_->failWrites = false;
    const int before = faults_->writes;
    ASSERT_EQ(cache->Flush(), CacheStatus::kOk);
    EXPECT_EQ(faults_->writes - before, 2);
    EXPECT_FALSE(cache->HasDirtyBuffers());
    const std::vector<uint8_t> file = ReadWholeFile(path_);
    EXPECT_EQ(file[999], Pattern(999));
    EXPECT_EQ(file[1000], 'a');
    EXPECT_EQ(file[1159], 'b');
    EXPECT_EQ(file[1199], 'c');
    EXPECT_EQ(file[1200], Pattern(1200));
    EXPECT_EQ(file[1309], 'd');

    // Only the dirty part of a buffer joins a run: a partly written block ends it.
    uint8_t out[24];
    ASSERT_EQ(cache->Read(2000, 0, out, 24), CacheStatus::kOk);       // [2000, 2024) clean
    ASSERT_EQ(cache->Write(2000, 0, a.data(), 4), CacheStatus::kOk);  // dirty [2000, 2004)
    ASSERT_EQ(cache->Write(2024, 0, b.data(), 8), CacheStatus::kOk);
    const int second = faults_->writes;
    ASSERT_EQ(cache->Flush(), CacheStatus::kOk);
    EXPECT_EQ(faults_->writes - second, 2);
    const std::vector<uint8_t> after = ReadWholeFile(path_);
    EXPECT_EQ(after[2003], 'a');
    EXPECT_EQ(after[2004], Pattern(2004));
    EXPECT_EQ(after[2024], 'b');
}

// A block held back behind another reaches the file only after it: in the same write when it
// lies later in the file, else by its own write after the other's, also when its buffer is
// reused. A wait ends with the dirty bytes it waited for; later changes of either block are
// free again.
TEST_F(BlockCacheTest, ABlockHeldBackReachesTheFileOnlyAfterTheBlockItWaitsFor) {
    auto at = [&](int64_t offset) {
        for (size_t i = 0; i < faults_->writeLog.size(); ++i)
            if (faults_->writeLog[i].first == offset) return i;
        return faults_->writeLog.size();
    };
    auto cache = Cache(6, true);
    std::vector<uint8_t> a(100, 'a'), b(60, 'b'), c(40, 'c');
    // Appended one after another, each waiting for the one before: one write.
    ASSERT_EQ(cache->Write(1000, 0, a.data(), 100), CacheStatus::kOk);
    ASSERT_EQ(cache->Write(1100, 0, b.data(), 60), CacheStatus::kOk);
    ASSERT_EQ(cache->OrderAfter(1100, 1000), CacheStatus::kOk);
    ASSERT_EQ(cache->Write(1160, 0, c.data(), 40), CacheStatus::kOk);
    ASSERT_EQ(cache->OrderAfter(1160, 1100), CacheStatus::kOk);
    ASSERT_EQ(cache->Flush(), CacheStatus::kOk);
    ASSERT_EQ(faults_->writeLog.size(), 1u);
    EXPECT_EQ(faults_->writeLog[0], std::make_pair(int64_t{1000}, size_t{200}));

    // Waiting for a block later in the file splits the run that would write it first.
    faults_->writeLog.clear();
    ASSERT_EQ(cache->Write(2000, 0, a.data(), 100), CacheStatus::kOk);
    ASSERT_EQ(cache->Write(2100, 0, b.data(), 60), CacheStatus::kOk);
    ASSERT_EQ(cache->Write(2160, 0, c.data(), 40), CacheStatus::kOk);
    ASSERT_EQ(cache->OrderAfter(2000, 2160), CacheStatus::kOk);
    ASSERT_EQ(cache->Flush(), CacheStatus::kOk);
    EXPECT_LT(at(2160), at(2000));
    EXPECT_LT(at(2000), faults_->writeLog.size());
    EXPECT_FALSE(cache->HasDirtyBuffers());
    const std::vector<uint8_t> file = ReadWholeFile(path_);
    EXPECT_EQ(file[2000], 'a');
    EXPECT_EQ(file[2100], 'b');
    EXPECT_EQ(file[2199], 'c');

    // Reusing the waiting block's buffer writes the awaited block first.
    faults_->writeLog.clear();
    auto small = Cache(2, true);
    uint8_t out[4];
    ASSERT_EQ(small->Write(5000, 0, a.data(), 10), CacheStatus::kOk);
    ASSERT_EQ(small->Write(4000, 0, b.data(), 10), CacheStatus::kOk);
    ASSERT_EQ(small->OrderAfter(4000, 5000), CacheStatus::kOk);
    ASSERT_EQ(small->Read(5000, 0, out, 4), CacheStatus::kOk);  // 4000 is now the oldest
    ASSERT_EQ(small->Read(6000, 0, out, 4), CacheStatus::kOk);
    ASSERT_EQ(faults_->writeLog.size(), 2u);
    EXPECT_EQ(faults_->writeLog[0].first, 5000);
    EXPECT_EQ(faults_->writeLog[1].first, 4000);

    // Once the awaited bytes are in the file, new changes to that block are not waited for.
    faults_->writeLog.clear();
    ASSERT_EQ(small->Write(7000, 0, a.data(), 10), CacheStatus::kOk);
    ASSERT_EQ(small->Write(8000, 0, b.data(), 10), CacheStatus::kOk);
    ASSERT_EQ(small->OrderAfter(8000, 7000), CacheStatus::kOk);
    ASSERT_EQ(small->WriteBackBlock(7000), CacheStatus::kOk);
    ASSERT_EQ(small->Write(7000, 0, c.data(), 10), CacheStatus::kOk);
    ASSERT_EQ(small->SettleOrder(8000), CacheStatus::kOk);  // no longer waits: nothing written
    EXPECT_EQ(faults_->writeLog.size(), 1u);
    ASSERT_EQ(small->WriteBackBlock(8000), CacheStatus::kOk);
    EXPECT_EQ(faults_->writeLog.size(), 2u);
    EXPECT_EQ(faults_->writeLog[1].first, 8000);

    // SettleOrder writes a waiting block now, after what it waits for.
    faults_->writeLog.clear();
    ASSERT_EQ(small->Flush(), CacheStatus::kOk);
    faults_->writeLog.clear();
    ASSERT_EQ(small->Write(9000, 0, a.data(), 10), CacheStatus::kOk);
    ASSERT_EQ(small->Write(9500, 0, b.data(), 10), CacheStatus::kOk);
    ASSERT_EQ(small->OrderAfter(9500, 9000), CacheStatus::kOk);
    ASSERT_EQ(small->SettleOrder(9500), CacheStatus::kOk);
    ASSERT_EQ(faults_->writeLog.size(), 2u);
    EXPECT_EQ(faults_->writeLog[0].first, 9000);
    EXPECT_EQ(faults_->writeLog[1].first, 9500);
    EXPECT_FALSE(small->HasDirtyBuffers());
}

// A failed write of the awaited block keeps both dirty; nothing of the waiting one is written.
TEST_F(BlockCacheTest, AFailedWriteOfTheAwaitedBlockHoldsTheWaitingOneBack) {
    auto cache = Cache(4, true);
    const uint8_t x[8] = {'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x'};
    ASSERT_EQ(cache->Write(3000, 0, x, 8), CacheStatus::kOk);
    ASSERT_EQ(cache->Write(600, 0, x, 8), CacheStatus::kOk);
    ASSERT_EQ(cache->OrderAfter(600, 3000), CacheStatus::kOk);
    faults_->failWrites = true;
    EXPECT_EQ(cache->WriteBackBlock(600), CacheStatus::kWriteFailed);
    EXPECT_EQ(faults_->writes, 1);  // the awaited block's write; the waiting one never tried
    faults_->failWrites = false;
    ASSERT_EQ(cache->WriteBackBlock(600), CacheStatus::kOk);
    ASSERT_EQ(faults_->writeLog.size(), 2u);
    EXPECT_EQ(faults_->writeLog[0].first, 3000);
    EXPECT_EQ(faults_->writeLog[1].first, 600);
}

TEST_F(BlockCacheTest, AFailedWriteThroughForgetsTheBufferSoReadsSeeTheFile) {
    auto cache = Cache(1, false);
    uint8_t out[4];
    ASSERT_EQ(cache->Read(80, 0, out, 4), CacheStatus::kOk);
    faults_->failWrites = true;
    faults_->tornWrites = true;
    const uint8_t w[4] = {'w', 'w', 'w', 'w'};
    EXPECT_EQ(cache->Write(80, 0, w, 4), CacheStatus::kWriteFailed);
    faults_->failWrites = false;
    ASSERT_EQ(cache->Read(80, 0, out, 4), CacheStatus::kOk);
    EXPECT_EQ(out[0], 'w');  // the torn half that did land
    EXPECT_EQ(out[2], Pattern(82));
}

}  // namespace
}  // namespace kw::engine
