// The block cache with many buffers whose blocks overlap and adjoin one another in the file,
// against a plain byte array: reads always see the last bytes written there, whichever buffer
// wrote them, and after a flush the file holds exactly the model. This walks the index of buffer
// ranges (overlap checks, neighbours joined into one write-back) far more than the small cases.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "block_cache.h"
#include "store_test_support.h"

namespace kw::engine {
namespace {

class BlockCacheRangeModelTest : public testing::TempDirTest {
  protected:
    static constexpr size_t kFileBytes = 65536;

    void SetUp() override {
        TempDirTest::SetUp();
        model_ = testing::WritePatternFile(path_, kFileBytes);
        file_ = platform::OpenExclusive(path_, platform::OpenMode::kExisting);
        ASSERT_NE(file_, nullptr);
    }

    // Random reads and writes of blocks at 64-byte steps, each up to 556 bytes long, so most
    // blocks overlap or adjoin others; with deferral some runs are flushed midway.
    void RunAgainstModel(int32_t buffers, bool defer, uint32_t seed) {
        auto cache = BlockCache::Create(file_.get(), buffers, defer);
        ASSERT_NE(cache, nullptr);
        std::mt19937 random(seed);
        std::vector<uint8_t> bytes;
        for (int step = 0; step < 20000; ++step) {
            const int64_t base = 64 * static_cast<int64_t>(random() % 800);
            const int64_t position = static_cast<int64_t>(random() % 256);
            const int64_t length = 1 + static_cast<int64_t>(random() % 300);
            bytes.resize(static_cast<size_t>(length));
            const size_t at = static_cast<size_t>(base + position);
            if (random() % 3 == 0) {
                for (auto &byte : bytes)
                    byte = static_cast<uint8_t>(random());
                ASSERT_EQ(cache->Write(base, position, bytes.data(), length), CacheStatus::kOk);
                std::copy(bytes.begin(), bytes.end(), model_.begin() + static_cast<long>(at));
            } else {
                ASSERT_EQ(cache->Read(base, position, bytes.data(), length), CacheStatus::kOk);
                ASSERT_TRUE(
                    std::equal(bytes.begin(), bytes.end(), model_.begin() + static_cast<long>(at)))
                    << "step " << step << " block " << base << " at " << position;
            }
            if (step % 5000 == 4999) {
                ASSERT_EQ(cache->Flush(), CacheStatus::kOk);
            }
        }
        ASSERT_EQ(cache->Flush(), CacheStatus::kOk);
        EXPECT_FALSE(cache->HasDirtyBuffers());
        EXPECT_EQ(testing::ReadWholeFile(path_), model_);
    }

    std::vector<uint8_t> model_;
    std::unique_ptr<platform::RandomAccessFile> file_;
};

TEST_F(BlockCacheRangeModelTest, ManyDeferredBuffersOverOverlappingBlocksMatchTheModel) {
    RunAgainstModel(300, true, 3);
    RunAgainstModel(4096, true, 4);
}

TEST_F(BlockCacheRangeModelTest, FewBuffersAndWriteThroughMatchTheModel) {
    RunAgainstModel(7, true, 5);
    RunAgainstModel(300, false, 6);
}

}  // namespace
}  // namespace kw::engine
