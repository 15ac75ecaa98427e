// The record store under real kills: a child process rewrites large records (each write-back
// crosses several file pages) and flushes, over and over, until it is killed with SIGKILL; the
// next open must find every record whole, of one version. Without the journal a kill that lands
// inside a write-back leaves a record whose first pages are new and whose rest is old.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <random>
#include <vector>

#include "platform/kill_test_support.h"
#include "record_store.h"
#include "store_journal.h"
#include "store_layout.h"
#include "store_test_support.h"

namespace kw::engine {
namespace {

constexpr int32_t kBigRecord = 40000;  // ten file pages
constexpr int kBigRecords = 4;
constexpr int kKills = 25;

class StoreJournalKillTest : public testing::TempDirTest {
  protected:
    void MakeStore() {
        auto s = RecordStore::Open(path_, 20, 2);
        ASSERT_TRUE(s);
        std::vector<uint8_t> record(kBigRecord, 1);
        for (int i = 0; i < kBigRecords; ++i) {
            int32_t ref = -1;
            ASSERT_EQ(s->AddRecord(record.data(), kBigRecord, -1, &ref), 0);
            refs_.push_back(ref);
        }
        ASSERT_TRUE(s->Close());
    }

    // Rewrites every record with a new fill and flushes, reporting each finished round, until
    // killed.
    [[noreturn]] void Rewriter(int pipeOut, int seed) {
        auto s = RecordStore::Open(path_, 20, 2);
        if (!s) ::_exit(3);
        std::vector<uint8_t> record(kBigRecord);
        for (int round = 1;; ++round) {
            for (size_t i = 0; i < refs_.size(); ++i) {
                std::fill(record.begin(), record.end(),
                          static_cast<uint8_t>(seed * 31 + round * 7 + static_cast<int>(i)));
                if (!s->UpdateRecord(refs_[i], record.data(), kBigRecord)) ::_exit(4);
            }
            if (!s->Flush()) ::_exit(4);
            if (::write(pipeOut, &round, sizeof round) != sizeof round) ::_exit(3);
        }
    }

    std::vector<int32_t> refs_;
};

TEST_F(StoreJournalKillTest, EveryRecordIsWholeAfterEachKill) {
    MakeStore();
    std::mt19937 random(20261207);
    int replays = 0;
    for (int kill = 1; kill <= kKills; ++kill) {
        SCOPED_TRACE(::testing::Message() << "kill " << kill);
        const int last =
            kw::testing::RunChildAndKill([&](int pipeOut) { Rewriter(pipeOut, kill); },
                                         static_cast<useconds_t>(3000 + random() % 30000));
        ASSERT_GE(last, 0);
        const std::vector<uint8_t> journal = testing::ReadWholeFile(StoreJournalPath(path_));
        if (testing::Int32At(journal, 0) == kJournalMagic) ++replays;

        auto s = RecordStore::Open(path_, 20, 2);
        ASSERT_TRUE(s);
        std::vector<uint8_t> record(kBigRecord);
        for (int32_t ref : refs_) {
            ASSERT_EQ(s->ReadRecord(ref, record.data(), kBigRecord), kBigRecord);
            const auto mixed = std::find_if(record.begin(), record.end(),
                                            [&](uint8_t b) { return b != record.front(); });
            ASSERT_EQ(mixed, record.end())
                << "record " << ref << " holds two versions from byte " << (mixed - record.begin());
        }
        ASSERT_TRUE(s->Close());
    }
    // How often a kill left an entry to replay (it depends on where the kills landed).
    RecordProperty("entries_replayed", replays);
}

}  // namespace
}  // namespace kw::engine
