// The index cache's unit map against std::unordered_map (entries stay findable through long runs
// of puts and erases, across colliding runs and the table's wrap-around), the extremes of its
// packed keys and values, and the index cache's refusal to cache what the keys cannot hold.
#include "unit_map.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <unordered_map>

#include "index_page_cache.h"

namespace kw::engine {
namespace {

TEST(UnitMapTest, PutReplacesAndEraseForgetsOnlyItsKey) {
    UnitMap map(4);
    EXPECT_EQ(map.Get(7), UnitMap::kNone);
    map.Put(7, 0);  // value 0 must not read as an empty slot
    map.Put(9, 2);
    EXPECT_EQ(map.Get(7), 0);
    map.Put(7, 3);
    EXPECT_EQ(map.Get(7), 3);
    map.Erase(7);
    EXPECT_EQ(map.Get(7), UnitMap::kNone);
    EXPECT_EQ(map.Get(9), 2);
    map.Erase(12345);  // not held: nothing changes
    EXPECT_EQ(map.Get(9), 2);
}

TEST(UnitMapTest, TheLargestKeysAndValuesSurviveThePacking) {
    UnitMap map(4);
    const uint64_t top = UnitMap::kKeyLimit - 1;
    map.Put(top, UnitMap::kMaxValue - 1);
    map.Put(0, 0);
    map.Put(top - 1, 1);
    EXPECT_EQ(map.Get(top), UnitMap::kMaxValue - 1);
    EXPECT_EQ(map.Get(0), 0);
    EXPECT_EQ(map.Get(top - 1), 1);
    map.Erase(top);
    EXPECT_EQ(map.Get(top), UnitMap::kNone);
    EXPECT_EQ(map.Get(top - 1), 1);
}

// Few distinct keys in a small table make long colliding runs that wrap around the end, where a
// wrong backward shift loses entries; a full table (as many entries as it was made for) has the
// longest runs.
TEST(UnitMapTest, MatchesAModelThroughRandomPutsAndErases) {
    for (const int32_t maxEntries : {1, 5, 16, 100}) {
        UnitMap map(maxEntries);
        std::unordered_map<uint64_t, int32_t> model;
        std::mt19937 random(static_cast<unsigned>(maxEntries));
        const uint64_t keys = static_cast<uint64_t>(maxEntries) * 3;
        for (int step = 0; step < 20000; ++step) {
            // Keys as the cache makes them: a file number above a unit number.
            const uint64_t key = (random() % 3) << 26 | (random() % keys);
            if (random() % 3 != 0 && model.size() < static_cast<size_t>(maxEntries)) {
                const auto value = static_cast<int32_t>(random() % 1000);
                map.Put(key, value);
                model[key] = value;
            } else if (!model.empty() && random() % 2 == 0) {
                const uint64_t held = model.begin()->first;
                map.Erase(held);
                model.erase(held);
            } else {
                map.Erase(key);
                model.erase(key);
            }
            for (uint64_t file = 0; file < 3; ++file) {
                for (uint64_t unit = 0; unit < keys; ++unit) {
                    const uint64_t probe = file << 26 | unit;
                    const auto it = model.find(probe);
                    ASSERT_EQ(map.Get(probe), it == model.end() ? UnitMap::kNone : it->second)
                        << "entries " << maxEntries << ", step " << step << ", key " << probe;
                }
            }
        }
    }
}

// A file far larger than any index file: it makes up its bytes from their offsets and counts its
// reads, so nothing is allocated for the offsets themselves.
class FarOffsetFile final : public platform::RandomAccessFile {
  public:
    int64_t ReadAt(int64_t offset, void *buffer, size_t n) override {
        ++reads;
        auto *out = static_cast<uint8_t *>(buffer);
        for (size_t i = 0; i < n; ++i)
            out[i] = static_cast<uint8_t>((offset + static_cast<int64_t>(i)) * 7);
        return static_cast<int64_t>(n);
    }
    int64_t WriteAt(int64_t, const void *, size_t n) override {
        ++writes;
        return static_cast<int64_t>(n);
    }
    int64_t Size() override { return kSize; }
    bool Sync() override { return true; }
    const std::string &Path() const override { return path_; }

    static constexpr int64_t kSize = int64_t{1} << 40;
    int reads = 0;
    int writes = 0;

  private:
    std::string path_ = "far";
};

TEST(UnitMapTest, OffsetsBeyondWhatAUnitKeyHoldsGoStraightToTheFile) {
    FarOffsetFile file;
    IndexPageCache cache(64 * IndexPageCache::kUnitSize);
    const int32_t number = cache.Attach(&file, FarOffsetFile::kSize, true);
    const int64_t far = int64_t{1} << 36;
    uint8_t bytes[16];
    uint8_t expected[16];
    for (int i = 0; i < 16; ++i)
        expected[i] = static_cast<uint8_t>((far + i) * 7);
    for (int pass = 0; pass < 2; ++pass) {
        ASSERT_EQ(cache.Read(number, far, bytes, sizeof bytes), 16);
        EXPECT_EQ(std::memcmp(bytes, expected, sizeof bytes), 0);
    }
    EXPECT_EQ(file.reads, 2);  // read each time, never held
    EXPECT_EQ(cache.UnitsInUse(), 0u);
    EXPECT_EQ(cache.Peek(number, far, 16), nullptr);
    // A deferred write there reaches the file at once, since no unit may hold it.
    ASSERT_EQ(cache.Write(number, far, bytes, sizeof bytes), 16);
    EXPECT_EQ(file.writes, 1);
    EXPECT_EQ(cache.DirtyUnits(number), 0);
    // Offsets below stay cached.
    ASSERT_EQ(cache.Read(number, 1024, bytes, sizeof bytes), 16);
    ASSERT_EQ(cache.Read(number, 1024, bytes, sizeof bytes), 16);
    EXPECT_EQ(file.reads, 3);
    EXPECT_EQ(cache.UnitsInUse(), 1u);
    cache.Detach(number);
}

}  // namespace
}  // namespace kw::engine
