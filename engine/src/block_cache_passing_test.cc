// The block cache's passing block: a block loaded once is read into a side copy instead of a
// buffer. Its reads must still see the newest bytes (a dirty buffer of the block, or of another
// block over the same file bytes, wins), writes to it must reach the file as before, a second
// load soon after gives it a buffer, and loads mixed into random traffic keep the cache a
// coherent view of the file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "block_cache.h"
#include "store_test_support.h"

namespace kw::engine {
namespace {

using testing::FileFaults;
using testing::ReadWholeFile;
using testing::StoreFaultyFile;

class BlockCachePassingTest : public testing::TempDirTest {
  protected:
    static constexpr size_t kFileBytes = 65536;

    // A 64 KiB file whose byte i is i % 253, opened through a counting wrapper.
    void SetUp() override {
        TempDirTest::SetUp();
        model_ = testing::WritePatternFile(path_, kFileBytes);
        faults_ = std::make_shared<FileFaults>();
        file_ = std::make_unique<StoreFaultyFile>(
            platform::OpenExclusive(path_, platform::OpenMode::kExisting), faults_);
    }
    std::unique_ptr<BlockCache> Cache(int32_t buffers, bool defer) {
        return BlockCache::Create(file_.get(), buffers, defer);
    }
    std::vector<uint8_t> Bytes(BlockCache &cache, int64_t base, int64_t position, int64_t n) {
        std::vector<uint8_t> out(static_cast<size_t>(n));
        EXPECT_EQ(cache.Read(base, position, out.data(), n), CacheStatus::kOk);
        return out;
    }
    std::vector<uint8_t> Model(int64_t at, int64_t n) const {
        return {model_.begin() + at, model_.begin() + at + n};
    }

    std::vector<uint8_t> model_;
    std::shared_ptr<FileFaults> faults_;
    std::unique_ptr<platform::RandomAccessFile> file_;
};

TEST_F(BlockCachePassingTest, ABlockLoadedOnceCostsOneReadAndTakesNoBuffer) {
    auto cache = Cache(2, true);
    uint8_t header[24];
    ASSERT_EQ(cache->Read(1000, 0, header, 24), CacheStatus::kOk);  // a buffer each
    ASSERT_EQ(cache->Read(2000, 0, header, 24), CacheStatus::kOk);
    EXPECT_EQ(faults_->reads, 2);

    ASSERT_EQ(cache->Load(5000, 0, 216), CacheStatus::kOk);
    EXPECT_EQ(faults_->reads, 3);
    EXPECT_EQ(Bytes(*cache, 5000, 0, 24), Model(5000, 24));
    EXPECT_EQ(Bytes(*cache, 5000, 24, 192), Model(5024, 192));
    EXPECT_FALSE(cache->LastReadPastEnd());
    EXPECT_EQ(faults_->reads, 3);
    // Both blocks read before are still held.
    EXPECT_EQ(Bytes(*cache, 1000, 0, 24), Model(1000, 24));
    EXPECT_EQ(faults_->reads, 3);
    EXPECT_EQ(Bytes(*cache, 2000, 0, 24), Model(2000, 24));
    EXPECT_EQ(faults_->reads, 3);
}

TEST_F(BlockCachePassingTest, ABlockLoadedAgainSoonGetsABuffer) {
    auto cache = Cache(4, true);
    ASSERT_EQ(cache->Load(5000, 0, 216), CacheStatus::kOk);
    ASSERT_EQ(cache->Load(6000, 0, 216), CacheStatus::kOk);  // ends the first passing block
    ASSERT_EQ(cache->Load(5000, 0, 216), CacheStatus::kOk);  // now it is worth a buffer
    EXPECT_EQ(faults_->reads, 3);
    ASSERT_EQ(cache->Load(7000, 0, 216), CacheStatus::kOk);
    EXPECT_EQ(Bytes(*cache, 5000, 0, 216), Model(5000, 216));
    EXPECT_EQ(faults_->reads, 4);
}

TEST_F(BlockCachePassingTest, LoadsSeeTheBytesOfADirtyBufferNotTheFile) {
    for (const bool defer : {true, false}) {
        SCOPED_TRACE(defer);
        auto cache = Cache(8, defer);
        const uint8_t fresh[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
        // The same block, written and then loaded.
        ASSERT_EQ(cache->Write(3000, 40, fresh, 16), CacheStatus::kOk);
        ASSERT_EQ(cache->Load(3000, 0, 216), CacheStatus::kOk);
        std::vector<uint8_t> want = Model(3000, 216);
        std::memcpy(want.data() + 40, fresh, 16);
        EXPECT_EQ(Bytes(*cache, 3000, 0, 216), want);
        // Another block whose bytes a dirty buffer of a different block holds (a block split
        // out of a larger free one starts inside the old block).
        ASSERT_EQ(cache->Write(8000, 100, fresh, 16), CacheStatus::kOk);
        ASSERT_EQ(cache->Load(8064, 0, 216), CacheStatus::kOk);
        want = Model(8064, 216);
        std::memcpy(want.data() + 36, fresh, 16);
        EXPECT_EQ(Bytes(*cache, 8064, 0, 216), want);
    }
}

TEST_F(BlockCachePassingTest, WritingThePassingBlockFillsItsBufferWithoutARead) {
    for (const bool defer : {true, false}) {
        SCOPED_TRACE(defer);
        auto cache = Cache(4, defer);
        faults_->reads = 0;
        ASSERT_EQ(cache->Load(4000, 0, 216), CacheStatus::kOk);
        EXPECT_EQ(Bytes(*cache, 4000, 0, 24), Model(4000, 24));
        const uint8_t record[192] = {7, 7, 7};
        ASSERT_EQ(cache->Write(4000, 24, record, 192), CacheStatus::kOk);
        EXPECT_EQ(faults_->reads, 1);
        // The whole block is held now: the header as read, the data as written.
        std::vector<uint8_t> want = Model(4000, 216);
        std::memcpy(want.data() + 24, record, 192);
        EXPECT_EQ(Bytes(*cache, 4000, 0, 216), want);
        EXPECT_EQ(faults_->reads, 1);
        ASSERT_EQ(cache->Flush(), CacheStatus::kOk);
        std::memcpy(model_.data() + 4024, record, 192);
        EXPECT_EQ(ReadWholeFile(path_), model_);
    }
}

TEST_F(BlockCachePassingTest, ReadingBeyondThePassingBytesFillsTheBufferWithTheRest) {
    auto cache = Cache(4, true);
    ASSERT_EQ(cache->Load(4000, 0, 100), CacheStatus::kOk);
    EXPECT_EQ(Bytes(*cache, 4000, 0, 300), Model(4000, 300));
    EXPECT_EQ(faults_->reads, 2);
    EXPECT_EQ(Bytes(*cache, 4000, 0, 300), Model(4000, 300));
    EXPECT_EQ(faults_->reads, 2);
}

TEST_F(BlockCachePassingTest, AWriteOverThePassingBytesByAnotherBlockIsSeen) {
    auto cache = Cache(4, true);
    ASSERT_EQ(cache->Load(4000, 0, 216), CacheStatus::kOk);
    const uint8_t fresh[8] = {9, 9, 9, 9, 9, 9, 9, 9};
    // A block starting inside the passing one (its extent changed) writes its header there.
    ASSERT_EQ(cache->Write(4100, 0, fresh, 8), CacheStatus::kOk);
    std::vector<uint8_t> want = Model(4000, 216);
    std::memcpy(want.data() + 100, fresh, 8);
    EXPECT_EQ(Bytes(*cache, 4000, 0, 216), want);
    ASSERT_EQ(cache->Flush(), CacheStatus::kOk);
    std::memcpy(model_.data() + 4100, fresh, 8);
    EXPECT_EQ(ReadWholeFile(path_), model_);
}

TEST_F(BlockCachePassingTest, ALoadPastTheEndOfTheFileStillReportsTheMadeUpBytes) {
    auto cache = Cache(4, true);
    ASSERT_EQ(cache->Load(kFileBytes - 100, 0, 216), CacheStatus::kOk);
    std::vector<uint8_t> out(216);
    ASSERT_EQ(cache->Read(kFileBytes - 100, 0, out.data(), 24), CacheStatus::kOk);
    EXPECT_FALSE(cache->LastReadPastEnd());
    ASSERT_EQ(cache->Read(kFileBytes - 100, 0, out.data(), 216), CacheStatus::kOk);
    EXPECT_TRUE(cache->LastReadPastEnd());
    EXPECT_EQ(out[215], 0);
    EXPECT_EQ(out[0], model_[kFileBytes - 100]);
}

TEST_F(BlockCachePassingTest, NoBufferStillFailsEveryAccessAfterALoad) {
    auto cache = Cache(0, true);
    EXPECT_EQ(cache->Load(4000, 0, 216), CacheStatus::kNoBuffer);
    uint8_t out[24];
    EXPECT_EQ(cache->Read(4000, 0, out, 24), CacheStatus::kNoBuffer);
}

TEST_F(BlockCachePassingTest, AFailedLoadLeavesNothingBehind) {
    auto cache = Cache(4, true);
    faults_->failReads = true;
    EXPECT_EQ(cache->Load(4000, 0, 216), CacheStatus::kReadFailed);
    uint8_t out[24];
    EXPECT_EQ(cache->Read(4000, 0, out, 24), CacheStatus::kReadFailed);
    faults_->failReads = false;
    EXPECT_EQ(Bytes(*cache, 4000, 0, 24), Model(4000, 24));
}

// Random loads, reads and writes of overlapping and adjoining blocks against a plain byte array:
// every read sees the last bytes written there, and after a flush the file holds the model.
TEST_F(BlockCachePassingTest, LoadsMixedIntoRandomTrafficMatchTheModel) {
    struct Run {
        int32_t buffers;
        bool defer;
        uint32_t seed;
    };
    for (const Run run : {Run{7, true, 11}, Run{300, true, 12}, Run{4096, true, 13},
                          Run{300, false, 14}, Run{1, true, 15}}) {
        SCOPED_TRACE(run.buffers);
        auto cache = Cache(run.buffers, run.defer);
        ASSERT_NE(cache, nullptr);
        std::mt19937 random(run.seed);
        std::vector<uint8_t> bytes;
        for (int step = 0; step < 20000; ++step) {
            // Few distinct blocks, so loads come round again while the passing block lives.
            const int64_t base = 64 * static_cast<int64_t>(random() % 400);
            const int64_t position = static_cast<int64_t>(random() % 256);
            const int64_t length = 1 + static_cast<int64_t>(random() % 300);
            const size_t at = static_cast<size_t>(base + position);
            bytes.resize(static_cast<size_t>(length));
            switch (random() % 4) {
                case 0:
                    for (auto &byte : bytes)
                        byte = static_cast<uint8_t>(random());
                    ASSERT_EQ(cache->Write(base, position, bytes.data(), length), CacheStatus::kOk);
                    std::copy(bytes.begin(), bytes.end(), model_.begin() + static_cast<long>(at));
                    break;
                case 1:
                    ASSERT_EQ(cache->Load(base, 0, position + length), CacheStatus::kOk);
                    [[fallthrough]];
                default:
                    ASSERT_EQ(cache->Read(base, position, bytes.data(), length), CacheStatus::kOk);
                    ASSERT_TRUE(std::equal(bytes.begin(), bytes.end(),
                                           model_.begin() + static_cast<long>(at)))
                        << "step " << step << " block " << base << " at " << position;
            }
            if (step % 5000 == 4999) {
                ASSERT_EQ(cache->Flush(), CacheStatus::kOk);
            }
        }
        ASSERT_EQ(cache->Flush(), CacheStatus::kOk);
        EXPECT_FALSE(cache->HasDirtyBuffers());
        EXPECT_EQ(ReadWholeFile(path_), model_);
    }
}

}  // namespace
}  // namespace kw::engine
