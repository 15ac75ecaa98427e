// The store journal: an overwrite torn by the death of its process (simulated: the write stops
// after its first file page and no later write reaches any file, as with SIGKILL) is made whole
// at the next open; a torn journal entry leaves the old record; a journal that belongs to
// another store is never replayed; a write that failed is settled before any later one.
#include "store_journal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/path.h"
#include "record_store.h"
#include "store_test_support.h"

namespace kw::engine {
namespace {

// Longer than a file page, so every record write crosses a page boundary.
constexpr int32_t kRecordLength = 6000;

// What the files of a simulated process share: which write tears, and whether the process died.
struct JournalTestFate {
    std::string tearSuffix;  // tear writes to the file whose path ends so ...
    int skipCrossing = 0;    // ... after letting this many page-crossing writes through
    bool dieAtTear = true;   // after the tear no write reaches any file
    bool dead = false;
    bool tore = false;
};

class JournalTestFile final : public platform::RandomAccessFile {
  public:
    JournalTestFile(std::unique_ptr<platform::RandomAccessFile> inner,
                    std::shared_ptr<JournalTestFate> fate)
        : inner_(std::move(inner)), fate_(std::move(fate)) {}

    int64_t ReadAt(int64_t offset, void *buffer, size_t n) override {
        return inner_->ReadAt(offset, buffer, n);
    }
    int64_t WriteAt(int64_t offset, const void *buffer, size_t n) override {
        if (fate_->dead) return -1;
        const std::string &path = inner_->Path();
        const std::string &suffix = fate_->tearSuffix;
        const int64_t pageEnd = (offset / kFilePageSize + 1) * kFilePageSize;
        const bool crossing = offset + static_cast<int64_t>(n) > pageEnd;
        const bool matches = !fate_->tore && path.size() >= suffix.size() &&
                             path.compare(path.size() - suffix.size(), suffix.size(), suffix) == 0;
        if (!matches || !crossing || fate_->skipCrossing-- > 0) {
            return inner_->WriteAt(offset, buffer, n);
        }
        fate_->tore = true;
        fate_->dead = fate_->dieAtTear;
        const int64_t first =
            inner_->WriteAt(offset, buffer, static_cast<size_t>(pageEnd - offset));
        return first < 0 ? -1 : first;
    }
    int64_t Size() override { return inner_->Size(); }
    bool Sync() override { return inner_->Sync(); }
    const std::string &Path() const override { return inner_->Path(); }

  private:
    std::unique_ptr<platform::RandomAccessFile> inner_;
    std::shared_ptr<JournalTestFate> fate_;
};

class StoreJournalTest : public testing::TempDirTest {
  protected:
    void SetUp() override {
        TempDirTest::SetUp();
        journal_ = StoreJournalPath(path_);
    }

    // A closed store holding records filled with 1, 2 and 3 (refs_ in that order).
    void MakeStore(int records = 3) {
        auto s = RecordStore::Open(path_, 20, 2);
        ASSERT_TRUE(s);
        for (int i = 1; i <= records; ++i) {
            std::vector<uint8_t> record(kRecordLength, static_cast<uint8_t>(i));
            int32_t ref = -1;
            ASSERT_EQ(s->AddRecord(record.data(), kRecordLength, -1, &ref), 0);
            refs_.push_back(ref);
        }
        ASSERT_TRUE(s->Close());
    }

    std::shared_ptr<JournalTestFate> InstallFate(const std::string &tearSuffix) {
        auto fate = std::make_shared<JournalTestFate>();
        fate->tearSuffix = tearSuffix;
        platform::SetOpenHookForTesting([fate](std::unique_ptr<platform::RandomAccessFile> file) {
            return std::unique_ptr<platform::RandomAccessFile>(
                std::make_unique<JournalTestFile>(std::move(file), fate));
        });
        return fate;
    }

    // A process killed while it wrote record 2 back with fill 9: the store holds the first page
    // of that write, the journal the whole entry.
    void KillDuringTheWriteBackOfRecord2() {
        auto fate = InstallFate(".dat");
        {
            auto s = RecordStore::Open(path_, 20, 2);
            ASSERT_TRUE(s);
            EXPECT_FALSE(Update(*s, refs_[1], 9));
        }  // the dead process's store is dropped: nothing more reaches the files
        platform::SetOpenHookForTesting(nullptr);
        ASSERT_TRUE(fate->tore);
        ASSERT_EQ(testing::Int32At(testing::ReadWholeFile(journal_), 0), kJournalMagic);
    }

    static bool Update(RecordStore &s, int32_t ref, uint8_t fill) {
        std::vector<uint8_t> record(kRecordLength, fill);
        return s.UpdateRecord(ref, record.data(), kRecordLength) && s.Flush();
    }

    // The distinct byte values of the record at ref, read as the file holds it.
    std::vector<uint8_t> FillsOnDisk(int32_t ref) const {
        const std::vector<uint8_t> file = testing::ReadWholeFile(path_);
        std::vector<uint8_t> fills;
        for (int64_t i = ref + kBlockHeaderSize; i < ref + kBlockHeaderSize + kRecordLength; ++i) {
            const uint8_t b = i < static_cast<int64_t>(file.size()) ? file[i] : 0;
            if (std::find(fills.begin(), fills.end(), b) == fills.end()) fills.push_back(b);
        }
        return fills;
    }

    // Opens the store as the next process does and returns each record's fill (0 for a record
    // that is not one fill throughout or cannot be read).
    std::vector<uint8_t> ReopenedFills() {
        platform::SetOpenHookForTesting(nullptr);
        auto s = RecordStore::Open(path_, 20, 2);
        EXPECT_TRUE(s);
        std::vector<uint8_t> fills;
        if (!s) return fills;
        for (int32_t ref : refs_) {
            std::vector<uint8_t> record(kRecordLength);
            const int32_t n = s->ReadRecord(ref, record.data(), kRecordLength);
            const bool even =
                n == kRecordLength && std::all_of(record.begin(), record.end(),
                                                  [&](uint8_t b) { return b == record.front(); });
            fills.push_back(even ? record.front() : 0);
        }
        EXPECT_TRUE(s->Close());
        return fills;
    }

    std::string journal_;
    std::vector<int32_t> refs_;
};

using Fills = std::vector<uint8_t>;

// The fault behind "recipe record damaged" after a kill: the write-back of an updated record
// crossed a file page and stopped after its first page, so the record held two versions.
TEST_F(StoreJournalTest, AKillThatTearsARecordWriteIsRepairedByTheNextOpen) {
    MakeStore();
    KillDuringTheWriteBackOfRecord2();
    EXPECT_EQ(FillsOnDisk(refs_[1]), (Fills{9, 2}));  // torn: the first page new, the rest old

    EXPECT_EQ(ReopenedFills(), (Fills{1, 9, 3}));
    EXPECT_EQ(FillsOnDisk(refs_[1]), Fills{9});
    EXPECT_FALSE(platform::FileExists(journal_));  // a clean close leaves no journal
}

TEST_F(StoreJournalTest, AKillThatTearsTheJournalEntryLeavesTheOldRecord) {
    MakeStore();
    auto fate = InstallFate(".jnl");
    {
        auto s = RecordStore::Open(path_, 20, 2);
        ASSERT_TRUE(s);
        EXPECT_FALSE(Update(*s, refs_[1], 9));
    }
    ASSERT_TRUE(fate->tore);
    ASSERT_TRUE(platform::FileExists(journal_));
    EXPECT_EQ(ReopenedFills(), (Fills{1, 2, 3}));
}

// The torn entry lies over a complete earlier one, so its length fits the file and only the
// checksum tells it is not whole.
TEST_F(StoreJournalTest, ATornEntryOverAnEarlierOneFailsItsChecksum) {
    MakeStore();
    auto fate = InstallFate(".jnl");
    fate->skipCrossing = 1;
    {
        auto s = RecordStore::Open(path_, 20, 2);
        ASSERT_TRUE(s);
        EXPECT_TRUE(Update(*s, refs_[0], 7));
        EXPECT_FALSE(Update(*s, refs_[1], 9));
    }
    ASSERT_TRUE(fate->tore);
    ASSERT_EQ(testing::ReadWholeFile(journal_).size(), size_t{kJournalHeaderSize + kRecordLength});
    EXPECT_EQ(ReopenedFills(), (Fills{7, 2, 3}));
}

// A journal left behind (its table's files deleted or replaced) must not write an old table's
// bytes into a new store of the same name: not into a new empty store, nor into another store
// whose header differs.
TEST_F(StoreJournalTest, AJournalLeftByAnotherStoreIsNeverReplayed) {
    MakeStore();
    KillDuringTheWriteBackOfRecord2();
    const std::vector<uint8_t> leftover = testing::ReadWholeFile(journal_);

    ASSERT_EQ(platform::RemoveFile(path_), 0);
    refs_.clear();
    MakeStore(4);  // a new store: the leftover is dropped at its first open
    EXPECT_EQ(ReopenedFills(), (Fills{1, 2, 3, 4}));

    testing::PatchFile(journal_, 0, leftover.data(), leftover.size());
    EXPECT_EQ(ReopenedFills(), (Fills{1, 2, 3, 4}));  // longer, but its header is not the old one
    EXPECT_FALSE(platform::FileExists(journal_));
}

// A store write that failed without the process dying leaves its entry live. A later write
// that needs no journal (inside one page) must settle that entry first: otherwise a kill after
// it would replay the older entry over the newer bytes.
TEST_F(StoreJournalTest, AFailedWriteIsSettledBeforeTheNextOne) {
    MakeStore();
    auto fate = InstallFate(".dat");
    fate->dieAtTear = false;
    {
        auto s = RecordStore::Open(path_, 20, 1);  // write-through: each write reaches the file
        ASSERT_TRUE(s);
        EXPECT_FALSE(Update(*s, refs_[1], 9));
        ASSERT_TRUE(fate->tore);
        EXPECT_EQ(FillsOnDisk(refs_[1]), (Fills{9, 2}));
        const std::vector<uint8_t> head(100, 5);
        ASSERT_TRUE(s->WriteData(refs_[1], 0, head.data(), 100));
        EXPECT_EQ(FillsOnDisk(refs_[1]), (Fills{5, 9}));
        fate->dead = true;  // killed before the close
    }
    platform::SetOpenHookForTesting(nullptr);
    ASSERT_TRUE(RecordStore::Open(path_, 20, 2));
    const std::vector<uint8_t> file = testing::ReadWholeFile(path_);
    const int64_t data = refs_[1] + kBlockHeaderSize;
    EXPECT_EQ(file[data], 5);
    EXPECT_EQ(file[data + 99], 5);
    EXPECT_EQ(file[data + 100], 9);
    EXPECT_EQ(file[data + kRecordLength - 1], 9);
}

// Damaged journals (a disk error, a truncated copy) are never replayed and never crash the open:
// the store opens with the torn record as the kill left it.
TEST_F(StoreJournalTest, ADamagedJournalIsIgnored) {
    MakeStore();
    KillDuringTheWriteBackOfRecord2();
    const std::vector<uint8_t> store = testing::ReadWholeFile(path_);
    const std::vector<uint8_t> journal = testing::ReadWholeFile(journal_);

    struct Damage {
        const char *what;
        size_t at;
        std::vector<uint8_t> bytes;
        size_t keep;  // the journal's length afterwards
    };
    const size_t whole = journal.size();
    const std::vector<uint8_t> ones(8, 0xFF);
    const std::vector<Damage> damages = {
        {"cut inside the header", 0, {}, 40},
        {"cut inside the data", 0, {}, whole - 1},
        {"length past the file", 4, {0xFF, 0xFF, 0xFF, 0x7F}, whole},
        {"length zero", 4, {0, 0, 0, 0}, whole},
        {"negative offset", 8, ones, whole},
        {"old size not past the offset", 16, {0, 0, 0, 0, 0, 0, 0, 0}, whole},
        {"store longer before", 16, {0, 0, 0, 0x10, 0, 0, 0, 0}, whole},
        {"a data byte changed", kJournalHeaderSize + 100, {0x55}, whole},
        {"checksum changed", 56, {0x01}, whole},
    };
    for (const Damage &d : damages) {
        SCOPED_TRACE(d.what);
        platform::RemoveFile(path_);
        platform::RemoveFile(journal_);
        testing::PatchFile(path_, 0, store.data(), store.size());
        std::vector<uint8_t> damaged(journal.begin(), journal.begin() + d.keep);
        if (!d.bytes.empty()) std::copy(d.bytes.begin(), d.bytes.end(), damaged.begin() + d.at);
        testing::PatchFile(journal_, 0, damaged.data(), damaged.size());
        EXPECT_EQ(ReopenedFills(), (Fills{1, 0, 3}));  // record 2 stays as the kill left it
    }
    testing::PatchFile(journal_, 0, journal.data(), journal.size());  // the sound entry
    EXPECT_EQ(ReopenedFills(), (Fills{1, 9, 3}));
}

TEST_F(StoreJournalTest, OnlyOverwritesThatCrossAFilePageAreJournaled) {
    auto s = RecordStore::Open(path_, 20, 1);
    ASSERT_TRUE(s);
    std::vector<uint8_t> record(kRecordLength, 1);
    int32_t a = -1, b = -1;
    ASSERT_EQ(s->AddRecord(record.data(), kRecordLength, -1, &a), 0);  // appends
    ASSERT_EQ(s->AddRecord(record.data(), kRecordLength, -1, &b), 0);
    EXPECT_FALSE(platform::FileExists(journal_));
    ASSERT_TRUE(s->WriteData(a, 0, record.data(), 100));  // inside one page
    EXPECT_FALSE(platform::FileExists(journal_));
    ASSERT_TRUE(s->UpdateRecord(b, record.data(), kRecordLength));
    EXPECT_TRUE(platform::FileExists(journal_));
    EXPECT_EQ(testing::Int32At(testing::ReadWholeFile(journal_), 0), 0);  // cleared
    ASSERT_TRUE(s->Close());
    EXPECT_FALSE(platform::FileExists(journal_));
}

TEST_F(StoreJournalTest, TheJournalSitsBesideTheStore) {
    EXPECT_EQ(StoreJournalPath("/db/KWRECIPE.dat"), "/db/KWRECIPE.jnl");
    EXPECT_EQ(StoreJournalPath("/db/store"), "/db/store.jnl");
    EXPECT_EQ(StoreJournalPath(".dat"), ".dat.jnl");
}

}  // namespace
}  // namespace kw::engine
