// The record store's file format: where records land, serial numbers, block reuse, the split
// rule, free-list growth, reset, and the exact bytes of a store file read without the store.
#include "record_store.h"

#include <gtest/gtest.h>

#include <vector>

#include "kwdata.h"
#include "store_test_support.h"

namespace kw::engine {
namespace {

using testing::Int32At;
using testing::ReadWholeFile;

constexpr int32_t kLength = 41;  // a record of a table with a U field at offset 4
constexpr int32_t kSerialAt = 4;

std::vector<uint8_t> Record(uint8_t fill) {
    return std::vector<uint8_t>(kLength, fill);
}

class RecordStoreTest : public testing::TempDirTest {
  protected:
    std::unique_ptr<RecordStore> OpenStore(int32_t mode = 2, int32_t buffers = 20) {
        return RecordStore::Open(path_, buffers, mode);
    }
    int32_t Add(RecordStore &store, uint8_t fill) {
        auto record = Record(fill);
        int32_t ref = -1;
        EXPECT_EQ(store.AddRecord(record.data(), kLength, kSerialAt, &ref), 0);
        return ref;
    }
    // Entry k of the free list, read through the store's block interface.
    std::pair<int32_t, int32_t> FreeEntry(RecordStore &store, int32_t k) {
        uint8_t raw[8] = {};
        EXPECT_EQ(store.ReadData(store.Header().freeList, 8 + 8 * k, raw, 8), 8);
        return {GetInt32(raw), GetInt32(raw + 4)};
    }
    int32_t FreeListUsed(RecordStore &store) {
        BlockHeader h;
        EXPECT_TRUE(store.ReadBlockHeader(store.Header().freeList, &h));
        return h.used;
    }
};

TEST_F(RecordStoreTest, FirstRecordAt32WithSerial0AndSecondRightAfterIt) {
    auto store = OpenStore();
    ASSERT_TRUE(store);
    auto first = Record(0xAA);
    int32_t ref = -1;
    ASSERT_EQ(store->AddRecord(first.data(), kLength, kSerialAt, &ref), 0);
    EXPECT_EQ(ref, 32);
    EXPECT_EQ(GetInt32(first.data() + kSerialAt), 0);  // the caller's buffer shows the serial
    auto second = Record(0xBB);
    ASSERT_EQ(store->AddRecord(second.data(), kLength, kSerialAt, &ref), 0);
    EXPECT_EQ(ref, 32 + 24 + kLength);
    EXPECT_EQ(GetInt32(second.data() + kSerialAt), 1);
    EXPECT_EQ(store->Header().serial, 2);
    EXPECT_EQ(store->Header().first, 32);
    EXPECT_EQ(store->Header().last, 32 + 24 + kLength);

    std::vector<uint8_t> back(kLength);
    EXPECT_EQ(store->ReadRecord(ref, back.data(), kLength), kLength);
    EXPECT_EQ(back, second);
}

TEST_F(RecordStoreTest, WithoutSerialOffsetTheCounterStaysAndTheRecordIsUntouched) {
    auto store = OpenStore();
    auto record = Record(0x11);
    int32_t ref = -1;
    ASSERT_EQ(store->AddRecord(record.data(), kLength, -1, &ref), 0);
    EXPECT_EQ(record, Record(0x11));
    EXPECT_EQ(store->Header().serial, 0);
}

TEST_F(RecordStoreTest, DeleteThenAddReusesTheBlockAndEmptiesItsEntry) {
    auto store = OpenStore();
    Add(*store, 1);
    const int32_t b = Add(*store, 2);
    Add(*store, 3);
    ASSERT_TRUE(store->DeleteRecord(b));
    EXPECT_EQ(FreeEntry(*store, 0), std::make_pair(b, kLength));
    const int32_t end = store->Header().end;

    EXPECT_EQ(Add(*store, 4), b);
    EXPECT_EQ(FreeEntry(*store, 0), std::make_pair(-1, 0));
    EXPECT_EQ(store->Header().end, end);
    // The reused block is the new last record of the chain.
    EXPECT_EQ(store->Header().last, b);
    int32_t count = 0;
    ASSERT_TRUE(store->CountRecords(&count));
    EXPECT_EQ(count, 3);
}

TEST_F(RecordStoreTest, DeletingTheOnlyRecordLeavesFirstAndLastEmpty) {
    auto store = OpenStore();
    const int32_t only = Add(*store, 7);
    ASSERT_TRUE(store->DeleteRecord(only));
    EXPECT_EQ(store->Header().first, -1);
    EXPECT_EQ(store->Header().last, -1);
    EXPECT_EQ(store->FirstRecord(), -1);
    int32_t count = -1;
    ASSERT_TRUE(store->CountRecords(&count));
    EXPECT_EQ(count, 0);
}

TEST_F(RecordStoreTest, ResetRestartsTheSerialAndAppendsAt32) {
    auto store = OpenStore();
    for (uint8_t i = 0; i < 5; ++i)
        Add(*store, i);
    ASSERT_TRUE(store->DeleteRecord(32));
    ASSERT_TRUE(store->Reset());
    EXPECT_EQ(store->Header().end, 32);
    EXPECT_EQ(store->Header().freeList, -1);
    EXPECT_EQ(store->Header().first, -1);
    auto record = Record(9);
    int32_t ref = -1;
    ASSERT_EQ(store->AddRecord(record.data(), kLength, kSerialAt, &ref), 0);
    EXPECT_EQ(ref, 32);
    EXPECT_EQ(GetInt32(record.data() + kSerialAt), 0);
    // Blocks from before the reset are past the end now: their references are refused.
    std::vector<uint8_t> back(kLength);
    EXPECT_EQ(store->ReadRecord(32 + 2 * (24 + kLength), back.data(), kLength), -1);
    EXPECT_EQ(store->LastError(), STERR_BADBLOCK);
}

TEST_F(RecordStoreTest, SplitRuleKeepsBlocksWholeBelow289SpareBytes) {
    auto store = OpenStore();
    const int32_t r = store->AllocateBlock(600);
    ASSERT_EQ(r, 32);
    ASSERT_TRUE(store->FreeBlock(r));

    // 600 - 312 = 288 spare bytes: reused whole, the entry emptied.
    ASSERT_EQ(store->AllocateBlock(312), r);
    BlockHeader h;
    ASSERT_TRUE(store->ReadBlockHeader(r, &h));
    EXPECT_EQ(h.capacity, 600);
    EXPECT_EQ(h.used, 0);
    EXPECT_EQ(h.useCount, 1);
    EXPECT_EQ(FreeEntry(*store, 0), std::make_pair(-1, 0));

    // 600 - 311 = 289: split; the entry keeps the rest.
    ASSERT_TRUE(store->FreeBlock(r));
    EXPECT_EQ(FreeEntry(*store, 1), std::make_pair(r, 600));
    ASSERT_EQ(store->AllocateBlock(311), r);
    ASSERT_TRUE(store->ReadBlockHeader(r, &h));
    EXPECT_EQ(h.capacity, 311);
    EXPECT_EQ(FreeEntry(*store, 1), std::make_pair(r + 311 + 24, 600 - 311 - 48));
}

TEST_F(RecordStoreTest, FreeListDoublesWhenItsBlockIsFull) {
    auto store = OpenStore();
    std::vector<int32_t> refs;
    for (int i = 0; i < 260; ++i)
        refs.push_back(Add(*store, static_cast<uint8_t>(i)));
    // A 2048-byte list holds its head and 254 entries (an entry is appended only while
    // used + 8 stays below the capacity).
    for (int i = 0; i < 254; ++i)
        ASSERT_TRUE(store->DeleteRecord(refs[i]));
    const int32_t firstList = store->Header().freeList;
    EXPECT_EQ(FreeListUsed(*store), 8 + 254 * 8);
    const int32_t endBefore = store->Header().end;

    ASSERT_TRUE(store->DeleteRecord(refs[254]));
    const int32_t grown = store->Header().freeList;
    EXPECT_EQ(grown, endBefore);
    EXPECT_EQ(store->Header().end, endBefore + 24 + 4096);
    BlockHeader h;
    ASSERT_TRUE(store->ReadBlockHeader(grown, &h));
    EXPECT_EQ(h.capacity, 4096);
    EXPECT_EQ(h.used, 2040 + 16);
    EXPECT_EQ(FreeEntry(*store, 0), std::make_pair(refs[0], kLength));
    EXPECT_EQ(FreeEntry(*store, 253), std::make_pair(refs[253], kLength));
    EXPECT_EQ(FreeEntry(*store, 254), std::make_pair(refs[254], kLength));
    EXPECT_EQ(FreeEntry(*store, 255), std::make_pair(firstList, 2048));
    ASSERT_TRUE(store->ReadBlockHeader(firstList, &h));
    EXPECT_EQ(h.useCount, 0);  // the old list block is an ordinary free block now

    // First fit: the next records take the freed record blocks in list order.
    EXPECT_EQ(Add(*store, 1), refs[0]);
    EXPECT_EQ(Add(*store, 2), refs[1]);
}

TEST_F(RecordStoreTest, FreedBlocksPastTheFirst256EntriesAreReused) {
    auto store = OpenStore();
    std::vector<int32_t> refs;
    for (int i = 0; i < 400; ++i)
        refs.push_back(Add(*store, static_cast<uint8_t>(i)));
    for (int i = 0; i < 400; ++i)
        ASSERT_TRUE(store->DeleteRecord(refs[i]));
    // The first 256 entries offer 255 record blocks and the retired 2048-byte list block (21
    // blocks by splitting); the other adds must come from entries further down the list.
    const int32_t end = store->Header().end;
    for (int i = 0; i < 400; ++i)
        Add(*store, 1);
    EXPECT_EQ(store->Header().end, end);
    EXPECT_EQ(FreeEntry(*store, 300), std::make_pair(-1, 0));
}

TEST_F(RecordStoreTest, DeletingThroughAStaleReferenceDoesNotFreeTheBlockTwice) {
    auto store = OpenStore();
    const int32_t a = Add(*store, 1);
    Add(*store, 2);
    ASSERT_TRUE(store->DeleteRecord(a));
    EXPECT_FALSE(store->DeleteRecord(a));
    EXPECT_EQ(store->LastError(), STERR_BADBLOCK);
    std::vector<uint8_t> back(kLength);
    EXPECT_EQ(store->ReadRecord(a, back.data(), kLength), -1);
    auto record = Record(3);
    EXPECT_FALSE(store->UpdateRecord(a, record.data(), kLength));
    // Two adds get two different blocks.
    const int32_t c = Add(*store, 3);
    const int32_t d = Add(*store, 4);
    EXPECT_EQ(c, a);
    EXPECT_NE(d, a);
}

TEST_F(RecordStoreTest, WritesPastTheCapacityGive404AndReadsClampToTheUsedLength) {
    auto store = OpenStore();
    const int32_t r = store->AllocateBlock(10);
    const uint8_t bytes[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    EXPECT_FALSE(store->WriteData(r, 5, bytes, 6));
    EXPECT_EQ(store->LastError(), STERR_OVERFLOW);
    ASSERT_TRUE(store->WriteData(r, 2, bytes, 3));
    BlockHeader h;
    ASSERT_TRUE(store->ReadBlockHeader(r, &h));
    EXPECT_EQ(h.used, 5);
    // A record read of a short block copies what there is and says how much.
    uint8_t back[kLength];
    std::fill(back, back + kLength, 0xEE);
    EXPECT_EQ(store->ReadRecord(r, back, kLength), 5);
    EXPECT_EQ(back[2], 1);
    EXPECT_EQ(back[5], 0xEE);
    EXPECT_EQ(store->ReadData(r, 4, back, 10), 1);
    EXPECT_EQ(store->ReadData(r, 9, back, 10), 0);
    auto big = Record(1);
    EXPECT_FALSE(store->UpdateRecord(r, big.data(), kLength));
    EXPECT_EQ(store->LastError(), STERR_OVERFLOW);
    EXPECT_EQ(store->AllocateBlock(0), -1);
}

TEST_F(RecordStoreTest, StoreBuffersZeroMakesOpenFail) {
    EXPECT_FALSE(RecordStore::Open(path_, 0, 2));
    EXPECT_FALSE(RecordStore::Open(path_, -3, 1));
    EXPECT_TRUE(RecordStore::Open(path_, 1, 1));
}

TEST_F(RecordStoreTest, TheStoreFileIsHeldExclusively) {
    auto store = OpenStore();
    ASSERT_TRUE(store);
    EXPECT_FALSE(OpenStore());
    ASSERT_TRUE(store->Close());
    EXPECT_TRUE(store->Close());  // closing twice is harmless
    EXPECT_FALSE(store->Flush());
    auto record = Record(1);
    int32_t ref;
    EXPECT_EQ(store->AddRecord(record.data(), kLength, kSerialAt, &ref), KWERR_EXTENDED);
    EXPECT_TRUE(OpenStore());
}

TEST_F(RecordStoreTest, CountAndWalkFollowInsertionOrderAcrossReopen) {
    {
        auto store = OpenStore();
        for (uint8_t i = 0; i < 6; ++i)
            Add(*store, i);
        ASSERT_TRUE(store->DeleteRecord(32));
        ASSERT_TRUE(store->Close());
    }
    auto store = OpenStore();
    ASSERT_TRUE(store);
    EXPECT_EQ(store->Header().serial, 6);
    std::vector<uint8_t> fills;
    int32_t steps = 0;
    for (int32_t r = store->FirstRecord(); r != -1 && steps <= store->MaxBlockCount(); ++steps) {
        std::vector<uint8_t> back(kLength);
        ASSERT_EQ(store->ReadRecord(r, back.data(), kLength), kLength);
        fills.push_back(back[0]);
        ASSERT_TRUE(store->NextRecord(r, &r));
    }
    EXPECT_EQ(fills, (std::vector<uint8_t>{1, 2, 3, 4, 5}));
    int32_t count = 0;
    ASSERT_TRUE(store->CountRecords(&count));
    EXPECT_EQ(count, 5);
}

// --- the exact bytes, read with plain file reads ----------------------------------------------

class StoreFileBytesTest : public RecordStoreTest, public ::testing::WithParamInterface<int32_t> {};

TEST_P(StoreFileBytesTest, HeaderBlocksAndLinksAreAsLaidOut) {
    constexpr int32_t a = 32, b = a + 24 + kLength, c = b + 24 + kLength, list = c + 24 + kLength;
    {
        auto store = OpenStore(GetParam());
        ASSERT_EQ(Add(*store, 0xA1), a);
        ASSERT_EQ(Add(*store, 0xB2), b);
        ASSERT_EQ(Add(*store, 0xC3), c);
        ASSERT_TRUE(store->DeleteRecord(b));
        ASSERT_TRUE(store->Close());
    }
    const std::vector<uint8_t> f = ReadWholeFile(path_);
    ASSERT_GE(f.size(), static_cast<size_t>(list + 24 + 16));

    // Store header: magic, end, free list, serial counter, first, last and the reserved zeros.
    EXPECT_EQ(f[0], 0x54);  // little-endian
    const int32_t header[] = {0x00072254, list + 24 + 2048, list, 3, a, c, 0, 0};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(Int32At(f, 4 * i), header[i]) << "field " << i;

    struct Expected {
        int32_t at, capacity, used, useCount, next, prev;
    };
    for (const Expected &e :
         {Expected{a, kLength, kLength, 1, c, -1},
          Expected{b, kLength, kLength, 0, c, a},  // freed, links kept
          Expected{c, kLength, kLength, 1, -1, a}, Expected{list, 2048, 16, 1, -1, -1}}) {
        SCOPED_TRACE(e.at);
        EXPECT_EQ(Int32At(f, e.at), 0x00072254);
        EXPECT_EQ(Int32At(f, e.at + 4), e.capacity);
        EXPECT_EQ(Int32At(f, e.at + 8), e.used);
        EXPECT_EQ(Int32At(f, e.at + 12), e.useCount);
        EXPECT_EQ(Int32At(f, e.at + 16), e.next);
        EXPECT_EQ(Int32At(f, e.at + 20), e.prev);
    }
    // Record data with the serial numbers in place.
    EXPECT_EQ(f[a + 24], 0xA1);
    EXPECT_EQ(Int32At(f, a + 24 + kSerialAt), 0);
    EXPECT_EQ(Int32At(f, c + 24 + kSerialAt), 2);
    EXPECT_EQ(f[c + 24 + kLength - 1], 0xC3);
    // Free list: head (-1, 0), then the entry for b.
    EXPECT_EQ(Int32At(f, list + 24), -1);
    EXPECT_EQ(Int32At(f, list + 28), 0);
    EXPECT_EQ(Int32At(f, list + 32), b);
    EXPECT_EQ(Int32At(f, list + 36), kLength);
}

INSTANTIATE_TEST_SUITE_P(BothCacheModes, StoreFileBytesTest, ::testing::Values(1, 2));

TEST_F(RecordStoreTest, HeaderReachesTheFileOnlyWhenTheBlockLayoutChanges) {
    auto store = OpenStore(1);
    const int32_t a = Add(*store, 1);
    Add(*store, 2);
    // Each append wrote the header as it was before that record's serial was counted.
    EXPECT_EQ(Int32At(ReadWholeFile(path_), 12), 1);
    ASSERT_TRUE(store->DeleteRecord(a));  // a free writes the header
    EXPECT_EQ(Int32At(ReadWholeFile(path_), 12), 2);
    Add(*store, 3);  // into the reused block: the header lags
    ASSERT_TRUE(store->Flush());
    EXPECT_EQ(Int32At(ReadWholeFile(path_), 12), 2);
    ASSERT_TRUE(store->Close());
    EXPECT_EQ(Int32At(ReadWholeFile(path_), 12), 3);
}

TEST_F(RecordStoreTest, WriteThroughPutsEveryBlockChangeInTheFileAtOnce) {
    auto store = OpenStore(1, 2);
    const int32_t a = Add(*store, 1);
    const int32_t b = Add(*store, 2);
    const int32_t c = Add(*store, 3);
    auto f = ReadWholeFile(path_);
    EXPECT_EQ(f[c + 24 + kLength - 1], 3);
    EXPECT_EQ(Int32At(f, b + 16), c);

    auto record = Record(0x5A);
    ASSERT_TRUE(store->UpdateRecord(b, record.data(), kLength));
    f = ReadWholeFile(path_);
    EXPECT_TRUE(std::equal(record.begin(), record.end(), f.begin() + b + 24));

    ASSERT_TRUE(store->DeleteRecord(a));
    f = ReadWholeFile(path_);
    EXPECT_EQ(Int32At(f, a + 12), 0);   // freed
    EXPECT_EQ(Int32At(f, b + 20), -1);  // b is first now
    EXPECT_EQ(Int32At(f, 16), b);
    const int32_t list = store->Header().freeList;
    EXPECT_EQ(Int32At(f, list + 24 + 8), a);

    EXPECT_EQ(Add(*store, 4), a);
    f = ReadWholeFile(path_);
    EXPECT_EQ(Int32At(f, list + 24 + 8), -1);
    EXPECT_EQ(Int32At(f, c + 16), a);
    EXPECT_EQ(Int32At(f, a + 12), 1);
    EXPECT_EQ(f[a + 24 + kLength - 1], 4);
}

TEST_F(RecordStoreTest, AFileWithZeroMagicIsInitialisedAsANewStore) {
    testing::PatchFile(path_, 0, std::vector<uint8_t>(10, 0).data(), 10);
    auto store = OpenStore();
    ASSERT_TRUE(store);
    EXPECT_EQ(store->Header().end, 32);
    ASSERT_TRUE(store->Close());
    EXPECT_EQ(Int32At(ReadWholeFile(path_), 0), kStoreMagic);
}

}  // namespace
}  // namespace kw::engine
