// The indexed writes: numbering, the undo of a 303 on insert and update (the store and every
// index exactly as before, the serial consumed), update without a current record, delete and its
// cursor, the result codes and the extended error, and the cached count.
#include "record_writes.h"

#include <gtest/gtest.h>

#include "record_test_support.h"

namespace kw::engine::testing {
namespace {

class RecordWritesTest : public RecordTest {
  protected:
    struct Snapshot {
        std::vector<std::pair<int32_t, std::vector<uint8_t>>> chain;
        std::vector<std::vector<Row>> scans;
        int32_t count = -1;
        bool operator==(const Snapshot &o) const {
            return chain == o.chain && scans == o.scans && count == o.count;
        }
    };

    // Everything a caller can see of table tbl_: the chain with every record's bytes, both
    // indexes scanned both ways, and the count.
    Snapshot Take() {
        Snapshot s;
        s.chain = Chain();
        for (int32_t idx : {0, 1})
            for (bool forward : {true, false})
                s.scans.push_back(Scan(idx, forward));
        s.count = Count();
        return s;
    }

    // Swaps the two index definitions, so the unique index is index 1 and a duplicate is found
    // only after index 0 has taken its key: the undo has index work to do.
    void UseUniqueIndexLast() {
        CloseAll();
        std::swap(byCategoryName_, byName_);
        OpenAll();
    }

    // Enough records that index pages split, so an undo cannot be a simple page restore.
    void InsertMany(int32_t n) {
        for (int32_t i = 0; i < n; ++i) {
            ASSERT_EQ(Insert("Dish " + std::to_string(i), i % 2 ? "Mains" : "Sides", i), KW_OK);
        }
    }
};

TEST_F(RecordWritesTest, InsertNumbersRecordsAndPlacesThemAfterEachOther) {
    ASSERT_EQ(Insert("Apple Pie", "Desserts"), KW_OK);
    EXPECT_EQ(CurrentRef(), 32);
    EXPECT_EQ(Current(inst_).serial, 0u);  // the buffer shows the number given
    ASSERT_EQ(Insert("Beef Stew", "Mains"), KW_OK);
    EXPECT_EQ(CurrentRef(), 32 + 24 + kRecordLength);
    EXPECT_EQ(Current(inst_).serial, 1u);
    EXPECT_EQ(Count(), 2);

    ASSERT_EQ(KW_DBClearTable(db_, tbl_), KW_OK);
    ASSERT_EQ(Insert("Carrot Soup", "Soups"), KW_OK);
    EXPECT_EQ(CurrentRef(), 32);
    EXPECT_EQ(Current(inst_).serial, 0u);
}

TEST_F(RecordWritesTest, DuplicateOnInsertLeavesStoreAndIndexesAsBeforeAndConsumesTheSerial) {
    UseUniqueIndexLast();
    InsertMany(40);
    const Snapshot before = Take();
    KW_DBGetFirstRecord(db_, tbl_, 0, inst_, "x", 1);  // any navigation: extended error 0
    const int32_t extended = KW_DBGetExtendedError();

    EXPECT_EQ(Insert("DISH 7", "mains"), BTERR_DUPLICATE);
    EXPECT_EQ(KW_DBGetExtendedError(), extended);  // a 303 from insert is not stored
    EXPECT_EQ(CurrentRef(), -1);
    EXPECT_EQ(Take(), before);

    ASSERT_EQ(Insert("Dish 40", "Mains"), KW_OK);
    EXPECT_EQ(Current(inst_).serial, 41u);  // serial 40 went to the refused record
}

TEST_F(RecordWritesTest, DuplicateOnUpdateLeavesEveryIndexAsBeforeAndTheRecordUnwritten) {
    UseUniqueIndexLast();
    InsertMany(40);
    const Snapshot before = Take();

    // Record "Dish 3" (Mains) renamed to collide with "Dish 5" (Mains): index 0 (name) changes
    // first, then index 1 (category+name) refuses.
    const std::string name = "Dish 3";
    ASSERT_EQ(KW_DBGetExactRecord(db_, tbl_, 0, inst_, name.data(), 6, 0), KW_OK);
    PutText(inst_, "NAME", "dish 5", kNameWidth);
    EXPECT_EQ(KW_DBUpdateRecord(db_, tbl_, inst_), BTERR_DUPLICATE);
    EXPECT_EQ(Take(), before);

    // The instance kept the record's old keys: a good update still finds and replaces them.
    PutText(inst_, "NAME", "Dish 3b", kNameWidth);
    ASSERT_EQ(KW_DBUpdateRecord(db_, tbl_, inst_), KW_OK);
    std::vector<Row> byName = Scan(0);
    ASSERT_EQ(byName.size(), 40u);
    EXPECT_EQ(std::count_if(byName.begin(), byName.end(),
                            [](const Row &r) { return r.name == "Dish 3"; }),
              0);
    EXPECT_EQ(std::count_if(byName.begin(), byName.end(),
                            [](const Row &r) { return r.name == "Dish 3b" && r.serial == 3; }),
              1);
    EXPECT_EQ(Scan(1).size(), 40u);
}

TEST_F(RecordWritesTest, UpdateRewritesOnlyChangedKeysAndKeepsTheReference) {
    ASSERT_EQ(Insert("Apple Pie", "Desserts", 60), KW_OK);
    ASSERT_EQ(Insert("Beef Stew", "Mains", 120), KW_OK);
    const std::string key = "beef stew";
    ASSERT_EQ(KW_DBGetExactRecord(db_, tbl_, 1, inst_, key.data(), 9, 0), KW_OK);
    const int32_t ref = CurrentRef();
    int32_t minutes = 90;
    ASSERT_EQ(KW_DBPutField(db_, tbl_, inst_, "MINUTES", &minutes), KW_OK);
    ASSERT_EQ(KW_DBUpdateRecord(db_, tbl_, inst_), KW_OK);
    PutText(inst_, "CATEGORY", "Casseroles", kCategoryWidth);
    ASSERT_EQ(KW_DBUpdateRecord(db_, tbl_, inst_), KW_OK);
    EXPECT_EQ(CurrentRef(), ref);
    EXPECT_EQ(Scan(0), (std::vector<Row>{{"Beef Stew", "Casseroles", 90, 1},
                                         {"Apple Pie", "Desserts", 60, 0}}));
    EXPECT_EQ(Scan(1, false), (std::vector<Row>{{"Beef Stew", "Casseroles", 90, 1},
                                                {"Apple Pie", "Desserts", 60, 0}}));
}

TEST_F(RecordWritesTest, UpdateWithoutACurrentRecordInsertsAndCounts) {
    ASSERT_EQ(Insert("Apple Pie", "Desserts"), KW_OK);
    ASSERT_EQ(Count(), 1);  // counted: the update has a cached count to keep
    Compose(inst_, "Beef Stew", "Mains");
    ASSERT_EQ(KW_DBUpdateRecord(db_, tbl_, inst_), KW_OK);
    EXPECT_EQ(CurrentRef(), 32 + 24 + kRecordLength);
    EXPECT_EQ(Count(), 2);
    Compose(inst_, "apple pie", "DESSERTS");
    EXPECT_EQ(KW_DBUpdateRecord(db_, tbl_, inst_), BTERR_DUPLICATE);
    EXPECT_EQ(Scan(1).size(), 2u);
}

TEST_F(RecordWritesTest, DeleteRemovesEveryKeyAndLeavesTheCursorAtItsPlace) {
    ASSERT_EQ(Insert("Apple Pie", "Desserts"), KW_OK);
    ASSERT_EQ(Insert("Beef Stew", "Mains"), KW_OK);
    ASSERT_EQ(Insert("Carrot Soup", "Soups"), KW_OK);
    const std::string key = "BEEF STEW";
    ASSERT_EQ(KW_DBGetExactRecord(db_, tbl_, 1, inst_, key.data(), 9, 0), KW_OK);
    ASSERT_EQ(KW_DBDeleteRecord(db_, tbl_, inst_), KW_OK);
    EXPECT_EQ(CurrentRef(), -1);
    ASSERT_EQ(KW_DBGetNextRecord(db_, tbl_, 1, inst_, nullptr, 0), KW_OK);
    EXPECT_EQ(Current(inst_).name, "Carrot Soup");
    EXPECT_EQ(Scan(0).size(), 2u);
    EXPECT_EQ(Scan(1).size(), 2u);
    EXPECT_EQ(Count(), 2);
    // The freed block is reused by the next record.
    ASSERT_EQ(Insert("Dumplings", "Sides"), KW_OK);
    EXPECT_EQ(CurrentRef(), 32 + 24 + kRecordLength);
}

TEST_F(RecordWritesTest, WritesWithoutACurrentRecordGive403DirectlyOr506FromQuickOnes) {
    ASSERT_EQ(Insert("Apple Pie", "Desserts"), KW_OK);
    ASSERT_EQ(KW_DBClearRecord(db_, tbl_, inst_), KW_OK);
    EXPECT_EQ(KW_DBDeleteRecord(db_, tbl_, inst_), STERR_BADBLOCK);
    EXPECT_EQ(KW_DBGetExtendedError(), STERR_BADBLOCK);
    SetExtendedError(0);
    EXPECT_EQ(KW_DBQuickUpdateRecord(db_, tbl_, inst_), KWERR_EXTENDED);
    EXPECT_EQ(KW_DBGetExtendedError(), STERR_BADBLOCK);
    SetExtendedError(0);
    EXPECT_EQ(KW_DBQuickDeleteRecord(db_, tbl_, inst_), KWERR_EXTENDED);
    EXPECT_EQ(KW_DBGetExtendedError(), STERR_BADBLOCK);
    EXPECT_EQ(Scan(0).size(), 1u);
}

TEST_F(RecordWritesTest, ARecordDeletedThroughAnotherInstanceIsNotDeletedTwice) {
    ASSERT_EQ(Insert("Apple Pie", "Desserts"), KW_OK);
    ASSERT_EQ(Insert("Beef Stew", "Mains"), KW_OK);
    int32_t other = -1;
    ASSERT_EQ(KW_DBOpenTableInst(db_, tbl_, &other), KW_OK);
    ASSERT_EQ(KW_DBGetFirstRecord(db_, tbl_, 1, other, nullptr, 0), KW_OK);
    ASSERT_EQ(KW_DBGetFirstRecord(db_, tbl_, 1, inst_, nullptr, 0), KW_OK);
    ASSERT_EQ(KW_DBDeleteRecord(db_, tbl_, other), KW_OK);
    EXPECT_EQ(KW_DBDeleteRecord(db_, tbl_, inst_), STERR_BADBLOCK);
    EXPECT_EQ(KW_DBUpdateRecord(db_, tbl_, inst_), STERR_BADBLOCK);  // and its keys put back
    EXPECT_EQ(Scan(0), (std::vector<Row>{{"Beef Stew", "Mains", 0, 1}}));
    EXPECT_EQ(Scan(1), (std::vector<Row>{{"Beef Stew", "Mains", 0, 1}}));
    EXPECT_EQ(Count(), 1);
}

TEST_F(RecordWritesTest, QuickWritesCountButLeaveTheIndexesAlone) {
    ASSERT_EQ(Insert("Apple Pie", "Desserts"), KW_OK);
    Compose(inst_, "Beef Stew", "Mains");
    ASSERT_EQ(KW_DBQuickAddRecord(db_, tbl_, inst_), KW_OK);
    EXPECT_EQ(Current(inst_).serial, 1u);
    EXPECT_EQ(Count(), 2);
    EXPECT_EQ(Scan(0).size(), 1u);
    EXPECT_EQ(ChainRows().size(), 2u);
    ASSERT_EQ(KW_DBQuickDeleteRecord(db_, tbl_, inst_), KW_OK);
    EXPECT_EQ(Count(), 1);
}

TEST_F(RecordWritesTest, AnIndexWithoutAFileRefusesIndexedWritesWith509) {
    KW_IndexDef late = Index(5, "CATEGORY", 0x110);
    int32_t idx = -1;
    ASSERT_EQ(KW_DBAddIndex(db_, tbl_, &late, &idx), KW_OK);  // the table is open: no file
    Compose(inst_, "Apple Pie", "Desserts");
    EXPECT_EQ(KW_DBInsertRecord(db_, tbl_, inst_), KWERR_NOTOPEN);
    EXPECT_EQ(KW_DBGetFirstRecord(db_, tbl_, 0, inst_, nullptr, 0), KWERR_NOTOPEN);
    EXPECT_EQ(KW_DBQuickAddRecord(db_, tbl_, inst_), KW_OK);
}

}  // namespace
}  // namespace kw::engine::testing
