// The offset map against std::unordered_map: entries stay findable through long runs of puts and
// erases (backward-shift deletion across colliding runs and the table's wrap-around).
#include "offset_map.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <unordered_map>

namespace kw::engine {
namespace {

TEST(OffsetMapTest, PutReplacesAndEraseForgetsOnlyItsOffset) {
    OffsetMap map(4);
    EXPECT_EQ(map.Get(2048), OffsetMap::kNone);
    map.Put(2048, 1);
    map.Put(4096, 2);
    map.Put(2048, 3);
    EXPECT_EQ(map.Get(2048), 3);
    map.Erase(2048);
    EXPECT_EQ(map.Get(2048), OffsetMap::kNone);
    EXPECT_EQ(map.Get(4096), 2);
    map.Erase(12345);  // not held: nothing changes
    EXPECT_EQ(map.Get(4096), 2);
    map.Clear();
    EXPECT_EQ(map.Get(4096), OffsetMap::kNone);
}

// Few distinct offsets in a small table make long colliding runs that wrap around the end, where
// a wrong backward shift loses entries.
TEST(OffsetMapTest, MatchesAModelThroughRandomPutsAndErases) {
    constexpr int32_t kMaxEntries = 16;
    OffsetMap map(kMaxEntries);
    std::unordered_map<int64_t, int32_t> model;
    std::mt19937 random(7);
    for (int step = 0; step < 20000; ++step) {
        const int64_t offset = int64_t{512} * static_cast<int64_t>(random() % 40);
        if (random() % 2 == 0 && model.size() < kMaxEntries) {
            const auto value = static_cast<int32_t>(random() % 1000);
            map.Put(offset, value);
            model[offset] = value;
        } else {
            map.Erase(offset);
            model.erase(offset);
        }
        for (int64_t probe = 0; probe < 40; ++probe) {
            const auto it = model.find(probe * 512);
            ASSERT_EQ(map.Get(probe * 512), it == model.end() ? OffsetMap::kNone : it->second)
                << "step " << step << ", offset " << probe * 512;
        }
    }
}

}  // namespace
}  // namespace kw::engine
