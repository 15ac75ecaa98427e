// Randomised adds, updates and deletes against an in-memory model, with flushes, closes and
// reopens along the way, in both cache modes and with 1, 2 and 20 buffers. After every step the
// touched record is checked (in write-through mode in the file itself, read with a second
// descriptor); at intervals the whole chain, every record's bytes and the free list are checked
// through the store, and after each close the chain is walked in the file with plain reads.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <random>
#include <tuple>
#include <vector>

#include "record_store.h"
#include "store_test_support.h"

namespace kw::engine {
namespace {

using testing::Int32At;
using testing::ReadWholeFile;

constexpr int32_t kSerialAt = 3;

struct LiveRecord {
    int32_t ref;
    std::vector<uint8_t> bytes;
};

struct Extent {
    int64_t from, to;
};

class StoreRandomTest : public testing::TempDirTest,
                        public ::testing::WithParamInterface<std::tuple<int32_t, int32_t>> {
  protected:
    int32_t Mode() const { return std::get<0>(GetParam()); }
    int32_t Buffers() const { return std::get<1>(GetParam()); }

    void Reopen() {
        if (store_) {
            ASSERT_TRUE(store_->Close());
            store_.reset();
            CheckFileWithPlainReads();
        }
        store_ = RecordStore::Open(path_, Buffers(), Mode());
        ASSERT_TRUE(store_);
        EXPECT_EQ(store_->Header().serial, serial_);
    }

    std::vector<uint8_t> RandomBytes(int32_t length) {
        std::vector<uint8_t> bytes(length);
        for (auto &b : bytes)
            b = static_cast<uint8_t>(rng_());
        return bytes;
    }

    // (position, offset, capacity) of every free-list entry, read through the store.
    std::vector<std::tuple<int32_t, int32_t, int32_t>> FreeEntries() {
        std::vector<std::tuple<int32_t, int32_t, int32_t>> entries;
        const int32_t list = store_->Header().freeList;
        if (list == -1) return entries;
        BlockHeader h;
        EXPECT_TRUE(store_->ReadBlockHeader(list, &h));
        std::vector<uint8_t> data(h.used);
        EXPECT_EQ(store_->ReadData(list, 0, data.data(), h.used), h.used);
        EXPECT_EQ(GetInt32(data.data()), -1);
        EXPECT_EQ(GetInt32(data.data() + 4), 0);
        for (int32_t p = 8; p + 8 <= h.used; p += 8) {
            entries.emplace_back(p, GetInt32(data.data() + p), GetInt32(data.data() + p + 4));
        }
        return entries;
    }

    // Where the next block of length bytes must go: the first fitting entry, else the end.
    int32_t ExpectedPlace(int32_t length) {
        for (auto [position, offset, capacity] : FreeEntries()) {
            if (offset != -1 && capacity >= length) {
                if (capacity - length >= 289) ++splits_;
                return offset;
            }
        }
        return store_->Header().end;
    }

    void Add() {
        static constexpr int32_t kLengths[] = {37, 37, 37, 37, 300, 700};
        const int32_t length = kLengths[rng_() % 6];
        std::vector<uint8_t> bytes = RandomBytes(length);
        const int32_t expected = ExpectedPlace(length);
        int32_t ref = -1;
        ASSERT_EQ(store_->AddRecord(bytes.data(), length, kSerialAt, &ref), 0);
        EXPECT_EQ(ref, expected);
        EXPECT_EQ(GetInt32(bytes.data() + kSerialAt), serial_++);
        live_.push_back({ref, bytes});
        CheckRecord(live_.back());
    }

    void Update() {
        LiveRecord &r = live_[rng_() % live_.size()];
        r.bytes = RandomBytes(static_cast<int32_t>(r.bytes.size()));
        ASSERT_TRUE(
            store_->UpdateRecord(r.ref, r.bytes.data(), static_cast<int32_t>(r.bytes.size())));
        CheckRecord(r);
    }

    void Delete() {
        const size_t i = rng_() % live_.size();
        const int32_t ref = live_[i].ref;
        ASSERT_TRUE(store_->DeleteRecord(ref));
        live_.erase(live_.begin() + static_cast<ptrdiff_t>(i));
        std::vector<uint8_t> scratch(8);
        EXPECT_EQ(store_->ReadRecord(ref, scratch.data(), 8), -1);
        bool listed = false;
        for (auto [position, offset, capacity] : FreeEntries())
            listed |= offset == ref;
        EXPECT_TRUE(listed);
    }

    void CheckRecord(const LiveRecord &r) {
        const auto length = static_cast<int32_t>(r.bytes.size());
        std::vector<uint8_t> back(length);
        ASSERT_EQ(store_->ReadRecord(r.ref, back.data(), length), length);
        ASSERT_EQ(back, r.bytes);
        if (Mode() == 2) return;
        // Write-through: the bytes are in the file when the call returns.
        int fd = ::open(path_.c_str(), O_RDONLY);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::pread(fd, back.data(), length, r.ref + 24), length);
        ::close(fd);
        ASSERT_EQ(back, r.bytes) << "record at " << r.ref << " not in the file";
    }

    void CheckEverything() {
        int32_t count = -1;
        ASSERT_TRUE(store_->CountRecords(&count));
        ASSERT_EQ(count, static_cast<int32_t>(live_.size()));
        EXPECT_EQ(store_->Header().first, live_.empty() ? -1 : live_.front().ref);
        EXPECT_EQ(store_->Header().last, live_.empty() ? -1 : live_.back().ref);

        std::vector<Extent> used;
        int32_t ref = store_->FirstRecord();
        int32_t prev = -1;
        for (const LiveRecord &r : live_) {
            ASSERT_EQ(ref, r.ref);
            BlockHeader h;
            ASSERT_TRUE(store_->ReadBlockHeader(ref, &h));
            EXPECT_EQ(h.prev, prev);
            EXPECT_EQ(h.used, static_cast<int32_t>(r.bytes.size()));
            used.push_back({ref, int64_t{ref} + 24 + h.capacity});
            CheckRecord(r);
            prev = ref;
            ASSERT_TRUE(store_->NextRecord(ref, &ref));
        }
        EXPECT_EQ(ref, -1);

        // The free list: sound entries over blocks no record and no other entry uses.
        const int32_t list = store_->Header().freeList;
        if (list != -1) {
            BlockHeader h;
            ASSERT_TRUE(store_->ReadBlockHeader(list, &h));
            used.push_back({list, int64_t{list} + 24 + h.capacity});
        }
        for (auto [position, offset, capacity] : FreeEntries()) {
            if (offset == -1) {
                EXPECT_EQ(capacity, 0);
                continue;
            }
            EXPECT_GE(offset, 32);
            EXPECT_GT(capacity, 0);
            used.push_back({offset, int64_t{offset} + 24 + capacity});
        }
        std::sort(used.begin(), used.end(),
                  [](const Extent &a, const Extent &b) { return a.from < b.from; });
        for (size_t i = 0; i < used.size(); ++i) {
            EXPECT_LE(used[i].to, store_->Header().end);
            if (i > 0) {
                ASSERT_LE(used[i - 1].to, used[i].from) << "blocks overlap";
            }
        }
    }

    // The closed file walked without the store: header, links both ways, bytes.
    void CheckFileWithPlainReads() {
        const std::vector<uint8_t> f = ReadWholeFile(path_);
        ASSERT_EQ(Int32At(f, 0), kStoreMagic);
        EXPECT_EQ(Int32At(f, 12), serial_);
        EXPECT_EQ(Int32At(f, 16), live_.empty() ? -1 : live_.front().ref);
        EXPECT_EQ(Int32At(f, 20), live_.empty() ? -1 : live_.back().ref);
        int32_t ref = Int32At(f, 16);
        int32_t prev = -1;
        for (const LiveRecord &r : live_) {
            ASSERT_EQ(ref, r.ref);
            ASSERT_EQ(Int32At(f, ref), kStoreMagic);
            EXPECT_EQ(Int32At(f, ref + 12), 1);
            EXPECT_EQ(Int32At(f, ref + 20), prev);
            ASSERT_LE(ref + 24 + r.bytes.size(), f.size());
            EXPECT_TRUE(std::equal(r.bytes.begin(), r.bytes.end(), f.begin() + ref + 24));
            prev = ref;
            ref = Int32At(f, ref + 16);
        }
        EXPECT_EQ(ref, -1);
    }

    std::mt19937 rng_{20240611};
    std::unique_ptr<RecordStore> store_;
    std::vector<LiveRecord> live_;
    int32_t serial_ = 0;
    int splits_ = 0;
};

TEST_P(StoreRandomTest, ChainFreeListAndBytesFollowTheModel) {
    Reopen();
    if (HasFatalFailure()) return;
    int32_t largestList = 0;
    for (int step = 0; step < 3000; ++step) {
        // Grow, then shrink hard (the free list has to grow), then churn.
        const uint32_t addShare = step < 1000 ? 70 : step < 1600 ? 10 : 45;
        const uint32_t roll = rng_() % 100;
        if (roll < addShare || live_.empty()) {
            Add();
        } else if (roll < addShare + (100 - addShare) / 3) {
            Update();
        } else if (roll < 97) {
            Delete();
        } else if (roll < 99) {
            ASSERT_TRUE(store_->Flush());
        } else {
            Reopen();
        }
        if (HasFatalFailure()) return;
        if (step % 150 == 0) CheckEverything();
        if (HasFatalFailure()) return;
        BlockHeader list;
        if (store_->Header().freeList != -1 &&
            store_->ReadBlockHeader(store_->Header().freeList, &list)) {
            largestList = std::max(largestList, list.capacity);
        }
    }
    EXPECT_GE(largestList, 4096);  // the run did make the free list grow
    EXPECT_GT(splits_, 0);         // and split a larger free block
    CheckEverything();
    Reopen();
    if (HasFatalFailure()) return;
    CheckEverything();
}

INSTANTIATE_TEST_SUITE_P(CacheModesAndSizes, StoreRandomTest,
                         ::testing::Combine(::testing::Values(1, 2), ::testing::Values(1, 2, 20)),
                         [](const auto &info) {
                             return "Mode" + std::to_string(std::get<0>(info.param)) + "Buffers" +
                                    std::to_string(std::get<1>(info.param));
                         });

}  // namespace
}  // namespace kw::engine
