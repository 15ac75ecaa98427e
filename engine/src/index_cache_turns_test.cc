// The clock turns of the index cache's units: a plain use of a favoured unit keeps its favour,
// a favour given again starts its turns afresh, and units read along with a miss go first.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "index_page_cache.h"

namespace kw::engine {
namespace {

constexpr int64_t kTurnsUnit = IndexPageCache::kUnitSize;

// A read-only file of 64 units, unit i filled with the byte i.
class TurnsTestFile final : public platform::RandomAccessFile {
  public:
    int64_t ReadAt(int64_t offset, void *buffer, size_t n) override {
        ++reads;
        for (size_t i = 0; i < n; ++i)
            static_cast<uint8_t *>(buffer)[i] =
                static_cast<uint8_t>((offset + static_cast<int64_t>(i)) / kTurnsUnit);
        return static_cast<int64_t>(n);
    }
    int64_t WriteAt(int64_t, const void *, size_t) override { return -1; }
    int64_t Size() override { return 64 * kTurnsUnit; }
    bool Sync() override { return true; }
    const std::string &Path() const override { return path_; }

    int reads = 0;

  private:
    std::string path_ = "turns";
};

class IndexCacheTurnsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        cache_ = std::make_unique<IndexPageCache>(4 * static_cast<size_t>(kTurnsUnit));
        number_ = cache_->Attach(&file_, file_.Size(), true);
    }
    void TearDown() override { cache_->Detach(number_); }

    // Units far apart, so that no miss is taken for a walk through the file.
    void LoadUnit(int i, bool favoured = false) {
        bool checked = false, failed = false;
        const uint8_t *bytes =
            cache_->Load(number_, i * kTurnsUnit, kTurnsUnit, &checked, &failed, favoured);
        ASSERT_NE(bytes, nullptr);
        EXPECT_EQ(bytes[0], i);
    }
    // Whether unit i is held, without using it: a read that needs the file is a miss.
    bool HeldUntouched(int i) {
        const int reads = file_.reads;
        uint8_t byte = 0;
        cache_->Read(number_, i * kTurnsUnit, &byte, 1);
        return file_.reads == reads;
    }

    TurnsTestFile file_;
    std::unique_ptr<IndexPageCache> cache_;
    int32_t number_ = -1;
};

TEST_F(IndexCacheTurnsTest, APlainUseOfAFavouredUnitKeepsItsFavour) {
    LoadUnit(0, true);
    EXPECT_NE(cache_->Peek(number_, 0, kTurnsUnit), nullptr);  // a plain use
    LoadUnit(2);  // a used unit besides it; the clock's first turn only clears such marks
    for (int i : {10, 20, 30, 40, 50, 60})
        LoadUnit(i);
    EXPECT_TRUE(HeldUntouched(0));
}

TEST_F(IndexCacheTurnsTest, AFavourGivenAgainStartsItsTurnsAfresh) {
    LoadUnit(0, true);
    const int others[] = {10, 20, 30, 40, 50, 60};
    // Far more loads than its first favour lasts, favoured again now and then.
    for (int round = 0; round < 8 * (IndexPageCache::kFavouredUses + 1); ++round) {
        LoadUnit(others[round % 6]);
        if (round % 4 == 3) cache_->Favour(number_, 0);
    }
    EXPECT_TRUE(HeldUntouched(0));
}

TEST_F(IndexCacheTurnsTest, NeighboursReadAlongWithAMissGoBeforeTheUnitsUsed) {
    cache_->Detach(number_);
    cache_ = std::make_unique<IndexPageCache>(8 * static_cast<size_t>(kTurnsUnit));
    number_ = cache_->Attach(&file_, file_.Size(), true);
    // A walk through the file: the second miss continues the first, so the 4 KiB around it come
    // in with it (the six units not held yet), neighbours first and unused.
    LoadUnit(16);
    LoadUnit(17);
    EXPECT_EQ(cache_->UnitsInUse(), 8u);
    LoadUnit(40);  // takes the place of an unused neighbour, not of 16 or 17
    LoadUnit(50);
    EXPECT_TRUE(HeldUntouched(16));
    EXPECT_TRUE(HeldUntouched(17));
}

}  // namespace
}  // namespace kw::engine
