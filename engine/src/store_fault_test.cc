// The record store over a file whose writes fail or tear (injected with the platform's open
// hook): failures come back as 402, 154 or 518 with the cause, nothing crashes, and the store
// goes on working once the file does.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "kwdata.h"
#include "record_store.h"
#include "store_test_support.h"

namespace kw::engine {
namespace {

constexpr int32_t kLength = 50;

class StoreFaultTest : public testing::TempDirTest {
  protected:
    int32_t Add(RecordStore &s, uint8_t fill, int32_t *ref = nullptr) {
        std::vector<uint8_t> record(kLength, fill);
        int32_t r = -1;
        const int32_t result = s.AddRecord(record.data(), kLength, 0, &r);
        if (ref) *ref = r;
        return result;
    }
    static int32_t Count(RecordStore &s) {
        int32_t n = -1;
        return s.CountRecords(&n) ? n : -1;
    }
    // Adds records of the given fills to a new deferred-write store and closes it, so a test can
    // open it again over faulty files; their references, or none when a step failed.
    std::vector<int32_t> StoreHolding(std::initializer_list<uint8_t> fills) {
        auto s = RecordStore::Open(path_, 20, 2);
        if (!s) return {};
        std::vector<int32_t> refs;
        for (uint8_t fill : fills) {
            int32_t r = -1;
            if (Add(*s, fill, &r) != 0) return {};
            refs.push_back(r);
        }
        return s->Close() ? refs : std::vector<int32_t>{};
    }
    // Positions in the write log of the writes that touch the file bytes [from, to).
    static std::vector<size_t> WritesTouching(const std::vector<std::pair<int64_t, size_t>> &log,
                                              int64_t from, int64_t to) {
        std::vector<size_t> found;
        for (size_t i = 0; i < log.size(); ++i) {
            const auto &[offset, size] = log[i];
            if (offset < to && offset + static_cast<int64_t>(size) > from) found.push_back(i);
        }
        return found;
    }
};

TEST_F(StoreFaultTest, ANewStoreWhoseHeaderCannotBeWrittenDoesNotOpen) {
    auto faults = testing::InstallFaultyFiles();
    faults->failWrites = true;
    EXPECT_FALSE(RecordStore::Open(path_, 20, 1));
}

TEST_F(StoreFaultTest, WriteThroughFailuresGive402AndTheStoreCarriesOn) {
    auto faults = testing::InstallFaultyFiles();
    auto s = RecordStore::Open(path_, 20, 1);
    ASSERT_TRUE(s);
    int32_t a, b;
    ASSERT_EQ(Add(*s, 1, &a), 0);
    ASSERT_EQ(Add(*s, 2, &b), 0);

    faults->failWrites = true;
    faults->tornWrites = true;
    EXPECT_EQ(Add(*s, 3), KWERR_NOSPACE);  // the append could not write the header
    EXPECT_EQ(s->LastError(), STERR_WRITE);
    std::vector<uint8_t> record(kLength, 9);
    EXPECT_FALSE(s->UpdateRecord(a, record.data(), kLength));
    EXPECT_EQ(s->LastError(), STERR_WRITE);
    EXPECT_FALSE(s->DeleteRecord(b));
    EXPECT_EQ(s->LastError(), STERR_WRITE);
    EXPECT_FALSE(s->Close());

    faults->failWrites = false;
    EXPECT_EQ(Count(*s), 2);
    ASSERT_EQ(Add(*s, 4), 0);
    EXPECT_TRUE(s->DeleteRecord(b));
    EXPECT_EQ(Count(*s), 2);
    EXPECT_TRUE(s->Close());
}

TEST_F(StoreFaultTest, AFailedFlushGives154AndCloseCanBeRetried) {
    auto faults = testing::InstallFaultyFiles();
    auto s = RecordStore::Open(path_, 20, 2);
    ASSERT_TRUE(s);
    for (uint8_t i = 0; i < 10; ++i)
        ASSERT_EQ(Add(*s, i), 0);
    faults->failWrites = true;
    EXPECT_FALSE(s->Flush());
    EXPECT_EQ(s->LastError(), STERR_FLUSH);
    EXPECT_FALSE(s->Close());
    EXPECT_EQ(s->LastError(), STERR_FLUSH);
    faults->failWrites = false;
    EXPECT_TRUE(s->Close());
    s.reset();
    platform::SetOpenHookForTesting(nullptr);
    s = RecordStore::Open(path_, 20, 2);
    ASSERT_TRUE(s);
    EXPECT_EQ(Count(*s), 10);
}

TEST_F(StoreFaultTest, AFailedWriteBackWhenABufferIsReusedGives402) {
    auto faults = testing::InstallFaultyFiles();
    auto s = RecordStore::Open(path_, 1, 2);
    ASSERT_TRUE(s);
    int32_t a, b;
    ASSERT_EQ(Add(*s, 1, &a), 0);
    ASSERT_EQ(Add(*s, 2, &b), 0);
    std::vector<uint8_t> record(kLength, 7);
    ASSERT_TRUE(s->UpdateRecord(a, record.data(), kLength));  // a dirty in the only buffer
    faults->failWrites = true;
    EXPECT_EQ(s->ReadRecord(b, record.data(), kLength), -1);
    EXPECT_EQ(s->LastError(), STERR_WRITE);
    faults->failWrites = false;
    EXPECT_EQ(s->ReadRecord(b, record.data(), kLength), kLength);
    EXPECT_EQ(record[kLength - 1], 2);
    EXPECT_EQ(Count(*s), 2);  // a's update was kept and written
}

// The order in which a deferred store's changes reach the file decides what a kill can leave.
// An add wrote its new block before the link to it, and a delete wrote the links around the
// block before the block's freed mark: a kill in between left a record outside the chain (an add
// never linked, or a deleted record), which the next start's reindex could not see and a later
// recovery brought back. A block reaches the file whole: its header never without its data.
TEST_F(StoreFaultTest, TheLinkToANewBlockAndAFreedMarkReachTheFileFirst) {
    const std::vector<int32_t> refs = StoreHolding({1, 2});
    ASSERT_EQ(refs.size(), 2u);
    const int32_t a = refs[0], b = refs[1];
    int32_t c = -1;
    auto faults = testing::InstallFaultyFiles();
    auto s = RecordStore::Open(path_, 20, 2);
    ASSERT_TRUE(s);
    auto firstWriteOf = [&](int64_t from, int64_t to) {
        const std::vector<size_t> found = WritesTouching(faults->writeLog, from, to);
        return found.empty() ? faults->writeLog.size() : found.front();
    };
    ASSERT_EQ(Add(*s, 3, &c), 0);
    ASSERT_TRUE(s->Flush());
    // The same write also does: it puts the link at b before c in the file.
    EXPECT_LE(firstWriteOf(b, b + 24), firstWriteOf(c, c + 24 + kLength));

    faults->writeLog.clear();
    ASSERT_TRUE(s->DeleteRecord(b));
    ASSERT_TRUE(s->Flush());
    const size_t freed = firstWriteOf(b, b + 24);
    EXPECT_LT(freed, firstWriteOf(a, a + 24));
    EXPECT_LT(freed, firstWriteOf(c, c + 24));

    // A reused block linked on: its header, which makes it a record again, reached the file
    // without its data, so a kill gave the record the bytes of the deleted one.
    faults->writeLog.clear();
    int32_t e = -1, f = -1;
    ASSERT_EQ(Add(*s, 5, &e), 0);
    ASSERT_EQ(e, b);
    ASSERT_EQ(Add(*s, 6, &f), 0);
    ASSERT_TRUE(s->Flush());
    const size_t header = firstWriteOf(e, e + 24);
    ASSERT_LT(header, faults->writeLog.size());
    EXPECT_LE(faults->writeLog[header].first, e);
    EXPECT_GE(
        faults->writeLog[header].first + static_cast<int64_t>(faults->writeLog[header].second),
        e + 24 + kLength);
    EXPECT_TRUE(s->Close());
}

// An add's block is held back behind the link to it; deleting the record before either reached
// the file still writes the link first, the block next, its freed mark before the link that
// skips it.
TEST_F(StoreFaultTest, ARecordDeletedBeforeItReachedTheFileKeepsTheWriteOrder) {
    const std::vector<int32_t> refs = StoreHolding({1});
    ASSERT_EQ(refs.size(), 1u);
    const int32_t a = refs[0];
    int32_t b = -1;
    auto faults = testing::InstallFaultyFiles();
    auto s = RecordStore::Open(path_, 20, 2);
    ASSERT_TRUE(s);
    auto writesOf = [&](int64_t from, int64_t to) {
        return WritesTouching(faults->writeLog, from, to);
    };
    ASSERT_EQ(Add(*s, 2, &b), 0);
    EXPECT_TRUE(faults->writeLog.empty());  // both held in the cache
    ASSERT_TRUE(s->DeleteRecord(b));
    ASSERT_TRUE(s->Flush());
    const std::vector<size_t> link = writesOf(a, a + 24);
    const std::vector<size_t> block = writesOf(b, b + 24);
    ASSERT_GE(link.size(), 2u);
    ASSERT_GE(block.size(), 2u);
    EXPECT_LT(link.front(), block.front());
    EXPECT_LT(block.back(), link.back());
    EXPECT_EQ(Count(*s), 1);
    EXPECT_TRUE(s->Close());
}

// A fixed run of operations with the file failing from its k-th write on, for every k, in both
// modes, with torn writes on every other k: each call returns a code, and the file can always
// be opened, counted and walked again afterwards.
TEST_F(StoreFaultTest, AFailureAtAnyWriteNeverCrashes) {
    for (int32_t mode : {1, 2}) {
        for (int64_t k = 0;; ++k) {
            SCOPED_TRACE(::testing::Message() << "mode " << mode << " failing write " << k);
            platform::RemoveFile(path_);
            auto faults = testing::InstallFaultyFiles();
            faults->writesBeforeFailure = k + (mode == 2 ? 0 : 1);  // let a new store open
            faults->tornWrites = k % 2 == 1;
            auto s = RecordStore::Open(path_, 2, mode);
            if (!s) continue;
            std::vector<int32_t> refs;
            for (uint8_t i = 0; i < 60; ++i) {
                int32_t ref = -1;
                const int32_t result = Add(*s, i, &ref);
                ASSERT_TRUE(result == 0 || result == KWERR_NOSPACE || result == KWERR_EXTENDED);
                if (result == 0) refs.push_back(ref);
                if (i % 3 == 2 && refs.size() > 1) {
                    s->DeleteRecord(refs[refs.size() / 2]);
                    refs.erase(refs.begin() + static_cast<ptrdiff_t>(refs.size() / 2));
                }
            }
            std::vector<uint8_t> record(kLength, 7);
            if (!refs.empty()) s->UpdateRecord(refs.front(), record.data(), kLength);
            s->Flush();
            const bool failed = faults->failWrites;
            if (failed) {
                const int32_t e = s->LastError();
                EXPECT_TRUE(e == STERR_WRITE || e == STERR_BADBLOCK || e == STERR_FLUSH) << e;
            }
            s.reset();  // closes as far as the file lets it
            platform::SetOpenHookForTesting(nullptr);
            s = RecordStore::Open(path_, 20, mode);
            if (s) {
                ChainWalk walk(*s);
                for (int32_t ref; walk.Next(&ref) && ref != -1;) {
                    s->ReadRecord(ref, record.data(), kLength);
                }
                ASSERT_TRUE(s->Close());
            }
            if (!failed) {
                EXPECT_GT(k, 10);
                break;
            }
            if (HasFatalFailure()) return;
        }
    }
}

}  // namespace
}  // namespace kw::engine
