// The chunked offset map against std::map: exact, next and previous keys stay right through
// chunk splits, merges of sparse neighbours and chunks emptied, with the index filled to its
// stated capacity and drained again.
#include "range_index.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <map>
#include <random>

namespace kw::engine {
namespace {

// Checks every question at probe against the model.
void ExpectSameAnswers(const RangeIndex &index, const std::map<int64_t, int32_t> &model,
                       int64_t probe) {
    const auto found = model.find(probe);
    EXPECT_EQ(index.Get(probe), found == model.end() ? RangeIndex::kNone : found->second);
    const auto at = model.lower_bound(probe);
    const RangeIndex::Entry next = index.AtOrAfter(probe);
    if (at == model.end()) {
        EXPECT_EQ(next.value, RangeIndex::kNone) << probe;
    } else {
        EXPECT_EQ(next.key, at->first) << probe;
        EXPECT_EQ(next.value, at->second) << probe;
    }
    const RangeIndex::Entry before = index.Before(probe);
    if (at == model.begin()) {
        EXPECT_EQ(before.value, RangeIndex::kNone) << probe;
    } else {
        EXPECT_EQ(before.key, std::prev(at)->first) << probe;
        EXPECT_EQ(before.value, std::prev(at)->second) << probe;
    }
}

TEST(RangeIndexTest, AnEmptyIndexHasNoEntries) {
    RangeIndex index(0);
    EXPECT_EQ(index.Get(0), RangeIndex::kNone);
    EXPECT_EQ(index.AtOrAfter(INT64_MIN).value, RangeIndex::kNone);
    EXPECT_EQ(index.Before(INT64_MAX).value, RangeIndex::kNone);
    index.Insert(5, 1);
    index.Erase(5);
    EXPECT_EQ(index.Size(), 0);
    EXPECT_EQ(index.AtOrAfter(0).value, RangeIndex::kNone);
}

// Filling up and draining in waves, with keys clustered so inserts land in the same chunks, makes
// splits, merges and emptied chunks; the index never holds more than it was made for.
TEST(RangeIndexTest, MatchesAModelThroughWavesOfInsertsAndErases) {
    constexpr int32_t kMaxEntries = 1000;
    RangeIndex index(kMaxEntries);
    std::map<int64_t, int32_t> model;
    std::mt19937 random(11);
    for (int wave = 0; wave < 6; ++wave) {
        const bool filling = wave % 2 == 0;
        const int64_t spread = wave < 2 ? 4000 : 400000;
        for (int step = 0; step < 6000; ++step) {
            const int64_t key = static_cast<int64_t>(random() % spread) - spread / 4;
            const bool insert = filling ? random() % 4 != 0 : random() % 4 == 0;
            if (insert && model.size() < kMaxEntries && model.count(key) == 0) {
                const auto value = static_cast<int32_t>(random() % kMaxEntries);
                index.Insert(key, value);
                model[key] = value;
            } else if (!insert && !model.empty()) {
                // An entry held (near key), so erasing really removes something.
                auto it = model.lower_bound(key);
                if (it == model.end()) it = std::prev(it);
                index.Erase(it->first);
                model.erase(it);
            }
            ASSERT_EQ(index.Size(), static_cast<int32_t>(model.size()));
            ExpectSameAnswers(index, model, key);
        }
        for (const auto &[key, value] : model) {
            ExpectSameAnswers(index, model, key);
            ExpectSameAnswers(index, model, key + 1);
        }
    }
    while (!model.empty()) {
        index.Erase(model.begin()->first);
        model.erase(model.begin());
    }
    EXPECT_EQ(index.AtOrAfter(INT64_MIN).value, RangeIndex::kNone);
}

}  // namespace
}  // namespace kw::engine
