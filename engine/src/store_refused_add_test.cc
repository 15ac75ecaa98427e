// The store's part of a refused add (RecordStore::AddRefusedRecord): checked against a twin store
// that adds the record and deletes it again, operation for operation, through free-list reuse,
// splits and growth, in both cache modes; and what the block it leaves behind looks like.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "kwdata.h"
#include "platform/path.h"
#include "record_store.h"
#include "store_test_support.h"

namespace kw::engine {
namespace {

constexpr int32_t kRecordBytes = 41;
constexpr int32_t kSerialOffset = 4;

std::vector<uint8_t> Filled(uint8_t fill) {
    return std::vector<uint8_t>(kRecordBytes, fill);
}

// Everything the store decides with: its header and its free list's bytes.
struct StoreState {
    StoreHeader header;
    std::vector<uint8_t> freeList;
    bool operator==(const StoreState &o) const {
        return header.end == o.header.end && header.freeList == o.header.freeList &&
               header.serial == o.header.serial && header.first == o.header.first &&
               header.last == o.header.last && freeList == o.freeList;
    }
};

std::ostream &operator<<(std::ostream &out, const StoreState &s) {
    return out << "end " << s.header.end << " list " << s.header.freeList << " serial "
               << s.header.serial << " first " << s.header.first << " last " << s.header.last
               << " list bytes " << s.freeList.size();
}

StoreState StateOf(RecordStore &store) {
    StoreState s;
    s.header = store.Header();
    if (s.header.freeList != -1) {
        BlockHeader list;
        EXPECT_TRUE(store.ReadBlockHeader(s.header.freeList, &list));
        s.freeList.resize(static_cast<size_t>(list.used));
        EXPECT_EQ(store.ReadData(s.header.freeList, 0, s.freeList.data(), list.used), list.used);
    }
    return s;
}

class StoreRefusedAddTest : public testing::TempDirTest,
                            public ::testing::WithParamInterface<int32_t> {
  protected:
    std::unique_ptr<RecordStore> Open(const std::string &path) {
        auto store = RecordStore::Open(path, 20, GetParam());
        EXPECT_TRUE(store);
        return store;
    }
};

TEST_P(StoreRefusedAddTest, ARefusedAddNumbersTheRecordAndLeavesAFreedBlockBehind) {
    auto store = Open(path_);
    auto refused = Filled(0xEE);
    ASSERT_EQ(store->AddRefusedRecord(refused.data(), kRecordBytes, kSerialOffset), 0);
    EXPECT_EQ(GetInt32(refused.data() + kSerialOffset), 0);  // the buffer shows the serial
    EXPECT_EQ(store->Header().serial, 1);
    EXPECT_EQ(store->Header().first, -1);
    EXPECT_EQ(store->Header().last, -1);
    // As after an add and a delete: the block at 32, then the free list that lists it.
    const int32_t list = 32 + 24 + kRecordBytes;
    EXPECT_EQ(store->Header().freeList, list);
    BlockHeader h;
    ASSERT_TRUE(store->ReadBlockHeader(32, &h));
    EXPECT_EQ(h.capacity, kRecordBytes);
    EXPECT_EQ(h.used, 0);
    EXPECT_EQ(h.useCount, 0);  // never a record, not even for a scan of the file
    EXPECT_EQ(h.next, -1);
    EXPECT_EQ(h.prev, -1);
    uint8_t entry[8];
    ASSERT_EQ(store->ReadData(list, 8, entry, 8), 8);
    EXPECT_EQ(GetInt32(entry), 32);
    EXPECT_EQ(GetInt32(entry + 4), kRecordBytes);

    auto kept = Filled(0x11);
    int32_t ref = -1;
    ASSERT_EQ(store->AddRecord(kept.data(), kRecordBytes, kSerialOffset, &ref), 0);
    EXPECT_EQ(ref, 32);
    EXPECT_EQ(GetInt32(kept.data() + kSerialOffset), 1);
    int32_t count = -1;
    ASSERT_TRUE(store->CountRecords(&count));
    EXPECT_EQ(count, 1);

    // Without a U field nothing is numbered.
    auto plain = Filled(0x22);
    ASSERT_EQ(store->AddRefusedRecord(plain.data(), kRecordBytes, -1), 0);
    EXPECT_EQ(plain, Filled(0x22));
    EXPECT_EQ(store->Header().serial, 2);
}

TEST_P(StoreRefusedAddTest, EveryStepLeavesWhatAnAddAndADeleteWould) {
    auto refusing = Open(path_);
    auto twin = Open(platform::JoinPath(dir_, "KWTWIN.dat"));
    std::mt19937 rng(GetParam() * 7919 + 17);
    std::vector<int32_t> live;
    uint8_t fill = 0;

    auto add = [&] {
        auto a = Filled(++fill), b = Filled(fill);
        int32_t refA = -1, refB = -2;
        ASSERT_EQ(refusing->AddRecord(a.data(), kRecordBytes, kSerialOffset, &refA), 0);
        ASSERT_EQ(twin->AddRecord(b.data(), kRecordBytes, kSerialOffset, &refB), 0);
        ASSERT_EQ(refA, refB);
        live.push_back(refA);
    };
    auto refuse = [&] {
        auto a = Filled(++fill), b = Filled(fill);
        int32_t ref = -1;
        ASSERT_EQ(refusing->AddRefusedRecord(a.data(), kRecordBytes, kSerialOffset), 0);
        ASSERT_EQ(twin->AddRecord(b.data(), kRecordBytes, kSerialOffset, &ref), 0);
        ASSERT_TRUE(twin->DeleteRecord(ref));
        ASSERT_EQ(a, b);  // the same serial shown
    };
    auto remove = [&] {
        if (live.empty()) return;
        const size_t at = rng() % live.size();
        ASSERT_TRUE(refusing->DeleteRecord(live[at]));
        ASSERT_TRUE(twin->DeleteRecord(live[at]));
        live.erase(live.begin() + static_cast<std::ptrdiff_t>(at));
    };
    // A larger free block in the list, so that refused adds also split blocks and reuse them
    // whole with spare bytes.
    auto spare = [&] {
        const int32_t size = kRecordBytes + static_cast<int32_t>(rng() % 700);
        const int32_t a = refusing->AllocateBlock(size), b = twin->AllocateBlock(size);
        ASSERT_EQ(a, b);
        ASSERT_NE(a, -1);
        ASSERT_TRUE(refusing->FreeBlock(a));
        ASSERT_TRUE(twin->FreeBlock(b));
    };

    // A list past its first 254 entries (grown by doubling), then everything mixed.
    for (int i = 0; i < 300; ++i)
        ASSERT_NO_FATAL_FAILURE(add());
    for (int i = 0; i < 270; ++i)
        ASSERT_NO_FATAL_FAILURE(remove());
    ASSERT_EQ(StateOf(*refusing), StateOf(*twin));
    for (int i = 0; i < 3000; ++i) {
        const uint32_t roll = rng() % 100;
        if (roll < 35) {
            ASSERT_NO_FATAL_FAILURE(add());
        } else if (roll < 70) {
            ASSERT_NO_FATAL_FAILURE(refuse());
        } else if (roll < 95) {
            ASSERT_NO_FATAL_FAILURE(remove());
        } else {
            ASSERT_NO_FATAL_FAILURE(spare());
        }
        ASSERT_EQ(StateOf(*refusing), StateOf(*twin)) << "step " << i;
    }

    // The same chain, and a sound store after reopening: no listed block is one in use (a split
    // remainder has no header of its own until it is handed out).
    ASSERT_TRUE(refusing->Close());
    refusing = Open(path_);
    ChainWalk walkA(*refusing), walkB(*twin);
    int32_t refA = -1, refB = -1;
    do {
        ASSERT_TRUE(walkA.Next(&refA));
        ASSERT_TRUE(walkB.Next(&refB));
        ASSERT_EQ(refA, refB);
    } while (refA != -1);
    EXPECT_EQ(walkA.Steps(), static_cast<int32_t>(live.size()));
    const StoreState state = StateOf(*refusing);
    ASSERT_EQ(state, StateOf(*twin));
    for (size_t at = 8; at + 8 <= state.freeList.size(); at += 8) {
        const int32_t offset = GetInt32(state.freeList.data() + at);
        if (offset == -1) continue;
        BlockHeader h;
        if (refusing->ReadBlockHeader(offset, &h)) {
            EXPECT_EQ(h.useCount, 0) << "entry at " << at;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(BothCacheModes, StoreRefusedAddTest, ::testing::Values(1, 2));

}  // namespace
}  // namespace kw::engine
