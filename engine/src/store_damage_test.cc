// Damaged store files: foreign headers, bad references, capacities and links, loops, a damaged
// free list, a truncated file and random byte damage. Every case ends in a refused open or a
// 403 (and 518 for allocation), never a crash or a hang.
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <random>
#include <vector>

#include "kwdata.h"
#include "record_store.h"
#include "store_test_support.h"

namespace kw::engine {
namespace {

using testing::PatchInt32;

constexpr int32_t kLength = 41;
constexpr int32_t kA = 32, kB = kA + 24 + kLength, kC = kB + 24 + kLength, kD = kC + 24 + kLength;
constexpr int32_t kList = kD + 24 + kLength;  // the free-list block after B is deleted

class StoreDamageTest : public testing::TempDirTest {
  protected:
    // Records A, B, C, D in a closed store; B deleted when withFreeList.
    void Build(bool withFreeList = true, int records = 4) {
        auto store = RecordStore::Open(path_, 20, 2);
        ASSERT_TRUE(store);
        for (int i = 0; i < records; ++i) {
            std::vector<uint8_t> record(kLength, static_cast<uint8_t>(i + 1));
            int32_t ref;
            ASSERT_EQ(store->AddRecord(record.data(), kLength, 0, &ref), 0);
        }
        if (withFreeList) {
            ASSERT_TRUE(store->DeleteRecord(kB));
        }
        ASSERT_TRUE(store->Close());
    }
    std::unique_ptr<RecordStore> Reopen() {
        auto store = RecordStore::Open(path_, 20, 2);
        EXPECT_TRUE(store);
        return store;
    }
    // Every record-level use of ref fails with 403.
    static void ExpectRefused(RecordStore &s, int32_t ref) {
        SCOPED_TRACE(ref);
        std::vector<uint8_t> record(kLength, 0);
        EXPECT_EQ(s.ReadRecord(ref, record.data(), kLength), -1);
        EXPECT_EQ(s.LastError(), STERR_BADBLOCK);
        EXPECT_FALSE(s.UpdateRecord(ref, record.data(), kLength));
        EXPECT_EQ(s.LastError(), STERR_BADBLOCK);
        EXPECT_FALSE(s.DeleteRecord(ref));
        EXPECT_EQ(s.LastError(), STERR_BADBLOCK);
        int32_t next = 0;
        EXPECT_FALSE(s.NextRecord(ref, &next));
        EXPECT_EQ(s.NextRecord(ref), -1);
    }
    static void ExpectCountFails(RecordStore &s) {
        int32_t count = -1;
        EXPECT_FALSE(s.CountRecords(&count));
        EXPECT_EQ(s.LastError(), STERR_BADBLOCK);
        EXPECT_EQ(count, -1);
    }
};

TEST_F(StoreDamageTest, AForeignMagicRefusesTheOpen) {
    Build();
    PatchInt32(path_, 0, 0x12345678);
    EXPECT_FALSE(RecordStore::Open(path_, 20, 2));
    const char text[] = "MMMMM----- Recipe via Meal-Master";
    testing::PatchFile(path_, 0, text, sizeof text);
    EXPECT_FALSE(RecordStore::Open(path_, 20, 1));
}

TEST_F(StoreDamageTest, ReferencesThatAreNoBlockGive403) {
    Build();
    auto s = Reopen();
    for (int32_t ref : {-1, -5, 0, 31, kA + 1, kA + 24, kList + 24 + 2048, INT32_MAX - 10,
                        INT32_MAX, INT32_MIN}) {
        ExpectRefused(*s, ref);
        BlockHeader h;
        EXPECT_FALSE(s->ReadBlockHeader(ref, &h));
        EXPECT_FALSE(s->FreeBlock(ref));
        uint8_t byte = 0;
        EXPECT_FALSE(s->WriteData(ref, 0, &byte, 1));
        EXPECT_EQ(s->ReadData(ref, 0, &byte, 1), -1);
        BlockHeader fake;
        fake.capacity = kLength;
        EXPECT_FALSE(s->WriteBlockHeader(ref, fake));
    }
    ExpectRefused(*s, kList);  // the free-list block is no record, nor a block to free
    EXPECT_FALSE(s->FreeBlock(kList));
    ExpectRefused(*s, kB);  // nor is a freed block
    int32_t count = 0;
    EXPECT_TRUE(s->CountRecords(&count));
    EXPECT_EQ(count, 3);
}

TEST_F(StoreDamageTest, CapacitiesAndUsedLengthsOutsideTheStoreGive403) {
    Build();
    for (int32_t capacity : {INT32_MAX, -1, INT32_MIN, 100000}) {
        PatchInt32(path_, kC + 4, capacity);
        auto s = Reopen();
        ExpectRefused(*s, kC);
        ExpectCountFails(*s);
    }
    PatchInt32(path_, kC + 4, kLength);
    PatchInt32(path_, kC + 8, kLength + 1);  // used past the capacity
    auto s = Reopen();
    ExpectRefused(*s, kC);
    PatchInt32(path_, kC + 8, -3);
    s.reset();
    s = Reopen();
    ExpectRefused(*s, kC);
}

TEST_F(StoreDamageTest, LinksOutsideTheStoreGive403) {
    Build();
    for (int32_t next : {99999999, -7, 40, INT32_MAX, kList + 24 + 2048 - 10}) {
        SCOPED_TRACE(next);
        PatchInt32(path_, kA + 16, next);
        auto s = Reopen();
        ExpectCountFails(*s);
        if (next != 40) {
            EXPECT_EQ(s->NextRecord(kA), -1);
        }
    }
}

TEST_F(StoreDamageTest, ASelfLinkIsCaught) {
    Build();
    PatchInt32(path_, kC + 16, kC);
    auto s = Reopen();
    ExpectCountFails(*s);
    int32_t next = 0;
    EXPECT_FALSE(s->NextRecord(kC, &next));
    EXPECT_FALSE(s->DeleteRecord(kC));
    EXPECT_EQ(s->LastError(), STERR_BADBLOCK);
}

TEST_F(StoreDamageTest, LoopsInTheChainEndTheCount) {
    Build(false, 200);
    const int32_t step = 24 + kLength;
    // Last back to first, a two-block loop at the start and one in the middle.
    for (auto [from, to] : {std::pair{kA + 199 * step, kA}, std::pair{kA + step, kA},
                            std::pair{kA + 150 * step, kA + 100 * step}}) {
        SCOPED_TRACE(from);
        PatchInt32(path_, from + 16, to);
        auto s = Reopen();
        ExpectCountFails(*s);
        ChainWalk walk(*s);
        int32_t ref = -1;
        while (walk.Next(&ref) && ref != -1) {
        }
        EXPECT_TRUE(walk.Failed());
        EXPECT_LE(walk.Steps(), 3 * 200);  // a loop is caught within a few rounds
        s.reset();
        PatchInt32(path_, from + 16, from == kA + 199 * step ? -1 : from + step);
    }
    auto s = Reopen();
    int32_t count = 0;
    EXPECT_TRUE(s->CountRecords(&count));
    EXPECT_EQ(count, 200);
}

TEST_F(StoreDamageTest, ADamagedStoreHeaderGives403OnUse) {
    Build(false);
    PatchInt32(path_, 16, 12345);  // first
    {
        auto s = Reopen();
        ExpectCountFails(*s);
    }
    PatchInt32(path_, 16, kA);
    PatchInt32(path_, 4, 10);  // end before the blocks
    {
        auto s = Reopen();
        std::vector<uint8_t> record(kLength, 0);
        int32_t ref;
        EXPECT_EQ(s->AddRecord(record.data(), kLength, 0, &ref), KWERR_NOSPACE);
        EXPECT_EQ(s->LastError(), STERR_BADBLOCK);
        ExpectRefused(*s, kA);
    }
    PatchInt32(path_, 4, INT32_MAX - 30);  // no room left for another block
    {
        auto s = Reopen();
        std::vector<uint8_t> record(kLength, 0);
        int32_t ref;
        EXPECT_EQ(s->AddRecord(record.data(), kLength, 0, &ref), KWERR_NOSPACE);
        EXPECT_EQ(s->LastError(), STERR_OVERFLOW);
        // Blocks past the file's end read as zeros: no block there.
        ExpectRefused(*s, INT32_MAX - 100);
        int32_t count = 0;
        EXPECT_TRUE(s->CountRecords(&count));
    }
}

TEST_F(StoreDamageTest, ADamagedFreeListGives403AndChangesNothing) {
    Build();
    std::vector<uint8_t> record(kLength, 0);
    int32_t ref;
    struct Damage {
        int32_t at, value;
        bool listBlock;  // the list block itself is damaged, not one of its entries
    };
    for (const Damage &d : {Damage{kList + 24 + 8, 10, false},             // entry below 32
                            Damage{kList + 24 + 8, INT32_MAX - 5, false},  // entry past the end
                            Damage{kList + 24 + 8, kList, false},          // the list itself
                            Damage{kList + 8, 2049, true},                 // used past capacity
                            Damage{kList + 8, 4, true},                    // used inside the head
                            Damage{8, kA + 3, true}}) {                    // list not a block
        SCOPED_TRACE(d.value);
        const std::vector<uint8_t> before = testing::ReadWholeFile(path_);
        PatchInt32(path_, d.at, d.value);
        {
            auto s = Reopen();
            EXPECT_EQ(s->AddRecord(record.data(), kLength, 0, &ref), KWERR_NOSPACE);
            EXPECT_EQ(s->LastError(), STERR_BADBLOCK);
            if (d.listBlock) {
                EXPECT_FALSE(s->DeleteRecord(kA));
                EXPECT_EQ(s->LastError(), STERR_BADBLOCK);
            }
            int32_t count = 0;
            ASSERT_TRUE(s->CountRecords(&count));
            EXPECT_EQ(count, 3);
            EXPECT_EQ(s->FirstRecord(), kA);
        }
        testing::PatchFile(path_, 0, before.data(), before.size());
    }
}

// A crash that wrote a reused block (and the link to it) but not the free list leaves the list
// naming a block that is in the chain. Handing it out again overwrote that record and linked
// the block into the chain a second time.
TEST_F(StoreDamageTest, AStaleFreeListEntryNeverHandsOutALiveBlock) {
    Build();  // B deleted: the list's first entry is {B, 41}
    const std::vector<uint8_t> listed = testing::ReadWholeFile(path_);
    std::vector<uint8_t> record(kLength, 0xEE), read(kLength);
    int32_t ref = -1;
    {
        auto s = Reopen();
        ASSERT_EQ(s->AddRecord(record.data(), kLength, 0, &ref), 0);
        ASSERT_EQ(ref, kB);
        ASSERT_TRUE(s->Close());
    }
    // Put back the list as it was before the reuse.
    testing::PatchFile(path_, kList + 24 + 8, listed.data() + kList + 24 + 8, 8);
    auto s = Reopen();
    std::vector<uint8_t> other(kLength, 0x77);
    ASSERT_EQ(s->AddRecord(other.data(), kLength, 0, &ref), 0);
    EXPECT_NE(ref, kB);
    ASSERT_EQ(s->ReadRecord(kB, read.data(), kLength), kLength);
    EXPECT_EQ(read, record);
    int32_t count = 0;
    ASSERT_TRUE(s->CountRecords(&count));
    EXPECT_EQ(count, 5);
}

TEST_F(StoreDamageTest, ATruncatedFileReadsAsZerosAndGives403) {
    Build();
    std::filesystem::resize_file(path_, kC + 10);
    auto s = Reopen();
    ExpectRefused(*s, kC);
    ExpectCountFails(*s);
    std::vector<uint8_t> record(kLength);
    EXPECT_EQ(s->ReadRecord(kA, record.data(), kLength), kLength);
}

// Random bytes of a good store overwritten, many times over: whatever happens, every call
// returns, and failures carry a store code.
TEST_F(StoreDamageTest, RandomDamageNeverCrashes) {
    Build(true, 40);
    const std::vector<uint8_t> pristine = testing::ReadWholeFile(path_);
    std::mt19937 rng(7);
    for (int round = 0; round < 300; ++round) {
        std::vector<uint8_t> bytes = pristine;
        const int hits = 1 + static_cast<int>(rng() % 6);
        for (int i = 0; i < hits; ++i) {
            // Mostly header fields, where damage matters; sometimes any byte.
            size_t at = rng() % 2 ? (rng() % 24) : rng() % bytes.size();
            if (rng() % 3 == 0) at = kA + (rng() % 40) * (24 + kLength) + rng() % 24;
            if (at < bytes.size()) bytes[at] = static_cast<uint8_t>(rng());
        }
        testing::PatchFile(path_, 0, bytes.data(), bytes.size());
        auto s = RecordStore::Open(path_, 1 + static_cast<int32_t>(rng() % 3), 1 + rng() % 2);
        if (!s) continue;
        const auto isStoreCode = [&](int32_t code) {
            return code == STERR_BADBLOCK || code == STERR_WRITE || code == STERR_OVERFLOW;
        };
        int32_t count = 0;
        if (!s->CountRecords(&count)) {
            EXPECT_TRUE(isStoreCode(s->LastError()));
        }
        std::vector<uint8_t> record(kLength);
        ChainWalk walk(*s);
        for (int32_t ref; walk.Next(&ref) && ref != -1;) {
            if (s->ReadRecord(ref, record.data(), kLength) < 0) break;
            s->UpdateRecord(ref, record.data(), kLength);
        }
        int32_t added = -1;
        const int32_t result = s->AddRecord(record.data(), kLength, 0, &added);
        EXPECT_TRUE(result == 0 || result == KWERR_NOSPACE || result == KWERR_EXTENDED);
        if (s->FirstRecord() != -1) s->DeleteRecord(s->FirstRecord());
        s->DeleteRecord(kB + (rng() % 4) * (24 + kLength));
        s->CountRecords(&count);
        s->Close();
    }
}

}  // namespace
}  // namespace kw::engine
