// Reindex: quick adds reachable only after it, its stop on a shared unique key, its codes, and
// the serial counter it raises past the records found, and a wrong back link as damage.
#include <gtest/gtest.h>

#include <algorithm>

#include "record_test_support.h"
#include "store_test_support.h"

namespace kw::engine::testing {
namespace {

class ReindexTest : public RecordTest {
  protected:
    KWRESULT QuickAdd(const std::string &name, const std::string &category) {
        Compose(inst_, name, category);
        return KW_DBQuickAddRecord(db_, tbl_, inst_);
    }
};

TEST_F(ReindexTest, QuickAddsAreReachableOnlyAfterReindex) {
    ASSERT_EQ(Insert("Beef Stew", "Mains"), KW_OK);
    ASSERT_EQ(QuickAdd("Apple Pie", "Desserts"), KW_OK);
    ASSERT_EQ(QuickAdd("Carrot Soup", "Soups"), KW_OK);
    EXPECT_EQ(Scan(0).size(), 1u);
    EXPECT_EQ(Scan(1).size(), 1u);
    ASSERT_EQ(FindName("Carrot Soup"), KW_END);

    ASSERT_EQ(KW_DBReindexTable(db_, tbl_), KW_OK);
    EXPECT_EQ(Scan(0), (std::vector<Row>{{"Apple Pie", "Desserts", 0, 1},
                                         {"Beef Stew", "Mains", 0, 0},
                                         {"Carrot Soup", "Soups", 0, 2}}));
    EXPECT_EQ(Scan(1, false).size(), 3u);
    ASSERT_EQ(FindName("carrot soup"), KW_OK);
    EXPECT_EQ(Current(inst_).serial, 2u);
}

TEST_F(ReindexTest, StopsWith303WhenTwoRecordsShareAUniqueKey) {
    ASSERT_EQ(QuickAdd("Apple Pie", "Desserts"), KW_OK);
    ASSERT_EQ(QuickAdd("APPLE PIE", "desserts"), KW_OK);
    ASSERT_EQ(QuickAdd("Beef Stew", "Mains"), KW_OK);
    EXPECT_EQ(KW_DBReindexTable(db_, tbl_), BTERR_DUPLICATE);
    EXPECT_EQ(KW_DBGetExtendedError(), BTERR_DUPLICATE);
    // The walk stopped at the second record: only the first is indexed.
    EXPECT_EQ(Scan(0).size(), 1u);
}

TEST_F(ReindexTest, CodesForClosedTablesAndBadHandles) {
    EXPECT_EQ(KW_DBReindexTable(db_ + 3, tbl_), KWERR_BADHANDLE);
    EXPECT_EQ(KW_DBReindexTable(db_, tbl_ + 1), KWERR_BADHANDLE);
    ASSERT_EQ(KW_DBCloseTable(db_, tbl_), KW_OK);
    EXPECT_EQ(KW_DBReindexTable(db_, tbl_), KWERR_NOTOPEN);
}

// A crash can leave the store header's serial counter behind the records in the file (the
// counter is written with the header, not with each record). Reindexing after such a run must
// not let a new record take a serial that a stored record holds: on a non-unique index the
// serial is what keeps equal names apart.
TEST_F(ReindexTest, StaleSerialCounterAfterACrashIsRaisedPastTheRecords) {
    ASSERT_EQ(Insert("Beef Stew", "Mains"), KW_OK);
    ASSERT_EQ(Insert("Apple Pie", "Desserts"), KW_OK);
    ASSERT_EQ(Insert("Carrot Soup", "Soups"), KW_OK);
    CloseAll();
    PatchInt32(StorePath(), 12, 0);  // the counter as an earlier header write left it
    OpenAll();
    ASSERT_EQ(KW_DBReindexTable(db_, tbl_), KW_OK);
    ASSERT_EQ(Insert("Beef Stew", "Winter"), KW_OK);  // would collide with serial 0
    EXPECT_EQ(Current(inst_).serial, 3u);
    EXPECT_EQ(Scan(1).size(), 4u);
}

// A kill once left the store header naming a block in the middle of the chain as the first one.
// The blocks from there on form a sound but short chain: a walk that followed only the next links
// reindexed those few records, reported no damage, and the records before that block dropped out
// of the chain while still in the file. The first block's back link gives it away (it is not
// none), so the reindex reports damage, and the recovery that answers it brings every record back.
TEST_F(ReindexTest, HeaderNamingAMidChainBlockAsFirstIsDamageNotAShortChain) {
    const int kRecords = 12;
    for (int i = 0; i < kRecords; ++i)
        ASSERT_EQ(Insert("Dish " + std::to_string(i), "Mains"), KW_OK);
    CloseAll();
    const int32_t block = 24 + kRecordLength;
    PatchInt32(StorePath(), 16, 32 + block * 8);  // first: the ninth record's block
    OpenAll();

    EXPECT_EQ(KW_DBReindexTable(db_, tbl_), STERR_BADBLOCK);
    int32_t count = -1;
    EXPECT_EQ(KW_DBGetCount(db_, tbl_, &count), KWERR_CHAIN);

    ASSERT_EQ(KW_DBRecoverTable(db_, tbl_), KW_OK);
    ASSERT_EQ(KW_DBReindexTable(db_, tbl_), KW_OK);
    EXPECT_EQ(Count(), kRecords);
    std::vector<std::string> names;
    for (const Row &r : Scan(1))
        names.push_back(r.name);
    std::vector<std::string> expected;
    for (int i = 0; i < kRecords; ++i)
        expected.push_back("Dish " + std::to_string(i));
    std::sort(names.begin(), names.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(names, expected);
    EXPECT_EQ(ChainRows().size(), static_cast<size_t>(kRecords));
}

// The same wrong first block found by the count's walk (the record count after an open).
TEST_F(ReindexTest, BackLinkNamingAnotherBlockEndsTheCount) {
    for (int i = 0; i < 5; ++i)
        ASSERT_EQ(Insert("Dish " + std::to_string(i), "Mains"), KW_OK);
    CloseAll();
    const int32_t block = 24 + kRecordLength;
    PatchInt32(StorePath(), 32 + block * 3 + 20, 32 + block * 1);  // fourth's prev: the second
    OpenAll();
    int32_t count = -1;
    EXPECT_EQ(KW_DBGetCount(db_, tbl_, &count), KWERR_CHAIN);
    EXPECT_EQ(KW_DBReindexTable(db_, tbl_), STERR_BADBLOCK);
}

}  // namespace
}  // namespace kw::engine::testing
