// An insert that a unique index refuses, settled before the store is written: against a twin
// table that adds the same kind of record and deletes it again, the same references, serials,
// store headers, free list, chain, index scans and count; the store file differs only inside
// free blocks; the cursors end where the add-and-undo would leave them; and a recovery never
// brings a refused record back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <sstream>

#include "record_test_support.h"
#include "store_test_support.h"

namespace kw::engine::testing {
namespace {

class RefusedInsertTest : public RecordTest {
  protected:
    // The unique index last, as in KWRCPCAT and KWRECING: a refusal comes after index 0.
    void SetUp() override {
        std::swap(byCategoryName_, byName_);
        RecordTest::SetUp();
    }

    // What one run shows: the reference of every record kept, the serial the buffer showed
    // after every insert, the store header after every step, and at the end the free list,
    // the chain, every index scanned both ways and the count.
    struct Trace {
        std::vector<int32_t> refs;
        std::vector<uint32_t> serials;
        std::vector<std::string> headers;
        std::vector<uint8_t> freeList;
        std::vector<std::pair<int32_t, std::vector<uint8_t>>> chain;
        std::vector<std::vector<Row>> scans;
        int32_t count = -1;
        bool operator==(const Trace &o) const {
            return refs == o.refs && serials == o.serials && headers == o.headers &&
                   freeList == o.freeList && chain == o.chain && scans == o.scans &&
                   count == o.count;
        }
    };

    std::string HeaderText() {
        const StoreHeader &h = Slot().store->Header();
        std::ostringstream text;
        text << h.end << " " << h.freeList << " " << h.serial << " " << h.first << " " << h.last;
        return text.str();
    }

    void DeleteNamed(const std::string &name) {
        ASSERT_EQ(KW_DBGetExactRecord(db_, tbl_, 0, inst_, name.data(),
                                      static_cast<int32_t>(name.size()), 0),
                  KW_OK);
        ASSERT_EQ(Current(inst_).name, name);
        ASSERT_EQ(KW_DBDeleteRecord(db_, tbl_, inst_), KW_OK);
    }

    static std::string Upper(std::string text) {
        for (char &c : text)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return text;
    }

    // Records kept, deleted (so the free list has entries to hand out) and refused, on the
    // table tbl_, ending with a refusal: a refusal is a duplicate of "Dish 1" in other case
    // when refuse is set, else a new record inserted and deleted again.
    void Run(bool refuse, Trace *trace) {
        auto kept = [&](const std::string &name, const std::string &category) {
            ASSERT_EQ(Insert(name, category), KW_OK);
            trace->refs.push_back(CurrentRef());
            trace->serials.push_back(Current(inst_).serial);
        };
        for (int i = 0; i < 30; ++i)
            ASSERT_NO_FATAL_FAILURE(kept("Dish " + std::to_string(i), i % 2 ? "Mains" : "Sides"));
        for (int i = 0; i < 30; i += 4)
            ASSERT_NO_FATAL_FAILURE(DeleteNamed("Dish " + std::to_string(i)));
        std::string lastNew;
        for (int k = 0; k <= 60; ++k) {
            if (k % 3 == 0) {
                if (refuse) {
                    ASSERT_EQ(Insert(k % 2 ? "dish 1" : "DISH 1", Upper("Mains")), BTERR_DUPLICATE);
                    EXPECT_EQ(CurrentRef(), -1);
                } else {
                    ASSERT_EQ(Insert("Twin " + std::to_string(k), "Mains"), KW_OK);
                    ASSERT_EQ(KW_DBDeleteRecord(db_, tbl_, inst_), KW_OK);
                }
                trace->serials.push_back(Current(inst_).serial);
            } else {
                lastNew = "New " + std::to_string(k);
                ASSERT_NO_FATAL_FAILURE(kept(lastNew, k % 2 ? "Mains" : "Pies"));
            }
            if (k % 7 == 6 && !lastNew.empty()) {
                ASSERT_NO_FATAL_FAILURE(DeleteNamed(lastNew));
                lastNew.clear();
            }
            trace->headers.push_back(HeaderText());
        }
        RecordStore &store = *Slot().store;
        BlockHeader list;
        ASSERT_TRUE(store.ReadBlockHeader(store.Header().freeList, &list));
        trace->freeList.resize(static_cast<size_t>(list.used));
        ASSERT_EQ(store.ReadData(store.Header().freeList, 0, trace->freeList.data(), list.used),
                  list.used);
        trace->chain = Chain();
        for (int32_t idx : {0, 1})
            for (bool forward : {true, false})
                trace->scans.push_back(Scan(idx, forward));
        ASSERT_EQ(KW_DBGetCount(db_, tbl_, &trace->count), KW_OK);
    }

    int32_t CurrentRef() {
        int32_t ref = -2;
        EXPECT_EQ(KW_DBGetRecordRef(db_, tbl_, inst_, &ref), KW_OK);
        return ref;
    }

    // Positions every cursor of the table on Desserts/Apple Pie (an exact search on index 1).
    void PositionOnApplePie() {
        Compose(inst_, "Apple Pie", "Desserts");
        ASSERT_EQ(KW_DBGetExactRecord(db_, tbl_, 1, inst_, nullptr, 0, 1), KW_OK);
    }

    std::string NextThroughAnotherInstance(int32_t idx) {
        int32_t walker = -1;
        EXPECT_EQ(KW_DBOpenTableInst(db_, tbl_, &walker), KW_OK);
        EXPECT_EQ(KW_DBGetNextRecord(db_, tbl_, idx, walker, nullptr, 0), KW_OK);
        const std::string name = Current(walker).name;
        EXPECT_EQ(KW_DBCloseTableInst(db_, tbl_, walker), KW_OK);
        return name;
    }
};

TEST_F(RefusedInsertTest, EveryTableReadsAsAfterAnAddAndItsUndo) {
    Trace refused;
    ASSERT_NO_FATAL_FAILURE(Run(true, &refused));
    const int32_t refusingTable = tbl_;

    TableDefinition twin{"KWTWIN", recipe_.fields};
    KW_IndexDef first = byCategoryName_, second = byName_;
    int32_t twinTable = -1, twinInstance = -1;
    ASSERT_NO_FATAL_FAILURE(OpenTable(twin.def, {&first, &second}, &twinTable, &twinInstance));
    tbl_ = twinTable;
    inst_ = twinInstance;
    Trace twinTrace;
    ASSERT_NO_FATAL_FAILURE(Run(false, &twinTrace));
    EXPECT_EQ(refused, twinTrace);

    // On disk the two stores differ only inside blocks that are free (a refused record's block
    // never got its bytes, and says so in its used length).
    ASSERT_EQ(KW_DBCloseTable(db_, twinTable), KW_OK);
    ASSERT_EQ(KW_DBCloseTable(db_, refusingTable), KW_OK);
    const std::vector<uint8_t> a = ReadWholeFile(Path("RECS/KWRECIPE.dat"));
    const std::vector<uint8_t> b = ReadWholeFile(Path("RECS/KWTWIN.dat"));
    auto inFreeBlock = [&](size_t at) {
        for (size_t e = 8; e + 8 <= refused.freeList.size(); e += 8) {
            const int64_t offset = GetInt32(refused.freeList.data() + e);
            const int64_t capacity = GetInt32(refused.freeList.data() + e + 4);
            if (offset != -1 && int64_t(at) >= offset && int64_t(at) < offset + 24 + capacity) {
                return true;
            }
        }
        return false;
    };
    size_t differing = 0;
    for (size_t at = 0; at < std::max(a.size(), b.size()); ++at) {
        const int byteA = at < a.size() ? a[at] : -1, byteB = at < b.size() ? b[at] : -1;
        if (byteA == byteB) continue;
        ++differing;
        ASSERT_TRUE(inFreeBlock(at)) << "byte " << at;
    }
    EXPECT_GT(differing, 0u);
}

TEST_F(RefusedInsertTest, CursorsEndWhereTheAddAndItsUndoLeaveThem) {
    ASSERT_EQ(Insert("Apple Pie", "Desserts"), KW_OK);
    ASSERT_EQ(Insert("Beef Stew", "Mains"), KW_OK);
    ASSERT_EQ(Insert("Cake", "Desserts"), KW_OK);
    ASSERT_EQ(Insert("Dumplings", "Sides"), KW_OK);

    // The refusing index keeps its cursor, as a refused B-tree insert does.
    ASSERT_NO_FATAL_FAILURE(PositionOnApplePie());
    ASSERT_EQ(Insert("beef stew", "MAINS"), BTERR_DUPLICATE);
    EXPECT_EQ(NextThroughAnotherInstance(1), "Cake");

    // An index before it has its cursor where deleting the key again leaves it: after the
    // refused record's name and serial, so past the Beef Stew that is stored.
    ASSERT_NO_FATAL_FAILURE(PositionOnApplePie());
    ASSERT_EQ(Insert("beef stew", "MAINS"), BTERR_DUPLICATE);
    EXPECT_EQ(NextThroughAnotherInstance(0), "Cake");

    // The instance has the refused record's keys and no current record: an update inserts.
    Compose(inst_, "Eclairs", "Desserts");
    ASSERT_EQ(KW_DBUpdateRecord(db_, tbl_, inst_), KW_OK);
    EXPECT_EQ(Scan(1).size(), 5u);
}

TEST_F(RefusedInsertTest, ARecoveryNeverBringsARefusedRecordBack) {
    for (int i = 0; i < 12; ++i)
        ASSERT_EQ(Insert("Dish " + std::to_string(i), "Mains"), KW_OK);
    for (int i = 0; i < 12; i += 3)
        ASSERT_EQ(Insert("DISH " + std::to_string(i), "mains"), BTERR_DUPLICATE);
    ASSERT_EQ(Insert("Dish 12", "Mains"), KW_OK);
    ASSERT_EQ(Insert("dish 12", "MAINS"), BTERR_DUPLICATE);  // its block is the store's last
    const std::vector<Row> rows = ChainRows();
    CloseAll();
    OpenAll();

    ASSERT_EQ(KW_DBRecoverTable(db_, tbl_), KW_OK);
    EXPECT_EQ(ChainRows(), rows);
    EXPECT_EQ(Scan(0).size(), rows.size());
    EXPECT_EQ(Scan(1).size(), rows.size());
    int32_t count = -1;
    ASSERT_EQ(KW_DBGetCount(db_, tbl_, &count), KW_OK);
    EXPECT_EQ(count, 13);
    // 13 records kept and 5 refused: the next serial is 18.
    ASSERT_EQ(Insert("Dish 13", "Mains"), KW_OK);
    EXPECT_EQ(Current(inst_).serial, 18u);
}

}  // namespace
}  // namespace kw::engine::testing
