// The index cache's in-place reads for the B-tree: Load reads a missing unit and hands out its
// bytes, and a favoured unit (an inner page) outlasts the others in the clock but still goes once
// it stays unused.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "index_page_cache.h"

namespace kw::engine {
namespace {

constexpr int64_t kFavourUnit = IndexPageCache::kUnitSize;

// A file in memory whose reads can be made to fail.
class FavourTestFile final : public platform::RandomAccessFile {
  public:
    explicit FavourTestFile(std::string bytes) : bytes_(std::move(bytes)) {}
    int64_t ReadAt(int64_t offset, void *buffer, size_t n) override {
        ++reads;
        if (failReads) return -1;
        if (offset >= static_cast<int64_t>(bytes_.size())) return 0;
        const size_t got = std::min(n, bytes_.size() - static_cast<size_t>(offset));
        std::memcpy(buffer, bytes_.data() + offset, got);
        return static_cast<int64_t>(got);
    }
    int64_t WriteAt(int64_t, const void *, size_t) override { return -1; }
    int64_t Size() override { return static_cast<int64_t>(bytes_.size()); }
    bool Sync() override { return true; }
    const std::string &Path() const override { return path_; }

    int reads = 0;
    bool failReads = false;

  private:
    std::string bytes_;
    std::string path_ = "favour";
};

// A file of units units, unit i filled with the letter 'a' + i.
std::string LetteredUnits(int units) {
    std::string bytes;
    for (int i = 0; i < units; ++i)
        bytes.append(static_cast<size_t>(kFavourUnit), static_cast<char>('a' + i));
    return bytes;
}

class IndexCacheFavourTest : public ::testing::Test {
  protected:
    void SetUp() override {
        file_ = std::make_unique<FavourTestFile>(LetteredUnits(26));
        cache_ = std::make_unique<IndexPageCache>(4 * static_cast<size_t>(kFavourUnit));
        number_ = cache_->Attach(file_.get(), file_->Size(), true);
    }
    void TearDown() override { cache_->Detach(number_); }

    // The first byte of unit i through Load, or '-' when it gave nothing.
    char LoadUnit(int i, bool favoured = false) {
        bool checked = true, failed = true;
        const uint8_t *bytes =
            cache_->Load(number_, i * kFavourUnit, kFavourUnit, &checked, &failed, favoured);
        EXPECT_FALSE(failed);
        return bytes ? static_cast<char>(bytes[0]) : '-';
    }
    bool Held(int i) { return cache_->Peek(number_, i * kFavourUnit, kFavourUnit) != nullptr; }

    std::unique_ptr<FavourTestFile> file_;
    std::unique_ptr<IndexPageCache> cache_;
    int32_t number_ = -1;
};

TEST_F(IndexCacheFavourTest, LoadReadsAMissingUnitOnceAndHandsOutItsBytes) {
    EXPECT_FALSE(Held(3));
    EXPECT_EQ(LoadUnit(3), 'd');
    const int reads = file_->reads;
    EXPECT_EQ(LoadUnit(3), 'd');
    EXPECT_EQ(file_->reads, reads);
    // Bytes across two units or past the end of the file are not handed out, and nothing is
    // read for them.
    bool checked = false, failed = true;
    EXPECT_EQ(cache_->Load(number_, 3 * kFavourUnit + 1, kFavourUnit, &checked, &failed), nullptr);
    EXPECT_FALSE(failed);
    EXPECT_EQ(cache_->Load(number_, 26 * kFavourUnit, kFavourUnit, &checked, &failed), nullptr);
    EXPECT_FALSE(failed);
    EXPECT_EQ(file_->reads, reads);
}

TEST_F(IndexCacheFavourTest, AFailedReadIsReportedAndCachesNothing) {
    file_->failReads = true;
    bool checked = false, failed = false;
    EXPECT_EQ(cache_->Load(number_, 5 * kFavourUnit, kFavourUnit, &checked, &failed), nullptr);
    EXPECT_TRUE(failed);
    EXPECT_EQ(cache_->UnitsInUse(), 0u);
    file_->failReads = false;
    EXPECT_EQ(LoadUnit(5), 'f');
}

TEST_F(IndexCacheFavourTest, AFavouredUnitOutlastsUnitsLoadedAfterIt) {
    // Units far apart in the file, so no miss reads its neighbours along.
    EXPECT_EQ(LoadUnit(0, true), 'a');
    EXPECT_EQ(LoadUnit(4), 'e');
    EXPECT_EQ(LoadUnit(8), 'i');
    EXPECT_EQ(LoadUnit(12), 'm');
    for (int i : {16, 20, 24, 2, 6, 10})
        EXPECT_EQ(LoadUnit(i), static_cast<char>('a' + i));
    EXPECT_TRUE(Held(0));
    EXPECT_FALSE(Held(4));
    EXPECT_FALSE(Held(8));
}

TEST_F(IndexCacheFavourTest, AFavouredUnitLeftUnusedGoesInTheEnd) {
    EXPECT_EQ(LoadUnit(0, true), 'a');
    const int others[] = {4, 8, 12, 16, 20, 24};
    for (int round = 0; round < 4 * (IndexPageCache::kFavouredUses + 1) && Held(0); ++round)
        EXPECT_EQ(LoadUnit(others[round % 6]), static_cast<char>('a' + others[round % 6]));
    EXPECT_FALSE(Held(0));
}

TEST_F(IndexCacheFavourTest, FavourKeepsAHeldUnitAndReadsNothingForOneNotHeld) {
    EXPECT_EQ(LoadUnit(0), 'a');
    cache_->Favour(number_, 0);
    const int reads = file_->reads;
    cache_->Favour(number_, 7 * kFavourUnit);
    EXPECT_EQ(file_->reads, reads);
    EXPECT_FALSE(Held(7));
    for (int i : {4, 8, 12, 16, 20, 24})
        EXPECT_EQ(LoadUnit(i), static_cast<char>('a' + i));
    EXPECT_TRUE(Held(0));
}

}  // namespace
}  // namespace kw::engine
